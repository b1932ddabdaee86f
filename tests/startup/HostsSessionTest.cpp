#include "startup/HostsSession.h"

#include "platform/FakePlatform.h"
#include "support/FakeUserInterface.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace velmora;
using velmora::test::readFile;
using velmora::test::writeFile;
using Lines = std::vector<std::string>;
using L = HostsSession::Label;

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
    void merge(const std::string& source) {
        writeFile(sourcePath, source);
        session.setTxtHOSTS(0, sourcePath);
        session.btnMerge_Click();
    }
    Lines titles() const {
        Lines t;
        for (const auto& e : ui.events)
            if (e.rfind("title:", 0) == 0)
                t.push_back(e.substr(6));
        return t;
    }

    velmora::test::TempDir dir;
    std::string hosts = dir.file("hosts");
    std::string sourcePath = dir.file("list.txt");
    FakePlatform platform;
    velmora::test::FakeUserInterface ui;
    HostsSession session{platform, ui};
};

} // namespace

// Lines are kept exactly as read; the total, the path box and bReload follow; a missing or empty
// file changes nothing and says nothing.
TEST_F(SessionTest, LoadKeepsEveryLine) {
    session.LoadHOSTS(hosts);
    writeFile(hosts, "");
    session.LoadHOSTS(hosts);
    EXPECT_EQ(session.txtHOSTS(1), "");
    writeFile(hosts, "a\r\n\r\n  127.0.0.1   x  \r\nb\nc");
    session.LoadHOSTS(hosts);
    EXPECT_EQ(linesOf(session.lstHOSTS), (Lines{"a", "", "  127.0.0.1   x  ", "b\nc"}));
    EXPECT_EQ(session.label(L::HOSTS3), "Total: 4");
    EXPECT_EQ(session.txtHOSTS(1), hosts);
    EXPECT_TRUE(session.bReload);
    EXPECT_FALSE(session.bChanged);
    EXPECT_TRUE(ui.asked.empty());
}

// The progress window shows for files over 32000 bytes only; progress is reported per line either way.
TEST_F(SessionTest, ProgressWindowOnlyForLargeFiles) {
    for (size_t size : {32000u, 32001u}) {
        writeFile(hosts, std::string(size - 2, 'x') + "\r\n");
        ui.events.clear();
        ui.progressCalls = 0;
        session.LoadHOSTS(hosts);
        EXPECT_EQ(std::count(ui.events.begin(), ui.events.end(), "show"), size > 32000 ? 1 : 0) << size;
        EXPECT_EQ(ui.progressCalls, 1);
    }
}

// Start-up loads under "Loading HOSTS..." and clears both flags; /noload only shows the path; a missing
// file leaves the path box empty and closes the progress window it titled.
TEST_F(SessionTest, StartUp) {
    session.startInteractive(false);
    EXPECT_EQ(session.txtHOSTS(1), "");
    EXPECT_EQ(ui.events, (Lines{"title:Loading HOSTS...", "close"}));
    writeFile(hosts, "127.0.0.1 localhost\r\n");
    session.startInteractive(true);
    EXPECT_EQ(session.lstHOSTS.count(), 0);
    EXPECT_EQ(session.txtHOSTS(1), hosts);
    session.startInteractive(false);
    EXPECT_EQ(linesOf(session.lstHOSTS), Lines{"127.0.0.1 localhost"});
    EXPECT_FALSE(session.bReload);
    EXPECT_FALSE(session.bChanged);
    EXPECT_TRUE(session.queryClose());
    EXPECT_TRUE(ui.asked.empty());
}

