// The merge of a source list into the HOSTS list, through the document as the window and "/add" drive
// it, on a HOSTS text and a source text from the input; then the save.
// - Every HOSTS line stays, exactly as written and in order, whether the list on screen is indexed
//   (loaded) or read again (empty, or the HOSTS path changed since loading); the source lines follow,
//   each non-blank one either added once in its normalised form or dropped as a case-folded duplicate
//   of a HOSTS line's normalised form or of an earlier added line; comment lines always added.
// - The added list is exactly what was appended; the save writes exactly the merged list and backs up
//   the HOSTS bytes exactly.

#include "FuzzSupport.h"
#include "MemoryFileSystem.h"

#include "core/Progress.h"
#include "document/HostsDocument.h"
#include "platform/FakeEnvironment.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <set>

using namespace velmora;
using namespace velmora::fuzz;

namespace {

class QuietUserInterface : public UserInterface, private ProgressSink {
public:
    // Questions and notices alike: whatever would put a box in front of the user.
    std::vector<std::string> notices;
    std::vector<std::string> errors;
    bool busy = false;

    Answer ask(const std::string& question, int32_t) override {
        notices.push_back(question);
        return Answer::Ok;
    }
    void notify(const std::string& message) override { notices.push_back(message); }
    void reportError(const std::string& message) override { errors.push_back(message); }
    std::string askText(const std::string&, const std::string&, const std::string&, bool) override { return {}; }
    std::string chooseSaveFile(const std::string&) override { return {}; }
    ProgressSink& progress() override { return *this; }
    void setBusy(bool on) override { busy = on; }

private:
    void setTitle(const std::string&) override {}
    void show() override {}
    void step(int32_t inc, int32_t& value, int32_t maxvalue) override {
        const int32_t before = bar.barWidth;
        advanceProgress(bar, inc, value, maxvalue);
        FUZZ_CHECK(bar.barWidth >= before, "the progress bar never shrinks");
    }
    void close() override { bar = ProgressBar{}; }

