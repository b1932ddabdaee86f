#include "startup/HostsSession.h"

#include "platform/FakePlatform.h"
#include "support/FakeUserInterface.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace velmora;
using velmora::test::FakeUserInterface;
using velmora::test::readFile;
using velmora::test::TempDir;
using velmora::test::writeFile;
using Lines = std::vector<std::string>;

namespace {

Lines linesOf(const EntryList& list) {
    Lines out;
    for (int32_t i = 0; i < list.count(); ++i)
        out.push_back(list.itemText(i));
    return out;
}

class SessionTest : public ::testing::Test {
protected:
    SessionTest() {
        platform.env["VELMORA_HOSTS"] = hosts;
        session.setLineConvention(LineConvention::Windows);
    }

    // A merge of the given source text into the session as it stands.
    void merge(const std::string& source) {
        writeFile(sourcePath, source);
        session.setTxtHOSTS(0, sourcePath);
        session.btnMerge_Click();
    }

    TempDir dir;
    std::string hosts = dir.file("hosts");
    std::string sourcePath = dir.file("list.txt");
    FakePlatform platform;
    FakeUserInterface ui;
    HostsSession session{platform, ui};
};

} // namespace

struct LoadCase {
    const char* name;
    std::string bytes;
    Lines lines;
};

class LoadHOSTS : public SessionTest, public ::testing::WithParamInterface<LoadCase> {};

// Every line is kept exactly as read; the total and the path box follow.
TEST_P(LoadHOSTS, KeepsEveryLine) {
    writeFile(hosts, GetParam().bytes);
    session.LoadHOSTS(hosts);
    EXPECT_EQ(linesOf(session.lstHOSTS), GetParam().lines);
    EXPECT_EQ(session.label(HostsSession::Label::HOSTS3), "Total: " + std::to_string(GetParam().lines.size()));
    EXPECT_EQ(session.txtHOSTS(1), hosts);
    EXPECT_TRUE(session.bReload);  // set by the path box's change
    EXPECT_FALSE(session.bChanged);
    EXPECT_TRUE(session.lstHOSTS.isVisible());
}

INSTANTIATE_TEST_SUITE_P(Cases, LoadHOSTS,
                         ::testing::Values(LoadCase{"ThreeLines", "a\r\nb\r\nc\r\n", {"a", "b", "c"}},
                                           LoadCase{"NoFinalEnd", "a\r\nb\r\nc", {"a", "b", "c"}},
                                           LoadCase{"EmptyMiddle", "a\r\n\r\nb", {"a", "", "b"}},
                                           LoadCase{"LfOnlyIsOneLine", "a\nb\n", {"a\nb\n"}},
                                           LoadCase{"Spaces", "  127.0.0.1   x  \r\n", {"  127.0.0.1   x  "}}),
                         [](const auto& p) { return std::string(p.param.name); });

// A missing or empty file changes nothing and says nothing.
TEST_F(SessionTest, LoadOfMissingOrEmptyFileChangesNothing) {
    session.lstHOSTS.addItemText("kept");
    session.LoadHOSTS(hosts);
    writeFile(hosts, "");
    session.LoadHOSTS(hosts);
    EXPECT_EQ(linesOf(session.lstHOSTS), Lines{"kept"});
    EXPECT_EQ(session.txtHOSTS(1), "");
    EXPECT_EQ(session.label(HostsSession::Label::HOSTS3), "");
    EXPECT_TRUE(ui.asked.empty());
}

// The progress window shows for files over 32000 bytes only; progress is reported per line either way.
TEST_F(SessionTest, ProgressWindowOnlyForLargeFiles) {
    for (size_t size : {32000u, 32001u}) {
        std::string bytes(size - 2, 'x');
        bytes += "\r\n";
        writeFile(hosts, bytes);
        ui.events.clear();
        ui.progressCalls = 0;
        session.LoadHOSTS(hosts);
        const bool shown = std::find(ui.events.begin(), ui.events.end(), "show") != ui.events.end();
        EXPECT_EQ(shown, size > 32000) << size;
        EXPECT_EQ(ui.progressCalls, 1);
    }
}

TEST_F(SessionTest, StartUpClearsBothFlags) {
    writeFile(hosts, "127.0.0.1 localhost\r\n");
    session.startInteractive(false);
    EXPECT_EQ(linesOf(session.lstHOSTS), Lines{"127.0.0.1 localhost"});
    EXPECT_EQ(session.txtHOSTS(1), hosts);
    EXPECT_FALSE(session.bReload);
    EXPECT_FALSE(session.bChanged);
    EXPECT_EQ(ui.events.front(), "title:Loading HOSTS...");
    EXPECT_TRUE(session.queryClose());
    EXPECT_TRUE(ui.asked.empty());
}

