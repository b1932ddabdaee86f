#include "document/HostsDocument.h"

#include "platform/FakeEnvironment.h"
#include "platform/FakeFileSystem.h"
#include "support/FakeUserInterface.h"
#include "support/Lines.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sys/stat.h>

using namespace velmora;
using velmora::test::Lines;
using velmora::test::linesOf;
using velmora::test::readFile;
using velmora::test::writeFile;
using Op = FakeFileSystem::Op;

namespace {

const std::string kHosts = "127.0.0.1 localhost\r\n10.0.0.1   nas\r\n";
const Lines kHostsLines = {"127.0.0.1 localhost", "10.0.0.1   nas"};

class DocumentTest : public ::testing::Test {
protected:
    DocumentTest() {
        environment.variables["VELMORA_HOSTS"] = hosts;
        document.setLineConvention(LineConvention::Windows);
    }
    MergeResult merge(const std::string& list) {
        writeFile(listPath, list);
        document.setSourcePath(listPath);
        return document.merge();
    }
    // The document as loaded from `bytes`, nothing modified.
    void loaded(const std::string& bytes) {
        writeFile(hosts, bytes);
        document.start(false);
        ui.events.clear();
    }
    Lines titles() const {
        Lines result;
        for (const std::string& event : ui.events)
            if (event.rfind("title:", 0) == 0)
                result.push_back(event.substr(6));
        return result;
    }

    test::TempDir dir;
    std::string hosts = dir.file("hosts");
    std::string listPath = dir.file("list.txt");
    FakeFileSystem files;
    FakeEnvironment environment;
    test::FakeUserInterface ui;
    HostsDocument document{files, environment, ui};
};

const std::string kYesNoCancel = std::to_string(MessageStyle::YesNoCancel);

} // namespace

// Lines are kept exactly as read; the total and the path follow; a missing or empty file changes
// nothing and says nothing. Start-up clears both flags and closes the progress it titled.
TEST_F(DocumentTest, LoadAndStartUp) {
    document.start(false);
    EXPECT_EQ(document.hostsPath(), "");
    EXPECT_EQ(ui.events, (Lines{"title:Loading HOSTS...", "close"}));
    writeFile(hosts, "");
    document.load(hosts);
    EXPECT_EQ(document.hostsPath(), "");
    writeFile(hosts, "a\r\n\r\n  127.0.0.1   x  \r\nb\nc");
    document.start(true);
    EXPECT_EQ(document.lines().count(), 0);
    EXPECT_EQ(document.hostsPath(), hosts);
    EXPECT_TRUE(document.load(hosts));
    EXPECT_EQ(linesOf(document.lines()), (Lines{"a", "", "  127.0.0.1   x  ", "b\nc"}));
    EXPECT_EQ(document.totalStatus(), "Total: 4");
    document.start(false);
    EXPECT_FALSE(document.needsReload());
    EXPECT_FALSE(document.isModified());
    EXPECT_TRUE(document.queryClose());
    EXPECT_TRUE(ui.shown.empty());
}

// The progress window shows for files over 32000 bytes only; progress is reported per line either way.
TEST_F(DocumentTest, ProgressOnlyForLargeFiles) {
    for (size_t size : {32000u, 32001u}) {
        writeFile(hosts, std::string(size - 2, 'x') + "\r\n");
        ui.events.clear();
        ui.steps = 0;
        document.load(hosts);
        EXPECT_EQ(std::count(ui.events.begin(), ui.events.end(), "show"), size > 32000 ? 1 : 0) << size;
        EXPECT_EQ(ui.steps, 1);
    }
}