    ProgressBar bar;
};

// The name after a marker's text, trimmed of spaces, case folded.
std::string markerName(const std::string& line, size_t length) {
    return folded(trimmedOfSpaces(line.substr(length)));
}

// The source-list rules on a text, against the folded keys gathered so far: no source notes, and of the
// block markers only those that pair up, a start with the first end of its name after it and no other
// start between (ends of other names between them go too).
Lines modelRead(const std::string& bytes, std::set<std::string>& keys) {
    Lines kept;
    for (const std::string& line : referenceListLines(bytes)) {
        const std::string trimmed = trimmedOfSpaces(line);
        if (trimmed.empty())
            continue;
        const std::string stored = referenceNormalised(trimmed);
        if (startsWith(stored, "# source: "))
            continue;
        if (stored[0] == '#' || keys.insert(folded(stored)).second)
            kept.push_back(stored);
    }
    std::vector<bool> drop(kept.size(), false);
    for (size_t i = 0; i < kept.size(); ++i) {
        const bool begin = startsWithFolded(kept[i], "#BEGIN of ");
        if (!begin && !startsWithFolded(kept[i], "#END of "))
            continue;
        drop[i] = true;
        if (!begin)
            continue;
        for (size_t j = i + 1; j < kept.size(); ++j) {
            if (startsWithFolded(kept[j], "#BEGIN of "))
                break;
            if (startsWithFolded(kept[j], "#END of ") && markerName(kept[j], 8) == markerName(kept[i], 10)) {
                drop[i] = false;
                for (size_t k = i + 1; k < j; ++k)
                    drop[k] = startsWithFolded(kept[k], "#END of ");
                i = j; // the end pairs with this start; it stays
                break;
            }
        }
    }
    Lines paired;
    for (size_t i = 0; i < kept.size(); ++i)
        if (!drop[i])
            paired.push_back(kept[i]);
    return paired;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const LineConvention convention = input.ConsumeBool() ? LineConvention::Windows : LineConvention::Posix;
    const int start = input.ConsumeIntegralInRange(0, 2); // 0 empty list, 1 loaded, 2 loaded but path changed
    const std::string hostsText = input.ConsumeRandomLengthString(input.remaining_bytes());
    const std::string sourceText = input.ConsumeRemainingBytesAsString();

    MemoryFileSystem disk;
    const std::string hostsPath = "etc/hosts";
    const std::string sourcePath = "list.txt";
    disk.put(hostsPath, hostsText);
    disk.put(sourcePath, sourceText);
    FakeEnvironment environment;
    environment.variables["VELMORA_HOSTS"] = hostsPath;
    QuietUserInterface ui;
    HostsDocument document(disk, environment, ui);
    document.setLineConvention(convention);

    Lines before;
    if (start > 0) {
        // Loaded as at start-up, so nothing needs a reload yet.
        document.start(false);
        before = linesOf(document.lines());
        FUZZ_CHECK(before == referenceLines(hostsText), "loading keeps every line as read");
        FUZZ_CHECK(!document.hostsReadIncomplete(), "a clean load reads to the end");
    }
    document.setHostsPath(hostsPath);
    if (start == 2) {
        // The path box edited and put back: the lines may no longer be the file's.
        document.setHostsPath(hostsPath + ".old");
        document.setHostsPath(hostsPath);
    }
    document.setSourcePath(sourcePath);
    const MergeResult merged = document.merge();
    const Lines after = linesOf(document.lines());
    const Lines added = linesOf(document.addedLines());

    std::set<std::string> keys;
    Lines expected;
    const bool rebuilt = before.empty() || start == 2;
    FUZZ_CHECK(merged.hostsReread == rebuilt, "the HOSTS file is read again exactly when the lines are stale");
    if (rebuilt)
        FUZZ_CHECK((ui.notices.size() == 1) == hostsText.empty(), "a missing HOSTS file is told once");
    else
        FUZZ_CHECK(ui.notices.empty(), "the index pass tells nothing");
    expected = referenceLines(hostsText);
    for (const std::string& line : expected)
        if (const std::string key = referenceKey(line); !key.empty())
            keys.insert(key);
    FUZZ_CHECK(after.size() >= expected.size() && std::equal(expected.begin(), expected.end(), after.begin()),
               "no HOSTS line is lost, changed or moved");
    const size_t hostsPart = expected.size();
    const Lines fromSource = modelRead(sourceText, keys);
    expected.insert(expected.end(), fromSource.begin(), fromSource.end());
    FUZZ_CHECK(after == expected, "the merged list is the HOSTS lines followed by the new source lines");
    FUZZ_CHECK(added == fromSource, "the added list is exactly what was appended");
    FUZZ_CHECK(std::equal(added.begin(), added.end(), after.begin() + static_cast<std::ptrdiff_t>(hostsPart)),
               "the added lines are at the end, in order");

    std::set<std::string> entries;
    for (size_t i = hostsPart; i < after.size(); ++i) {
        if (after[i][0] != '#')
            FUZZ_CHECK(entries.insert(folded(after[i])).second, "no entry is added twice");
    }
    FUZZ_CHECK(merged.linesAdded == static_cast<int32_t>(added.size()), "the merge counts what it added");
    FUZZ_CHECK(document.isModified() == !sourceText.empty(), "a merged source list marks the list changed");
    FUZZ_CHECK(!document.needsReload(), "the merge clears the reload flag");
    FUZZ_CHECK(!ui.busy, "the busy state ends with the merge");
    FUZZ_CHECK(document.totalStatus() == "Total: " + std::to_string(after.size()), "the total follows the list");

    FUZZ_CHECK(document.save(hostsPath), "the save succeeds");
    std::string written;
    const std::string_view end = lineEndBytes(lineEndFor(hostsText, convention));
    for (const std::string& line : after)
        written.append(line).append(end);
    FUZZ_CHECK(*disk.bytesOf(hostsPath) == written, "the save writes exactly the merged list");
    if (written == hostsText)
        FUZZ_CHECK(!disk.bytesOf(hostsPath + ".bak"), "a save that changes no byte keeps no backup");
    else if (!hostsText.empty())
        FUZZ_CHECK(*disk.bytesOf(hostsPath + ".bak") == hostsText, "the backup holds the HOSTS bytes");
    FUZZ_CHECK(disk.openDescriptors() == 0, "every file is closed");
    return 0;
}