// Each source line lands in its HOSTS form after "127.0.0.1 localhost"; duplicates of it are dropped.
TEST_F(SessionTest, NormalisesSourceLines) {
    const std::pair<std::string, Lines> cases[] = {
        {"   ads.example   ", {"127.0.0.1 ads.example"}},
        {"\tads.example", {"127.0.0.1 \tads.example"}},
        {"127.0.0.1   ads.example", {"127.0.0.1 ads.example"}},
        {"127.0.0.1\tads.example", {"127.0.0.1 ads.example"}},
        {"127.0.0.1\t\tads.example", {"127.0.0.1 \tads.example"}},
        {"127.0.0.1\t", {"127.0.0.1 "}},
        {"0.0.0.0 \t ads.example", {"0.0.0.0 \t ads.example"}},
        {"127.1   ads.example", {"127.1   ads.example"}},
        {"  # note  ", {"# note"}},
        {"LOCALHOST\r\n127.0.0.1  LocalHost\r\n  \r\n\r\n", {}},
        {"Ads.Example\r\nads.example\r\n", {"127.0.0.1 Ads.Example"}},
        {"# c\r\n# c\r\n", {"# c", "# c"}},
        {";x\r\n;X\r\n", {";x"}},
        {"a\nb\n", {"127.0.0.1 a\nb\n"}}, // a lone LF is no line end here
    };
    writeFile(hosts, "127.0.0.1 localhost\r\n");
    for (const auto& [source, added] : cases) {
        session.lstHOSTS.clear();
        session.setTxtHOSTS(1, hosts);
        merge(source);
        EXPECT_EQ(linesOf(session.lstNew), added) << source;
        Lines all{"127.0.0.1 localhost"};
        all.insert(all.end(), added.begin(), added.end());
        EXPECT_EQ(linesOf(session.lstHOSTS), all) << source;
    }
}

// An empty list is rebuilt from the HOSTS file by the source rules, then the source merged.
TEST_F(SessionTest, MergeRebuildsAnEmptyList) {
    writeFile(hosts, "127.0.0.1   a\r\n127.0.0.1 A\r\n# c\r\n# c\r\n\r\nb\r\n");
    session.setTxtHOSTS(1, hosts);
    session.bReload = false;
    merge("a\r\nc\r\n");
    EXPECT_EQ(linesOf(session.lstHOSTS), (Lines{"127.0.0.1 a", "# c", "# c", "127.0.0.1 b", "127.0.0.1 c"}));
    EXPECT_EQ(session.label(L::HOSTS2), "4 items");
    EXPECT_EQ(session.label(L::HOSTS1), "1 items");
    EXPECT_EQ(session.label(L::HOSTS3), "Total: 5");
    EXPECT_TRUE(session.bChanged);
    EXPECT_FALSE(session.bReload);
    EXPECT_EQ(titles(), (Lines{"Loading HOSTS...", "Merging New HOSTS..."}));
    EXPECT_EQ(ui.events.back(), "busy:0");
}

// A list on screen is indexed as it stands (no normalising); a second merge adds only comments again.
TEST_F(SessionTest, MergeIndexesTheListAsItStands) {
    for (const char* line : {"127.0.0.1  x.example", "dup", "DUP"})
        session.lstHOSTS.addItemText(line);
    const std::string list = "#BEGIN of ads\r\nx.example\r\n127.0.0.1 DUP\r\n#END of ads\r\n";
    merge(list);
    merge(list);
    EXPECT_EQ(titles(), (Lines{"Finding Duplicates...", "Merging New HOSTS...", "Finding Duplicates...",
                               "Merging New HOSTS..."}));
    EXPECT_EQ(linesOf(session.lstHOSTS),
              (Lines{"127.0.0.1  x.example", "dup", "DUP", "#BEGIN of ads", "127.0.0.1 x.example", "127.0.0.1 DUP",
                     "#END of ads", "#BEGIN of ads", "#END of ads"}));
    EXPECT_EQ(session.label(L::HOSTS1), "2 items");
}