// Each source line lands in its HOSTS form after the HOSTS lines; duplicates of them are dropped.
TEST_F(DocumentTest, NormalisesSourceLines) {
    const std::pair<std::string, Lines> cases[] = {
        {"   ads.example   ", {"127.0.0.1 ads.example"}},
        {"\tads.example", {"127.0.0.1 \tads.example"}},
        {"127.0.0.1   ads.example", {"127.0.0.1 ads.example"}},
        {"127.0.0.1\t   ads.example", {"127.0.0.1 ads.example"}},
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
        // IPv6 address lines are kept as written; a byte-order mark is dropped only at the start.
        {"::1 localhost ip6-localhost", {"::1 localhost ip6-localhost"}},
        {"fe80::1%lo0\tlink.local", {"fe80::1%lo0\tlink.local"}},
        {"::g host", {"127.0.0.1 ::g host"}},
        {"\xEF\xBB\xBF"
         "ads.example\r\n\xEF\xBB\xBF"
         "b",
         {"127.0.0.1 ads.example", "127.0.0.1 \xEF\xBB\xBF"
                                   "b"}},
    };
    for (const auto& [source, added] : cases) {
        loaded("127.0.0.1 localhost\r\n");
        const MergeResult result = merge(source);
        EXPECT_EQ(linesOf(document.addedLines()), added) << source;
        EXPECT_EQ(result.linesAdded, static_cast<int32_t>(added.size())) << source;
        Lines all{"127.0.0.1 localhost"};
        all.insert(all.end(), added.begin(), added.end());
        EXPECT_EQ(linesOf(document.lines()), all) << source;
    }
}

// Empty lines, or lines that need a reload, are rebuilt from the HOSTS file by the list rules before
// the list is merged; lines on screen are otherwise indexed as they stand, and only comments repeat.
TEST_F(DocumentTest, MergeRebuildsOrIndexes) {
    writeFile(hosts, "127.0.0.1   a\r\n127.0.0.1 A\r\n# c\r\n# c\r\n\r\nb\r\n");
    document.setHostsPath(hosts);
    merge("a\r\nc\r\n");
    EXPECT_EQ(linesOf(document.lines()), (Lines{"127.0.0.1 a", "# c", "# c", "127.0.0.1 b", "127.0.0.1 c"}));
    EXPECT_EQ(document.rereadStatus(), "4 items");
    EXPECT_EQ(document.addedStatus(), "1 items");
    EXPECT_EQ(document.totalStatus(), "Total: 5");
    EXPECT_TRUE(document.isModified());
    EXPECT_FALSE(document.needsReload());
    EXPECT_EQ(titles(), (Lines{"Loading HOSTS...", "Merging New HOSTS..."}));
    EXPECT_EQ(ui.events.back(), "busy:0");

    loaded("127.0.0.1  x.example\r\ndup\r\nDUP\r\n");
    const std::string list = "#BEGIN of ads\r\nx.example\r\n127.0.0.1 DUP\r\n#END of ads\r\n";
    merge(list);
    merge(list);
    EXPECT_EQ(titles(), (Lines{"Finding Duplicates...", "Merging New HOSTS...", "Finding Duplicates...",
                               "Merging New HOSTS..."}));
    EXPECT_EQ(linesOf(document.lines()),
              (Lines{"127.0.0.1  x.example", "dup", "DUP", "#BEGIN of ads", "127.0.0.1 x.example", "127.0.0.1 DUP",
                     "#END of ads", "#BEGIN of ads", "#END of ads"}));
    EXPECT_EQ(document.addedStatus(), "2 items");
}

// A missing HOSTS file is told and the merge goes on; a missing list is silent. Reading the HOSTS file
// again makes the lines the file's: with nothing merged the document counts as unmodified.
TEST_F(DocumentTest, MissingFilesDuringAMerge) {
    document.setHostsPath(hosts);
    merge("a\r\n");
    EXPECT_EQ(ui.shown, Lines{"notify:" + hosts + " does not exist."});
    EXPECT_EQ(linesOf(document.lines()), Lines{"127.0.0.1 a"});
    EXPECT_TRUE(document.isModified());
    writeFile(hosts, kHosts);
    document.setHostsPath(hosts + "x");
    document.setHostsPath(hosts);
    document.setSourcePath(dir.file("none"));
    EXPECT_TRUE(document.merge().listMissing);
    EXPECT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(linesOf(document.lines()), kHostsLines);
    EXPECT_EQ(document.addedStatus(), "1 items");
    EXPECT_FALSE(document.isModified());
}