TEST_F(SessionTest, StartUpWithoutLoadingShowsThePathOnly) {
    writeFile(hosts, "a\r\n");
    session.startInteractive(true);
    EXPECT_EQ(session.lstHOSTS.count(), 0);
    EXPECT_EQ(session.txtHOSTS(1), hosts);
    EXPECT_FALSE(session.bReload);
}

// A missing file: nothing loaded, the path box empty, and the progress title it set is gone again.
TEST_F(SessionTest, StartUpWithMissingFileLeavesThePathBoxEmpty) {
    session.startInteractive(false);
    EXPECT_EQ(session.lstHOSTS.count(), 0);
    EXPECT_EQ(session.txtHOSTS(1), "");
    EXPECT_EQ(session.label(HostsSession::Label::HOSTS3), "");
    EXPECT_EQ(ui.events, (Lines{"title:Loading HOSTS...", "close"}));
}

struct NormaliseCase {
    const char* name;
    std::string source; // one line
    Lines added;
};

class Normalisation : public SessionTest, public ::testing::WithParamInterface<NormaliseCase> {};

// Each source line lands in its HOSTS form; duplicates of "127.0.0.1 localhost" are dropped.
TEST_P(Normalisation, StoresTheHostsForm) {
    writeFile(hosts, "127.0.0.1 localhost\r\n");
    session.setTxtHOSTS(1, hosts);
    merge(GetParam().source);
    EXPECT_EQ(linesOf(session.lstNew), GetParam().added);
    Lines all{"127.0.0.1 localhost"};
    all.insert(all.end(), GetParam().added.begin(), GetParam().added.end());
    EXPECT_EQ(linesOf(session.lstHOSTS), all);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Normalisation,
    ::testing::Values(NormaliseCase{"SpacesAroundName", "   ads.example   ", {"127.0.0.1 ads.example"}},
                      NormaliseCase{"LeadingTab", "\tads.example", {"127.0.0.1 \tads.example"}},
                      NormaliseCase{"ManySpacesAfterAddress", "127.0.0.1   ads.example", {"127.0.0.1 ads.example"}},
                      NormaliseCase{"OneTab", "127.0.0.1\tads.example", {"127.0.0.1 ads.example"}},
                      NormaliseCase{"TwoTabs", "127.0.0.1\t\tads.example", {"127.0.0.1 \tads.example"}},
                      NormaliseCase{"TabAlone", "127.0.0.1\t", {"127.0.0.1 "}},
                      NormaliseCase{"OtherAddressKeepsSpacing", "0.0.0.0 \t ads.example", {"0.0.0.0 \t ads.example"}},
                      NormaliseCase{"ShortLocal", "127.1   ads.example", {"127.1   ads.example"}},
                      NormaliseCase{"Semicolon", "; note", {"; note"}},
                      NormaliseCase{"CommentKept", "  # note  ", {"# note"}},
                      NormaliseCase{"LocalhostInCapitals", "LOCALHOST", {}},
                      NormaliseCase{"LocalhostWithAddress", "127.0.0.1  LocalHost", {}},
                      NormaliseCase{"BlankLinesSkipped", "  \r\n\r\n", {}},
                      NormaliseCase{"TwiceDifferentCase", "Ads.Example\r\nads.example\r\n", {"127.0.0.1 Ads.Example"}},
                      NormaliseCase{"CommentTwice", "# c\r\n# c\r\n", {"# c", "# c"}},
                      NormaliseCase{"SemicolonTwice", ";x\r\n;X\r\n", {";x"}},
                      NormaliseCase{"LfOnlyIsOneLine", "a\nb\n", {"127.0.0.1 a\nb\n"}}),
    [](const auto& p) { return std::string(p.param.name); });

// A merge into an empty list rebuilds it from the HOSTS file by the source rules first.
TEST_F(SessionTest, MergeIntoEmptyListRebuildsFromTheFile) {
    writeFile(hosts, "127.0.0.1   a\r\n127.0.0.1 A\r\n# c\r\n# c\r\n\r\nb\r\n");
    session.setTxtHOSTS(1, hosts);
    session.bReload = false;
    merge("a\r\nc\r\n");
    EXPECT_EQ(linesOf(session.lstHOSTS), (Lines{"127.0.0.1 a", "# c", "# c", "127.0.0.1 b", "127.0.0.1 c"}));
    EXPECT_EQ(session.label(HostsSession::Label::HOSTS2), "4 items");
    EXPECT_EQ(session.label(HostsSession::Label::HOSTS1), "1 items");
    EXPECT_EQ(session.label(HostsSession::Label::HOSTS3), "Total: 5");
    EXPECT_TRUE(session.bChanged);
    EXPECT_FALSE(session.bReload);
    const Lines titles = [&] {
        Lines t;
        for (const auto& e : ui.events)
            if (e.rfind("title:", 0) == 0)
                t.push_back(e);
        return t;
    }();
    EXPECT_EQ(titles, (Lines{"title:Loading HOSTS...", "title:Merging New HOSTS..."}));
    EXPECT_EQ(ui.events.back(), "busy:0");
}

