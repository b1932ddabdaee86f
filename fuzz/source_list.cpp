// The source-list reader with its normalisation and the duplicate index.
// - No two kept lines that do not begin with "#" are equal with ASCII letter case folded.
// - Every non-blank input line is either kept in its normalised form or is, case folded, a duplicate
//   of a line kept before it; comment lines are always kept, in their order.
// - The kept lines equal a plain model (a set of folded keys), the added list equals the HOSTS list,
//   and the index answers for every kept key in either letter case.
// - The same bytes read as a file give the same lines, with progress steps by the pieces read that add
//   up to the file's size, measured against it.

#include "FuzzSupport.h"
#include "MemoryFileSystem.h"

#include "core/Progress.h"
#include "merge/SourceList.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <set>

using namespace velmora;
using namespace velmora::fuzz;

namespace {

std::string swappedCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        else if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// Keeps the length of every step, and advances the value as a real progress bar does, so the reader
// sees the value it would see on screen.
class StepRecorder : public ProgressSink {
public:
    std::vector<int32_t> increments;
    std::vector<int32_t> maximums;

    void setTitle(const std::string&) override {}
    void show() override {}
    void step(int32_t increment, int32_t& value, int32_t maximum) override {
        increments.push_back(increment);
        maximums.push_back(maximum);
        advanceProgress(m_bar, increment, value, maximum);
    }
    void close() override { m_bar = ProgressBar{}; }

private:
    ProgressBar m_bar;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string bytes = input.ConsumeRemainingBytesAsString();

    // The model: trim spaces, skip blanks, normalise, keep comments, keep the first of each folded key.
    Lines expected;
    std::set<std::string> keys;
    for (const std::string& line : referenceListLines(bytes)) {
        const std::string trimmed = trimmedOfSpaces(line);
        if (trimmed.empty())
            continue;
        const std::string stored = referenceNormalised(trimmed);
        if (stored[0] == '#' || keys.insert(folded(stored)).second)
            expected.push_back(stored);
    }

    EntryList hosts;
    DuplicateIndex index(hosts);
    const int32_t appended = readSourceText(bytes, hosts, index);

    const Lines kept = linesOf(hosts);
    FUZZ_CHECK(kept == expected, "the kept lines are the normalised first copies and every comment");
    FUZZ_CHECK(appended == static_cast<int32_t>(kept.size()), "the count is the number of kept lines");

    std::set<std::string> seen;
    size_t entries = 0;
    for (const std::string& line : kept) {
        FUZZ_CHECK(!line.empty(), "no blank line is kept");
        if (line[0] == '#')
            continue;
        ++entries;
        FUZZ_CHECK(seen.insert(folded(line)).second, "no two kept entries are equal with case folded");
        FUZZ_CHECK(index.contains(line) && index.contains(swappedCase(line)), "the index knows every kept entry");
    }
    FUZZ_CHECK(index.size() == entries, "the index holds the kept entries and no comment");
    // A control character in front is never a stored form (it would have had the address put before it).
    FUZZ_CHECK(!index.contains("\x01" + bytes.substr(0, 8)), "the index finds no key that was never kept");

    MemoryFileSystem disk;
    const std::string path = "list.txt";
    disk.put(path, bytes);
    EntryList fileHosts;
    DuplicateIndex fileIndex(fileHosts);
    StepRecorder progress;
    const SourceReadResult read = readSourceFile(disk, path, fileHosts, fileIndex, progress);
    FUZZ_CHECK(read.error == 0, "a clean read reports no error");
    // Progress moves by the pieces read, not by lines: it adds up to the file's size.
    size_t progressed = 0;
    for (size_t i = 0; i < progress.increments.size(); ++i) {
        progressed += static_cast<size_t>(progress.increments[i]);
        FUZZ_CHECK(static_cast<size_t>(progress.maximums[i]) == bytes.size(), "progress runs to the file's size");
    }
    FUZZ_CHECK(progressed == bytes.size(), "progress sees every byte read");
    FUZZ_CHECK(linesOf(fileHosts) == kept && read.appended == appended, "the file gives the lines the text gives");
    FUZZ_CHECK(fileIndex.size() == index.size(), "the file's index holds the same entries");
    FUZZ_CHECK(disk.openDescriptors() == 0, "the file is closed");
    return 0;
}