// Editing by hand: a line added or deleted makes the next merge start again from the file on disk.
TEST_F(DocumentTest, EditsAreUndoneByTheNextMerge) {
    loaded("on.disk\r\nsecond\r\n");
    ui.texts = {"typed by hand"};
    document.selection().selectOnly(1);
    document.addLine();
    EXPECT_EQ(ui.shown.back(), "text::Enter code to add::second");
    document.selection().selectOnly(0);
    document.deleteSelected();
    EXPECT_EQ(linesOf(document.lines()), (Lines{"second", "typed by hand"}));
    EXPECT_EQ(document.totalStatus(), "Total: 2");
    EXPECT_TRUE(document.isModified());
    EXPECT_TRUE(document.needsReload());
    merge("new.one\r\n");
    EXPECT_EQ(linesOf(document.lines()), (Lines{"127.0.0.1 on.disk", "127.0.0.1 second", "127.0.0.1 new.one"}));
}

// A cancelled prompt or nothing selected changes nothing; select all then delete empties the list.
TEST_F(DocumentTest, EditingWithoutEffect) {
    loaded("a\r\nb\r\n");
    document.addLine();
    document.deleteSelected();
    EXPECT_EQ(linesOf(document.lines()), (Lines{"a", "b"}));
    EXPECT_FALSE(document.isModified());
    document.selectAll();
    document.deleteSelected();
    EXPECT_TRUE(document.needsReload());
    EXPECT_EQ(document.lines().count(), 0);
    EXPECT_EQ(document.selection().current(), -1);
}

// Find asks on first use or when told to, searches forward from the line after the current one,
// ignoring case, selects only the hit, and says when there is none.
TEST_F(DocumentTest, FindSearchesForward) {
    loaded("alpha\r\nAds one\r\nbeta\r\nads two\r\n");
    ui.texts = {"ADS"};
    EXPECT_EQ(document.find(false), FindResult::Found);
    EXPECT_EQ(ui.shown.back(), "text:Find:Enter text to find::");
    EXPECT_EQ(document.selection().current(), 1);
    EXPECT_EQ(document.find(false), FindResult::Found);
    EXPECT_EQ(document.selection().current(), 3);
    EXPECT_EQ(document.selection().selectedCount(), 1);
    EXPECT_EQ(document.find(false), FindResult::NotFound);
    EXPECT_EQ(ui.shown.back(), "notify:'ADS' not found.");
    EXPECT_EQ(document.selection().selectedCount(), 0);
    ui.texts = {"beta"};
    document.selection().selectOnly(0);
    EXPECT_EQ(document.find(true), FindResult::Found);
    EXPECT_EQ(ui.shown[ui.shown.size() - 1], "text:Find:Enter text to find::ADS");
    EXPECT_EQ(document.selection().current(), 2);
    EXPECT_EQ(document.searchText(), "beta");
}

// Picking an added line selects the equal HOSTS line (case ignored), or nothing when there is none.
TEST_F(DocumentTest, AddedLinePicksItsHostsLine) {
    loaded("127.0.0.1 X.example\r\nkeep\r\n");
    merge("x.example\r\nnew.example\r\n");
    document.selection().selectOnly(1);
    document.addedSelection().setCurrentFromView(0);
    document.selectCurrentAddedLine();
    EXPECT_EQ(document.selection().current(), 2);
    EXPECT_EQ(document.selection().selectedCount(), 1);
    document.addedSelection().setCurrentFromView(5);
    document.selectCurrentAddedLine();
    EXPECT_EQ(document.selection().selectedCount(), 0);
}