// A missing HOSTS file is reported and the merge goes on; a missing source list is silent.
TEST_F(SessionTest, MissingFilesDuringAMerge) {
    session.setTxtHOSTS(1, hosts);
    merge("a\r\n");
    ASSERT_EQ(ui.asked.size(), 1u);
    EXPECT_EQ(ui.asked[0], std::make_pair(hosts + " does not exist.", 64));
    EXPECT_EQ(linesOf(session.lstHOSTS), Lines{"127.0.0.1 a"});
    session.bChanged = false;
    session.setTxtHOSTS(0, dir.file("none"));
    session.btnMerge_Click();
    EXPECT_EQ(ui.asked.size(), 1u);
    EXPECT_EQ(session.label(L::HOSTS1), "1 items");
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

// Saving asks the dialog, writes exactly the list after a backup; cancel or failure keep bChanged.
TEST_F(SessionTest, SaveThroughTheDialog) {
    writeFile(hosts, "old\r\n");
    session.lstHOSTS.addItemText("a");
    session.lstHOSTS.addItemText("");
    session.bChanged = true;
    EXPECT_FALSE(session.SaveHOSTS(""));
    const std::string missing = dir.file("no/such/hosts");
    EXPECT_FALSE(session.SaveHOSTS(missing));
    EXPECT_TRUE(session.bChanged);
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_NE(ui.errors[0].find(missing + ": No such file or directory"), std::string::npos) << ui.errors[0];

    platform.saveAnswers = {"  " + hosts + "  "};
    EXPECT_TRUE(session.SaveHOSTS(""));
    const FileDialogRequest& asked = platform.dialogRequests.back();
    EXPECT_EQ(std::make_tuple(asked.title, asked.filter, asked.initialPath, asked.initialName),
              std::make_tuple("Save HOSTS", "Host File", hosts, "HOSTS"));
    EXPECT_EQ(readFile(hosts), "a\r\n\r\n");
    EXPECT_EQ(readFile(hosts + ".bak"), "old\r\n");
    EXPECT_FALSE(session.bChanged);
}

// The closing question: Yes saves and keeps the window, Cancel keeps it, No or a closed box close.
TEST_F(SessionTest, ClosingQuestion) {
    const struct {
        int32_t answer;
        bool closes, saves;
    } cases[] = {{6, false, true}, {7, true, false}, {2, false, false}, {0, true, false}};
    for (const auto& c : cases) {
        session.lstHOSTS.clear();
        session.lstHOSTS.addItemText(std::to_string(c.answer));
        session.bChanged = true;
        ui.answers = {c.answer};
        platform.saveAnswers = {hosts};
        EXPECT_EQ(session.queryClose(), c.closes) << c.answer;
        EXPECT_EQ(ui.asked.back(), std::make_pair(std::string("Do you want to save the changes?"), 3));
        EXPECT_EQ(readFile(hosts) == std::to_string(c.answer) + "\r\n", c.saves) << c.answer;
        EXPECT_EQ(session.bChanged, !c.saves) << c.answer;
    }
}

// Sorting ignores letter case, keeps equal lines in order, and touches neither flags nor labels;
// an empty list still opens and closes both progress windows.
TEST_F(SessionTest, SortThroughTheSortedList) {
    const Lines progress{"busy:1", "show", "close", "title:Sorting...", "show", "close", "busy:0"};
    session.btnSort_Click();
    EXPECT_EQ(ui.events, progress);
    for (const char* line : {"b", "#END of x", "a", "B", "#BEGIN of x", "A", "c"})
        session.lstHOSTS.addItemText(line);
    session.bReload = true;
    ui.events.clear();
    session.btnSort_Click();
    const Lines sorted{"#BEGIN of x", "#END of x", "a", "A", "b", "B", "c"};
    EXPECT_EQ(linesOf(session.lstHOSTS), sorted);
    EXPECT_EQ(linesOf(session.lstSort), sorted);
    EXPECT_FALSE(session.bChanged);
    EXPECT_TRUE(session.bReload);
    EXPECT_EQ(ui.events, progress);
}

// Clearing asks first; only Yes leaves exactly "127.0.0.1 localhost" and counts as a change.
TEST_F(SessionTest, ClearAsksFirst) {
    for (int32_t answer : {7, 0, 6}) {
        session.lstHOSTS.clear();
        session.lstHOSTS.addItemText("x");
        session.setLabel(L::HOSTS3, "Total: 1");
        ui.answers = {answer};
        session.btnClear_Click();
        EXPECT_EQ(ui.asked.back(), std::make_pair(std::string("Do you want to clear the HOSTS file?"), 276));
        EXPECT_EQ(linesOf(session.lstHOSTS), answer == 6 ? Lines{"127.0.0.1 localhost"} : Lines{"x"});
        EXPECT_EQ(session.bChanged, answer == 6);
        EXPECT_EQ(session.label(L::HOSTS3), "Total: 1");
    }
}