// Merging the same list twice: the second time only its comment lines arrive again.
TEST_F(SessionTest, SecondMergeAddsOnlyComments) {
    writeFile(hosts, "127.0.0.1 localhost\r\n");
    session.setTxtHOSTS(1, hosts);
    const std::string list = "#BEGIN of ads\r\nx.example\r\n#END of ads\r\n";
    merge(list);
    ui.events.clear();
    merge(list);
    EXPECT_EQ(linesOf(session.lstNew), (Lines{"#BEGIN of ads", "#END of ads"}));
    EXPECT_EQ(session.label(HostsSession::Label::HOSTS1), "2 items");
    EXPECT_EQ(ui.events[1], "title:Finding Duplicates...");
    EXPECT_EQ(session.lstHOSTS.count(), 6);
}

// The index pass takes list lines as they stand: a double-spaced line is no duplicate of the normalised one.
TEST_F(SessionTest, IndexPassDoesNotNormalise) {
    session.lstHOSTS.addItemText("127.0.0.1  x.example");
    session.lstHOSTS.addItemText("dup");
    session.lstHOSTS.addItemText("DUP");
    merge("x.example\r\n127.0.0.1 DUP\r\n");
    EXPECT_EQ(linesOf(session.lstHOSTS), (Lines{"127.0.0.1  x.example", "dup", "DUP", "127.0.0.1 x.example",
                                                "127.0.0.1 DUP"}));
}

// A missing HOSTS file during a rebuild is reported; the merge goes on with the source list.
TEST_F(SessionTest, MissingHostsFileIsReportedAndMergeGoesOn) {
    session.setTxtHOSTS(1, hosts);
    merge("a\r\n");
    ASSERT_EQ(ui.asked.size(), 1u);
    EXPECT_EQ(ui.asked[0].first, hosts + " does not exist.");
    EXPECT_EQ(ui.asked[0].second, 64);
    EXPECT_EQ(linesOf(session.lstHOSTS), Lines{"127.0.0.1 a"});
}

// A missing source list: nothing appended, no notice, labels other than the total untouched.
TEST_F(SessionTest, MissingSourceListIsSilent) {
    session.lstHOSTS.addItemText("x");
    session.setLabel(HostsSession::Label::HOSTS1, "9 items");
    session.setTxtHOSTS(0, dir.file("none"));
    session.btnMerge_Click();
    EXPECT_TRUE(ui.asked.empty());
    EXPECT_EQ(session.label(HostsSession::Label::HOSTS1), "9 items");
    EXPECT_EQ(session.label(HostsSession::Label::HOSTS3), "Total: 1");
    EXPECT_FALSE(session.bChanged);
}

// After a hand edit (bReload set) the merge starts again from the file on disk.
TEST_F(SessionTest, ReloadFlagRebuildsFromDisk) {
    writeFile(hosts, "on.disk\r\n");
    session.setTxtHOSTS(1, hosts);
    merge("");
    session.lstHOSTS.removeItem(0);
    session.lstHOSTS.addItemText("typed by hand");
    session.bReload = true;
    merge("new.one\r\n");
    EXPECT_EQ(linesOf(session.lstHOSTS), (Lines{"127.0.0.1 on.disk", "127.0.0.1 new.one"}));
}

// Saving writes exactly the list; the save dialog is asked with its title, filter and proposed name.
TEST_F(SessionTest, SaveThroughTheDialog) {
    writeFile(hosts, "old\r\n");
    session.lstHOSTS.addItemText("a");
    session.lstHOSTS.addItemText("");
    session.bChanged = true;
    platform.saveAnswers = {"  " + hosts + "  "};
    EXPECT_TRUE(session.SaveHOSTS(""));
    ASSERT_EQ(platform.dialogRequests.size(), 1u);
    EXPECT_EQ(platform.dialogRequests[0].title, "Save HOSTS");
    EXPECT_EQ(platform.dialogRequests[0].filter, "Host File");
    EXPECT_EQ(platform.dialogRequests[0].initialPath, hosts);
    EXPECT_EQ(platform.dialogRequests[0].initialName, "HOSTS");
    EXPECT_EQ(readFile(hosts), "a\r\n\r\n");
    EXPECT_EQ(readFile(hosts + ".bak"), "old\r\n");
    EXPECT_FALSE(session.bChanged);
}

