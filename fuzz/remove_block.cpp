// Block removal on random lists and names, against the one-at-a-time algorithm written out plainly:
// search from the top for a start line, remove line by line (end lines right after the start are the
// heading, the first end line after the body ends the block and goes too, a block without an end runs
// to the end of the list), and search again from the top until no start line is left. For a name not
// beginning with "#", a start line directly followed by an end line is an empty block of those two.
// - The fast one-pass removal gives exactly the same list and counts the lines it removed; the marks
//   it removes by, taken on their own, leave that same list.
// - Every line that stays is unchanged and in its order (a subsequence of the input).
// - No start line of the name is left.
// Lines are drawn mostly from markers of the name, of longer names and in other letter case, so that
// blocks, headings, nested and unended blocks are common.

#include "FuzzSupport.h"

#include "merge/RemoveBlock.h"

#include <fuzzer/FuzzedDataProvider.h>

using namespace velmora;
using namespace velmora::fuzz;

namespace {

Lines referenceRemove(Lines list, const std::string& name) {
    const bool section = !name.empty() && name[0] == '#';
    const std::string start = section ? name : "#BEGIN of " + name;
    const std::string end = section ? "#" : "#END of " + name;
    auto isEnd = [&](size_t i) { return i < list.size() && startsWith(list[i], end); };
    for (;;) {
        size_t idx = 0;
        while (idx < list.size() && !startsWithFolded(list[idx], start))
            ++idx;
        if (idx == list.size())
            return list;
        bool body = false;
        bool ended = false;
        bool first = true;
        while (!ended) {
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(idx));
            if (isEnd(idx)) {
                ended = body || (first && !section);
            } else {
                body = true;
            }
            first = false;
            if (idx >= list.size())
                break;
        }
        if (ended)
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(idx));
    }
}

std::string drawLine(FuzzedDataProvider& input, const std::string& name) {
    const std::string tail = input.ConsumeRandomLengthString(6);
    switch (input.ConsumeIntegralInRange(0, 11)) {
    case 0:
        return "#BEGIN of " + name;
    case 1:
        return "#END of " + name;
    case 2:
        return "#begin OF " + name + tail; // a start in other letter case, or of a longer name
    case 3:
        return "#end of " + name; // not an end: the case differs
    case 4:
        return "#END of " + name + tail;
    case 5:
        return name + tail;
    case 6:
        return "# " + tail;
    case 7:
        return "127.0.0.1 " + tail;
    case 8:
        return "#BEGIN of " + tail;
    case 9:
        return "#END of " + tail;
    case 10:
        return "";
    default:
        return tail;
    }
}

bool isSubsequence(const Lines& part, const Lines& whole) {
    size_t j = 0;
    for (const std::string& line : whole) {
        if (j < part.size() && part[j] == line)
            ++j;
    }
    return j == part.size();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    std::string name = input.ConsumeRandomLengthString(8);
    if (input.ConsumeBool())
        name = "#" + name;
    Lines lines;
    while (lines.size() < 64 && input.remaining_bytes() > 0)
        lines.push_back(drawLine(input, name));

    EntryList list = listOf(lines);
    const std::vector<uint8_t> marks = markBlocks(list, name);
    const int32_t removed = removeBlocks(list, name);
    const Lines after = linesOf(list);
    const Lines expected = referenceRemove(lines, name);
    FUZZ_CHECK(after == expected, "the one-pass removal equals the one-at-a-time removal");
    FUZZ_CHECK(marks.size() == lines.size(), "one mark per line");
    Lines unmarked;
    for (size_t i = 0; i < lines.size() && i < marks.size(); ++i) {
        if (!marks[i])
            unmarked.push_back(lines[i]);
    }
    FUZZ_CHECK(unmarked == expected, "the unmarked lines are the lines that stay");
    FUZZ_CHECK(removed == static_cast<int32_t>(lines.size() - after.size()), "the count is the lines removed");
    FUZZ_CHECK(isSubsequence(after, lines), "the lines that stay keep their text and order");
    const std::string start = !name.empty() && name[0] == '#' ? name : "#BEGIN of " + name;
    for (const std::string& line : after)
        FUZZ_CHECK(!startsWithFolded(line, start), "no start line of the name is left");
    return 0;
}