// Saving asks where, writes exactly the lines after a backup; cancel or failure keep it modified.
TEST_F(DocumentTest, SaveThroughTheDialog) {
    loaded("old\r\n");
    ui.texts = {"a"};
    document.addLine();
    EXPECT_FALSE(document.save());
    EXPECT_EQ(ui.shown.back(), "save:" + hosts);
    const std::string missing = dir.file("no/such/hosts");
    EXPECT_FALSE(document.save(missing));
    EXPECT_TRUE(document.isModified());
    EXPECT_EQ(ui.shown.back(), "error:The HOSTS list was not saved. " + missing + ": No such file or directory");
    ui.saveFiles = {"  " + hosts + "  "};
    EXPECT_TRUE(document.save());
    EXPECT_EQ(readFile(hosts), "old\r\na\r\n");
    EXPECT_EQ(readFile(hosts + ".bak"), "old\r\n");
    EXPECT_FALSE(document.isModified());
}

// The closing question: Yes saves and keeps the window, Cancel keeps it, No or a closed box close.
TEST_F(DocumentTest, ClosingQuestion) {
    const struct {
        Answer answer;
        bool closes, saves;
    } cases[] = {{Answer::Yes, false, true},
                 {Answer::No, true, false},
                 {Answer::Cancel, false, false},
                 {Answer::None, true, false}};
    for (const auto& c : cases) {
        loaded("old\r\n");
        ui.texts = {"new"};
        document.addLine();
        ui.answers = {c.answer};
        ui.saveFiles = {hosts};
        EXPECT_EQ(document.queryClose(), c.closes);
        EXPECT_EQ(ui.shown.back(),
                  c.saves ? "save:" + hosts : "ask:" + kYesNoCancel + ":Do you want to save the changes?");
        EXPECT_EQ(readFile(hosts) == "old\r\nnew\r\n", c.saves);
        EXPECT_EQ(document.isModified(), !c.saves);
    }
}

// Sorting ignores letter case, keeps equal lines in order and touches neither flags nor texts; an
// empty list still opens and closes both progress windows.
TEST_F(DocumentTest, Sort) {
    const Lines progress{"busy:1", "show", "close", "title:Sorting...", "show", "close", "busy:0"};
    document.sort();
    EXPECT_EQ(ui.events, progress);
    loaded("b\r\n#END of x\r\na\r\nB\r\n#BEGIN of x\r\nA\r\nc\r\n");
    document.setHostsPath(hosts + "2");
    document.sort();
    EXPECT_EQ(linesOf(document.lines()), (Lines{"#BEGIN of x", "#END of x", "a", "A", "b", "B", "c"}));
    EXPECT_FALSE(document.isModified());
    EXPECT_TRUE(document.needsReload());
    EXPECT_EQ(ui.events, progress);
}

// Clearing asks first; only Yes leaves exactly "127.0.0.1 localhost" and counts as a change.
TEST_F(DocumentTest, ClearAsksFirst) {
    const std::string question =
        "ask:" + std::to_string(MessageStyle::YesNo | MessageStyle::Critical | MessageStyle::DefaultButton2) +
        ":Do you want to clear the HOSTS file?";
    for (Answer answer : {Answer::No, Answer::None, Answer::Yes}) {
        loaded("x\r\n");
        ui.answers = {answer};
        document.clear();
        EXPECT_EQ(ui.shown.back(), question);
        EXPECT_EQ(linesOf(document.lines()), answer == Answer::Yes ? Lines{"127.0.0.1 localhost"} : Lines{"x"});
        EXPECT_EQ(document.isModified(), answer == Answer::Yes);
        EXPECT_EQ(document.totalStatus(), "Total: 1");
    }
}