// Cancelling the dialog writes nothing and keeps the changes flagged; so does a failed save, which is
// reported with the path and the reason.
TEST_F(SessionTest, CancelledOrFailedSaveKeepsChanged) {
    session.lstHOSTS.addItemText("a");
    session.bChanged = true;
    EXPECT_FALSE(session.SaveHOSTS(""));
    EXPECT_TRUE(session.bChanged);
    EXPECT_FALSE(velmora::test::exists(hosts));

    const std::string missing = dir.file("no/such/hosts");
    EXPECT_FALSE(session.SaveHOSTS(missing));
    EXPECT_TRUE(session.bChanged);
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_NE(ui.errors[0].find(missing + ": No such file or directory"), std::string::npos) << ui.errors[0];
}

struct CloseCase {
    const char* name;
    int32_t answer;
    bool closes;
    bool dialogShown;
};

class Closing : public SessionTest, public ::testing::WithParamInterface<CloseCase> {};

// Yes saves and keeps the window; Cancel keeps it; No or a closed box closes without saving.
TEST_P(Closing, AnswersTheQuestion) {
    session.lstHOSTS.addItemText("a");
    session.bChanged = true;
    ui.answers = {GetParam().answer};
    platform.saveAnswers = {hosts};
    EXPECT_EQ(session.queryClose(), GetParam().closes);
    ASSERT_EQ(ui.asked.size(), 1u);
    EXPECT_EQ(ui.asked[0], std::make_pair(std::string("Do you want to save the changes?"), 3));
    EXPECT_EQ(platform.dialogRequests.size(), GetParam().dialogShown ? 1u : 0u);
    EXPECT_EQ(readFile(hosts), GetParam().dialogShown ? "a\r\n" : "<missing>");
    EXPECT_EQ(session.bChanged, !GetParam().dialogShown);
}

INSTANTIATE_TEST_SUITE_P(Cases, Closing,
                         ::testing::Values(CloseCase{"Yes", 6, false, true}, CloseCase{"No", 7, true, false},
                                           CloseCase{"Cancel", 2, false, false}, CloseCase{"Closed", 0, true, false}),
                         [](const auto& p) { return std::string(p.param.name); });

// Sorting ignores letter case, keeps equal lines in their order and touches neither flags nor labels.
TEST_F(SessionTest, SortThroughTheSortedList) {
    for (const char* line : {"b", "#END of x", "a", "B", "#BEGIN of x", "A", "c"})
        session.lstHOSTS.addItemText(line);
    session.bChanged = false;
    session.bReload = true;
    session.btnSort_Click();
    const Lines sorted{"#BEGIN of x", "#END of x", "a", "A", "b", "B", "c"};
    EXPECT_EQ(linesOf(session.lstHOSTS), sorted);
    EXPECT_EQ(linesOf(session.lstSort), sorted);
    EXPECT_FALSE(session.bChanged);
    EXPECT_TRUE(session.bReload);
    EXPECT_EQ(ui.events, (Lines{"busy:1", "show", "close", "title:Sorting...", "show", "close", "busy:0"}));
}

TEST_F(SessionTest, SortOfAnEmptyListOpensAndClosesBothWindows) {
    session.btnSort_Click();
    EXPECT_EQ(session.lstHOSTS.count(), 0);
    EXPECT_EQ(ui.events, (Lines{"busy:1", "show", "close", "title:Sorting...", "show", "close", "busy:0"}));
    EXPECT_EQ(ui.progressCalls, 0);
}

TEST_F(SessionTest, ClearAsksFirst) {
    for (int32_t answer : {7, 0, 6}) {
        session.lstHOSTS.clear();
        session.lstHOSTS.addItemText("x");
        session.lstHOSTS.addItemText("y");
        session.bChanged = false;
        session.setLabel(HostsSession::Label::HOSTS3, "Total: 2");
        ui.answers = {answer};
        session.btnClear_Click();
        EXPECT_EQ(ui.asked.back(), std::make_pair(std::string("Do you want to clear the HOSTS file?"), 276));
        EXPECT_EQ(linesOf(session.lstHOSTS), answer == 6 ? Lines{"127.0.0.1 localhost"} : (Lines{"x", "y"}));
        EXPECT_EQ(session.bChanged, answer == 6);
        EXPECT_EQ(session.label(HostsSession::Label::HOSTS3), "Total: 2");
    }
}
