// Block removal on random lists and names, against the removals written out plainly. A name beginning
// with "#" heads sections, removed one at a time: search from the top for a line beginning with the name,
// remove line by line (comment lines right after it are the heading, the first comment after the
// entries ends the section and goes too, a section without one runs to the end of the list), and search
// again from the top until none is left. Any other name: a walk from the top finds the marked blocks as
// the list of blocks reads them (a "#BEGIN of X" outside a block opens block X, the first "#END of X"
// after it closes it, letter case ignored, or the end of the list does), and every block whose name
// begins with the name goes.
// - The fast removal gives exactly the same list and counts the lines it removed; the marks it removes
//   by, taken on their own, leave that same list.
// - Every line that stays is unchanged and in its order (a subsequence of the input).
// Lines are drawn mostly from markers of the name, of longer names and in other letter case, so that
// blocks, headings, nested and unended blocks are common.

#include "FuzzSupport.h"

#include "merge/RemoveBlock.h"

#include <fuzzer/FuzzedDataProvider.h>

using namespace velmora;
using namespace velmora::fuzz;

namespace {

Lines referenceSections(Lines list, const std::string& name) {
    auto isComment = [&](size_t i) { return i < list.size() && startsWith(list[i], "#"); };
    for (;;) {
        size_t idx = 0;
        while (idx < list.size() && !startsWithFolded(list[idx], name))
            ++idx;
        if (idx == list.size())
            return list;
        bool body = false;
        bool ended = false;
        while (!ended) {
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(idx));
            if (isComment(idx))
                ended = body;
            else
                body = true;
            if (idx >= list.size())
                break;
        }
        if (ended)
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(idx));
    }
}

std::string trimmedLower(std::string text) {
    while (!text.empty() && text.front() == ' ')
        text.erase(text.begin());
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    for (char& c : text)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return text;
}

Lines referenceRemove(const Lines& list, const std::string& name) {
    if (!name.empty() && name[0] == '#')
        return referenceSections(list, name);
    const std::string wanted = trimmedLower(name);
    Lines kept;
    Lines block;
    std::string open; // the name of the block being walked, lower case
    bool inBlock = false;
    for (const std::string& line : list) {
        if (!inBlock) {
            if (startsWithFolded(line, "#BEGIN of ")) {
                inBlock = true;
                open = trimmedLower(line.substr(10));
                block = {line};
            } else {
                kept.push_back(line);
            }
            continue;
        }
        block.push_back(line);
        if (startsWithFolded(line, "#END of ") && trimmedLower(line.substr(8)) == open) {
            inBlock = false;
            if (!open.starts_with(wanted))
                kept.insert(kept.end(), block.begin(), block.end());
        }
    }
    if (inBlock && !open.starts_with(wanted))
        kept.insert(kept.end(), block.begin(), block.end());
    return kept;
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
    return 0;
}