// A merge with the HOSTS file or the list not a readable file ends, tells only of a missing HOSTS
// file, and a save afterwards writes exactly the lines and backs up exactly the old bytes, or refuses
// a path that is not a file and leaves it be.
TEST_F(DocumentTest, UnreadablePathsLoseNothing) {
    enum Fault { Folder, Fifo, Vanishes, PermissionLost };
    const std::string adsOnly = "127.0.0.1 ads.example\r\n";
    const struct {
        bool hostsFaulty; // else the list is
        Fault fault;
        bool notice, incomplete;  // the HOSTS file told missing; its lines known to be lacking
        const std::string* saved; // the HOSTS file after the save; nullptr: not a file, left be
    } cases[] = {
        {true, Folder, true, false, nullptr},
        {true, Fifo, true, false, nullptr},
        // The file was there a moment ago: no notice, but the lines are known to lack its lines.
        {true, Vanishes, false, true, &adsOnly},
        {true, PermissionLost, false, true, &adsOnly},
        {false, Folder, false, false, &kHosts},
        {false, Fifo, false, false, &kHosts},
        {false, Vanishes, false, false, &kHosts},
    };
    for (const auto& c : cases) {
        test::TempDir here;
        const std::string hostsFile = here.file("hosts");
        const std::string list = here.file("list.txt");
        writeFile(hostsFile, kHosts);
        writeFile(list, "ads.example\r\n");
        const std::string& faulty = c.hostsFaulty ? hostsFile : list;
        if (c.fault == Folder || c.fault == Fifo) {
            std::remove(faulty.c_str());
            c.fault == Folder ? ::mkdir(faulty.c_str(), 0755) : ::mkfifo(faulty.c_str(), 0644);
        } else {
            // The presence check passes; the open after it fails. The list is opened first, to see
            // that it can be read before anything changes.
            files.failOp(Op::OpenRead, c.fault == Vanishes ? ENOENT : EACCES, c.hostsFaulty ? 1 : 0);
        }
        test::FakeUserInterface fresh;
        HostsDocument merged(files, environment, fresh);
        merged.setLineConvention(LineConvention::Windows);
        merged.setHostsPath(hostsFile);
        merged.setSourcePath(list);
        merged.merge();
        files.clearFaults();
        SCOPED_TRACE(faulty + " " + std::to_string(c.fault));
        EXPECT_EQ(linesOf(merged.lines()), c.hostsFaulty ? Lines{"127.0.0.1 ads.example"} : kHostsLines);
        EXPECT_EQ(merged.hostsReadIncomplete(), c.incomplete);
        EXPECT_EQ(merged.save(hostsFile), c.saved != nullptr);
        Lines told;
        if (c.notice)
            told.push_back("notify:" + hostsFile + " does not exist.");
        if (c.saved) {
            EXPECT_EQ(readFile(hostsFile), *c.saved);
            EXPECT_EQ(readFile(hostsFile + ".bak"), kHosts);
        } else {
            told.push_back("error:The HOSTS list was not saved. " + hostsFile + ": not a regular file");
            struct stat st {};
            ::lstat(hostsFile.c_str(), &st);
            EXPECT_TRUE(c.fault == Folder ? S_ISDIR(st.st_mode) : S_ISFIFO(st.st_mode));
            EXPECT_FALSE(test::exists(hostsFile + ".bak"));
        }
        EXPECT_EQ(fresh.shown, told);
    }
}

// A list that another program appends to while it is read: every line of the list and of what was
// appended arrives whole and once, and the save keeps every HOSTS line.
TEST_F(DocumentTest, ListAppendedWhileRead) {
    std::string source;
    Lines expected = kHostsLines;
    for (int i = 0; i < 6000; ++i) { // over 64 KiB, so it is read in several pieces
        source += "host" + std::to_string(i) + ".example\r\n";
        expected.push_back("127.0.0.1 host" + std::to_string(i) + ".example");
    }
    loaded(kHosts);
    int appends = 0;
    files.beforeRead = [&](int) {
        if (++appends > 3)
            return;
        std::ofstream(listPath, std::ios::binary | std::ios::app) << "late" << appends << ".example\r\n";
        expected.push_back("127.0.0.1 late" + std::to_string(appends) + ".example");
    };
    merge(source);
    files.beforeRead = nullptr;
    EXPECT_EQ(linesOf(document.lines()), expected);
    ASSERT_TRUE(document.save(hosts));
    std::string bytes;
    for (const std::string& line : expected)
        bytes += line + "\r\n";
    EXPECT_EQ(readFile(hosts), bytes);
    EXPECT_EQ(readFile(hosts + ".bak"), kHosts);
}
