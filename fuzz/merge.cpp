// The merge of a source list into the HOSTS list, through the session as the window and "/add" drive
// it, on a HOSTS text and a source text from the input; then the save.
// - Index pass (the list already loaded): every HOSTS line stays, unaltered and in order; the source
//   lines follow, each non-blank one either added once in its normalised form or dropped as a case-folded
//   duplicate of a HOSTS line or of an earlier added line; comment lines always added.
// - Rebuild (empty list, or the path box changed): the HOSTS file is read by the same source-list rules
//   first, then the source list, against one index.
// - The added list is exactly what was appended; the save writes exactly the merged list and backs up
//   the HOSTS bytes exactly.

#include "FuzzSupport.h"
#include "MemoryPlatform.h"

#include "core/Progress.h"
#include "startup/HostsSession.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <set>

using namespace velmora;
using namespace velmora::fuzz;

namespace {

class QuietUserInterface : public UserInterface {
public:
    std::vector<std::string> notices;
    std::vector<std::string> errors;
    int32_t ShowMsgBox(const std::string& prompt, int32_t) override {
        notices.push_back(prompt);
        return 1;
    }
    void reportError(const std::string& message) override { errors.push_back(message); }
    void setProgressTitle(const std::string&) override {}
    void showProgress() override {}
    void ShowProgress(int32_t inc, int32_t& value, int32_t maxvalue) override {
        const int32_t before = bar.barWidth;
        advanceProgress(bar, inc, value, maxvalue);
        FUZZ_CHECK(bar.barWidth >= before, "the progress bar never shrinks");
    }
    void closeProgress() override { bar = ProgressBar{}; }
    void setBusy(bool) override {}
    ProgressBar bar;
};

// The source-list rules on a text, against the folded keys gathered so far.
Lines modelRead(const std::string& bytes, LineConvention convention, std::set<std::string>& keys) {
    Lines kept;
    for (const std::string& line : referenceLines(bytes, convention)) {
        const std::string trimmed = trimmedOfSpaces(line);
        if (trimmed.empty())
            continue;
        const std::string stored = referenceNormalised(trimmed);
        if (stored[0] == '#' || keys.insert(folded(stored)).second)
            kept.push_back(stored);
    }
    return kept;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const LineConvention convention = input.ConsumeBool() ? LineConvention::Windows : LineConvention::Posix;
    const int start = input.ConsumeIntegralInRange(0, 2); // 0 empty list, 1 loaded, 2 loaded but path changed
    const std::string hostsText = input.ConsumeRandomLengthString(input.remaining_bytes());
    const std::string sourceText = input.ConsumeRemainingBytesAsString();

    MemoryPlatform platform;
    const std::string hostsPath = "etc/hosts";
    const std::string sourcePath = "list.txt";
    platform.put(hostsPath, hostsText);
    platform.put(sourcePath, sourceText);
    QuietUserInterface ui;
    HostsSession session(platform, ui);
    session.setLineConvention(convention);

    Lines before;
    if (start > 0) {
        session.LoadHOSTS(hostsPath);
        before = linesOf(session.lstHOSTS);
        FUZZ_CHECK(before == referenceLines(hostsText, convention), "loading keeps every line as read");
    }
    session.setTxtHOSTS(1, hostsPath);
    session.bReload = start == 2;
    session.setTxtHOSTS(0, sourcePath);
    session.btnMerge_Click();
    const Lines after = linesOf(session.lstHOSTS);
    const Lines added = linesOf(session.lstNew);

    std::set<std::string> keys;
    Lines expected;
    const bool rebuilt = before.empty() || start == 2;
    if (rebuilt) {
        expected = modelRead(hostsText, convention, keys);
        FUZZ_CHECK((ui.notices.size() == 1) == hostsText.empty(), "a missing HOSTS file is told once");
    } else {
        expected = before;
        for (const std::string& line : before) {
            if (line.empty() || line[0] != '#')
                keys.insert(folded(line));
        }
        FUZZ_CHECK(ui.notices.empty(), "the index pass tells nothing");
        FUZZ_CHECK(after.size() >= before.size() && std::equal(before.begin(), before.end(), after.begin()),
                   "no HOSTS line is lost, changed or moved");
    }
    const size_t hostsPart = expected.size();
    const Lines fromSource = modelRead(sourceText, convention, keys);
    expected.insert(expected.end(), fromSource.begin(), fromSource.end());
    FUZZ_CHECK(after == expected, "the merged list is the HOSTS lines followed by the new source lines");
    FUZZ_CHECK(added == fromSource, "the added list is exactly what was appended");
    FUZZ_CHECK(std::equal(added.begin(), added.end(), after.begin() + static_cast<std::ptrdiff_t>(hostsPart)),
               "the added lines are at the end, in order");

    std::set<std::string> entries;
    for (size_t i = rebuilt ? 0 : hostsPart; i < after.size(); ++i) {
        if (after[i][0] != '#')
            FUZZ_CHECK(entries.insert(folded(after[i])).second, "no entry is added twice");
    }
    FUZZ_CHECK(session.bChanged == !sourceText.empty(), "a merged source list marks the list changed");
    FUZZ_CHECK(!session.bReload, "the merge clears the reload flag");
    FUZZ_CHECK(session.lstHOSTS.isVisible(), "the list is shown again");
    FUZZ_CHECK(session.label(HostsSession::Label::HOSTS3) == "Total: " + std::to_string(after.size()),
               "the total follows the list");

    FUZZ_CHECK(session.SaveHOSTS(hostsPath), "the save succeeds");
    std::string written;
    const std::string_view end = lineEndBytes(lineEndFor(hostsText, convention));
    for (const std::string& line : after)
        written.append(line).append(end);
    FUZZ_CHECK(*platform.bytesOf(hostsPath) == written, "the save writes exactly the merged list");
    if (!hostsText.empty())
        FUZZ_CHECK(*platform.bytesOf(hostsPath + ".bak") == hostsText, "the backup holds the HOSTS bytes");
    FUZZ_CHECK(platform.openDescriptors() == 0, "every file is closed");
    return 0;
}
