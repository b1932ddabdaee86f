#include "document/HostsDocument.h"

#include "core/PrivilegedSave.h"
#include "platform/FakeProcessRunner.h"
#include "support/FakeUserInterface.h"
#include "support/Lines.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

using namespace velmora;
using velmora::test::Lines;
using velmora::test::linesOf;
using velmora::test::readFile;
using velmora::test::writeFile;

namespace {

const std::string kYesNoCancel = std::to_string(MessageStyle::YesNoCancel);
const std::string kUnchanged = " already holds these lines: nothing was written, and its backup was kept.";

class DocumentTest : public test::DocumentFixture {
protected:
    // The document as loaded from `bytes`, nothing modified.
    void loaded(const std::string& bytes) {
        writeFile(hosts, bytes);
        document.start(false);
        ui.events.clear();
    }
    Lines titles() const {
        Lines result;
        for (const std::string& event : ui.events)
            if (event.starts_with("title:"))
                result.push_back(event.substr(6));
        return result;
    }
};

} // namespace

// Lines are kept exactly as read; the total and the path follow; a missing or empty file changes
// nothing and says nothing. Start-up clears both flags and closes the progress it titled, and the
// window last hears of it with nothing to take back (the read it made was a change on its way).
TEST_F(DocumentTest, LoadAndStartUp) {
    bool undoShown = true;
    document.setTextsListener([&] { undoShown = document.canUndo(); });
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
    EXPECT_EQ(linesOf(document.lines()), (Lines{"a", "", "  127.0.0.1   x  ", "b", "c"}));
    EXPECT_EQ(document.totalStatus(), "Total: 5");
    document.start(false);
    EXPECT_FALSE(undoShown);
    EXPECT_FALSE(document.needsReload());
    EXPECT_FALSE(document.isModified());
    EXPECT_TRUE(document.queryClose());
    EXPECT_TRUE(ui.shown.empty());
}

// The progress window shows for files over 32000 bytes only; progress is reported per block read either way.
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

// Each source line is added in its HOSTS form; duplicates of it, or of a HOSTS line, are dropped.
TEST_F(DocumentTest, NormalisesSourceLines) {
    const std::pair<std::string, Lines> cases[] = {
        {"   ads.example   ", {"127.0.0.1 ads.example"}},
        {"\tads.example", {"127.0.0.1 \tads.example"}},
        {"127.0.0.1   ads.example", {"127.0.0.1 ads.example"}},
        {"127.0.0.1\t   ads.example", {"127.0.0.1 ads.example"}},
        {"127.0.0.1\t\tads.example", {"127.0.0.1 \tads.example"}},
        // Only a first field that is an address keeps a line as written; a name may begin with a digit.
        {"0.0.0.0 \t ads.example", {"0.0.0.0 \t ads.example"}},
        {"127.1   ads.example", {"127.1   ads.example"}},
        {"10.0.0.5\tnas\r\n4294967295 a\r\n10.16777215 b\r\n1.2.65535 c\r\n10.0.0.5",
         {"10.0.0.5\tnas", "4294967295 a", "10.16777215 b", "1.2.65535 c", "10.0.0.5"}},
        {"1drv.example\r\n123movies.example x\r\n3lift.example\r\n0.0.0.0.1 a\r\n256.1.1.1 b\r\n1.2.65536 c\r\n"
         "4294967296 d\r\n10.0.0.5x e\r\n10..1 f",
         {"127.0.0.1 1drv.example", "127.0.0.1 123movies.example x", "127.0.0.1 3lift.example", "127.0.0.1 0.0.0.0.1 a",
          "127.0.0.1 256.1.1.1 b", "127.0.0.1 1.2.65536 c", "127.0.0.1 4294967296 d", "127.0.0.1 10.0.0.5x e",
          "127.0.0.1 10..1 f"}},
        {"0.0.0.0x.example\r\n0.0.0.0\r\n0.0.0.0\tb\r\n0.0.0.0.example c\r\n127.0.0.1x\r\n127.0.0.1\r\n127.0.0.1.x d",
         {"127.0.0.1 0.0.0.0x.example", "0.0.0.0", "0.0.0.0\tb", "127.0.0.1 0.0.0.0.example c", "127.0.0.1 127.0.0.1x",
          "127.0.0.1", "127.0.0.1 127.0.0.1.x d"}},
        {"18446744073709551617 wraps\r\n10.16777216 b\r\n00875333140626 zeros",
         {"127.0.0.1 18446744073709551617 wraps", "127.0.0.1 10.16777216 b", "127.0.0.1 00875333140626 zeros"}},
        {"  # note  ", {"# note"}},
        {"LOCALHOST\r\n127.0.0.1  LocalHost\r\n  \r\n\r\n", {}},
        {"Ads.Example\r\nads.example\r\n", {"127.0.0.1 Ads.Example"}},
        // Letter case anywhere, in texts of every length the index hashes in its own way.
        {"X\r\nx\r\nAbC\r\naBc\r\nAbCdE\r\naBcDe\r\nAbCdEfG\r\naBcDeFg\r\n0.0.0.0 a.B\r\n0.0.0.0 A.b\r\n",
         {"127.0.0.1 X", "127.0.0.1 AbC", "127.0.0.1 AbCdE", "127.0.0.1 AbCdEfG", "0.0.0.0 a.B"}},
        {"# c\r\n# c\r\n", {"# c", "# c"}},
        {";x\r\n;X\r\n", {";x"}},
        // A list cannot name the source of a block (what a later update of every block would read).
        {"#BEGIN of b\r\n  # source: /etc/shadow\r\n#source: kept\r\n#END of b\r\n",
         {"#BEGIN of b", "#source: kept", "#END of b"}},
        // Markers that do not pair up, in any letter case, would make a block of the lines after them.
        {"#begin OF x\r\na\r\n#End Of y\r\n#BEGIN of z\r\n#end of Z\r\n", {"127.0.0.1 a", "#BEGIN of z", "#end of Z"}},
        {"a\nb\rc\n", {"127.0.0.1 a", "127.0.0.1 b", "127.0.0.1 c"}},
        {"::1 localhost ip6-localhost", {"::1 localhost ip6-localhost"}},
        {"Fe80::1%lo0\tlink.local", {"Fe80::1%lo0\tlink.local"}},
        {"::g host\r\nfe80::1% x\r\na:2:3:4:5:6:7:8:: y",
         {"127.0.0.1 ::g host", "127.0.0.1 fe80::1% x", "127.0.0.1 a:2:3:4:5:6:7:8:: y"}},
        // A byte-order mark is no text at the start of any line (lists are often several lists in one).
        {"\xEF\xBB\xBF"
         "ads.example\r\n\xEF\xBB\xBF"
         "127.0.0.1 b\r\nc\xEF\xBB\xBF",
         {"127.0.0.1 ads.example", "127.0.0.1 b", "127.0.0.1 c\xEF\xBB\xBF"}},
    };
    for (const auto& [source, added] : cases) {
        loaded("127.0.0.1 localhost\r\n");
        EXPECT_EQ(merge(source).linesAdded, static_cast<int32_t>(added.size())) << source;
        EXPECT_EQ(linesOf(document.addedLines()), added) << source;
    }
}

// Empty lines, or lines that need a reload, are read again from the HOSTS file before the list is
// merged; either way every HOSTS line stays exactly as written (blank, repeated, indented and bare
// lines too), and holds back the list lines it already has by its normalised form. Only comments repeat.
TEST_F(DocumentTest, MergeKeepsEveryHostsLineAndIndexesItsForm) {
    const Lines file{"127.0.0.1   a",
                     "127.0.0.1 A",
                     "# c",
                     "# c",
                     "",
                     "b",
                     "\t10.0.0.6 nas",
                     "\xEF\xBB\xBF"
                     "d",
                     "0.0.0.0 e  ",
                     "  f"};
    writeFile(hosts, "127.0.0.1   a\r\n127.0.0.1 A\r\n# c\r\n# c\r\n\r\nb\r\n\t10.0.0.6 nas\r\n\xEF\xBB\xBF"
                     "d\r\n0.0.0.0 e  \r\n  f\r\n");
    document.setHostsPath(hosts);
    merge("a\r\nc\r\nB\r\n\t10.0.0.6 nas\r\nd\r\n0.0.0.0 e\r\n127.0.0.1 f\r\n10.0.0.6 nas\r\n# c\r\n");
    Lines merged = file;
    merged.insert(merged.end(), {"127.0.0.1 c", "10.0.0.6 nas", "# c"});
    EXPECT_EQ(linesOf(document.lines()), merged);
    EXPECT_EQ(document.rereadStatus(), "10 items");
    EXPECT_EQ(document.addedStatus(), "3 items");
    EXPECT_EQ(document.totalStatus(), "Total: 13");
    EXPECT_TRUE(document.isModified());
    EXPECT_FALSE(document.needsReload());
    EXPECT_EQ(titles(), (Lines{"Loading HOSTS...", "Merging New HOSTS..."}));
    EXPECT_EQ(ui.events.back(), "busy:0");

    loaded("127.0.0.1  x.example\r\ndup\r\nDUP\r\n");
    const std::string list = "#BEGIN of ads\r\nx.example\r\n127.0.0.1 DUP\r\ny.example\r\n#END of ads\r\n";
    merge(list);
    merge(list);
    EXPECT_EQ(titles(), (Lines{"Finding Duplicates...", "Merging New HOSTS...", "Finding Duplicates...",
                               "Merging New HOSTS..."}));
    EXPECT_EQ(linesOf(document.lines()), (Lines{"127.0.0.1  x.example", "dup", "DUP", "#BEGIN of ads",
                                                "127.0.0.1 y.example", "#END of ads", "#BEGIN of ads", "#END of ads"}));
    EXPECT_EQ(document.addedStatus(), "2 items");
    // The added lines are the last merge's, whatever is done to the HOSTS lines afterwards.
    document.selectAll();
    document.deleteSelected();
    EXPECT_EQ(linesOf(document.addedLines()), (Lines{"#BEGIN of ads", "#END of ads"}));
}

// A missing HOSTS file is told and the merge goes on; a missing list is silent. Reading the HOSTS file
// again makes the lines the file's: with nothing merged the document counts as unmodified.
TEST_F(DocumentTest, MissingFilesDuringAMerge) {
    document.setHostsPath(hosts);
    merge("a\r\n");
    EXPECT_EQ(ui.shown, Lines{"notify:" + hosts + " does not exist."});
    EXPECT_EQ(linesOf(document.lines()), Lines{"127.0.0.1 a"});
    EXPECT_TRUE(document.isModified());
    writeFile(hosts, "127.0.0.1 localhost\r\n10.0.0.1   nas\r\n");
    document.setHostsPath(hosts + "x");
    document.setHostsPath(hosts);
    document.setSourcePath(dir.file("none"));
    EXPECT_TRUE(document.merge().listMissing);
    EXPECT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(linesOf(document.lines()), (Lines{"127.0.0.1 localhost", "10.0.0.1   nas"}));
    EXPECT_EQ(document.addedStatus(), "1 items");
    EXPECT_FALSE(document.isModified());
#ifndef _WIN32
    // A path that cannot be looked at is named with its reason, not called missing.
    const std::string loop = dir.file("loop");
    ::symlink(loop.c_str(), loop.c_str());
    document.setHostsPath(loop);
    merge("a\r\n");
    EXPECT_EQ(ui.shown.back(), "notify:" + loop + ": Too many levels of symbolic links");
#endif
}

// A cancelled prompt or nothing selected changes nothing. A line deleted or added by hand makes the
// next merge start again from the file on disk.
TEST_F(DocumentTest, EditsAreUndoneByTheNextMerge) {
    loaded("on.disk\r\nsecond\r\n");
    document.addLine();
    document.deleteSelected();
    EXPECT_EQ(document.lines().count(), 2);
    EXPECT_FALSE(document.isModified());
    document.selection().selectOnly(0);
    document.deleteSelected();
    EXPECT_TRUE(document.needsReload());
    EXPECT_EQ(document.totalStatus(), "Total: 1");
    ui.texts = {"typed by hand"};
    document.selection().selectOnly(0);
    document.addLine();
    EXPECT_EQ(ui.shown.back(), "text::Enter code to add::second");
    EXPECT_EQ(linesOf(document.lines()), (Lines{"second", "typed by hand"}));
    EXPECT_TRUE(document.isModified());
    merge("new.one\r\n");
    EXPECT_EQ(linesOf(document.lines()), (Lines{"on.disk", "second", "127.0.0.1 new.one"}));
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
    EXPECT_EQ(ui.shown.back(), "text:Find:Enter text to find::ADS");
    EXPECT_EQ(document.selection().current(), 2);
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

// The closing question: Yes saves where the dialog says (a cancelled or failed save keeps the
// changes) and keeps the window, Cancel keeps it, No or a closed box close it unsaved.
TEST_F(DocumentTest, ClosingQuestion) {
    const struct {
        Answer answer;
        std::string saveTo;
        bool closes, saves;
    } cases[] = {{Answer::Yes, "  " + hosts + "  ", false, true},
                 {Answer::Yes, "", false, false},
                 {Answer::Yes, dir.file("no/hosts"), false, false},
                 {Answer::No, hosts, true, false},
                 {Answer::Cancel, hosts, false, false},
                 {Answer::None, hosts, true, false}};
    for (const auto& c : cases) {
        loaded("old\r\n");
        ui.texts = {"new"};
        document.addLine();
        ui.answers = {c.answer};
        ui.saveFiles = {c.saveTo};
        ui.shown.clear();
        EXPECT_EQ(document.queryClose(), c.closes);
        EXPECT_EQ(ui.shown[0], "ask:" + kYesNoCancel + ":Do you want to save the changes?");
        if (c.answer == Answer::Yes) {
            EXPECT_EQ(ui.shown.at(1), "save:" + hosts);
        }
        EXPECT_EQ(readFile(hosts), c.saves ? "old\r\nnew\r\n" : "old\r\n");
        EXPECT_EQ(document.isModified(), !c.saves);
    }
    EXPECT_EQ(readFile(hosts + ".bak"), "old\r\n");
}

// Sorting ignores letter case, keeps equal lines in order and touches neither flags nor texts.
TEST_F(DocumentTest, Sort) {
    loaded("b\r\n#END of x\r\na\r\nB\r\n#BEGIN of x\r\nA\r\nc\r\n");
    document.sort();
    EXPECT_EQ(linesOf(document.lines()), (Lines{"#BEGIN of x", "#END of x", "a", "A", "b", "B", "c"}));
    EXPECT_FALSE(document.isModified());
    EXPECT_FALSE(document.needsReload());

    // The first bar moves while the order is worked out, not only once it is done.
    struct HalfWay : Collation {
        using Collation::order;
        explicit HalfWay(test::FakeUserInterface& fake) : ui(fake) {}
        std::vector<int32_t> order(const EntryList& list, const OrderProgress& progress) override {
            progress(1, 2);
            barHalfWay = ui.bar.barWidth;
            std::vector<int32_t> same(static_cast<size_t>(list.count()));
            std::iota(same.begin(), same.end(), 0);
            return same;
        }
        test::FakeUserInterface& ui;
        int32_t barHalfWay = 0;
    };
    auto halfWay = std::make_unique<HalfWay>(ui);
    HalfWay& seen = *halfWay;
    document.setCollation(std::move(halfWay));
    document.sort();
    EXPECT_EQ(seen.barHalfWay, ProgressBar::kTrackWidth / 2);
}

// Remove block suggests the block the current line begins, asks as --remove does, and only Yes removes
// every block of the name, as a change; a name with no block is told.
TEST_F(DocumentTest, RemoveBlockAsksForTheName) {
    loaded("keep\r\n#BEGIN of ads\r\n127.0.0.1 a\r\n#END of ads\r\nalso\r\n#begin OF ADS\r\nb\r\n#END of ads\r\n");
    document.selection().selectOnly(1);
    const auto question = [](const std::string& name) {
        return "ask:" + std::to_string(MessageStyle::YesNo | MessageStyle::Question | MessageStyle::DefaultButton2) +
               ":Do you want to clear the block(s) '" + name + "' from HOSTS file?";
    };
    ui.texts = {"", " ads ", "ads", "none"};
    ui.answers = {Answer::No, Answer::Yes, Answer::Yes};
    for (int i = 0; i < 2; ++i) // cancelled, then declined
        EXPECT_EQ(document.removeBlockAsking(), 0);
    EXPECT_EQ(document.lines().count(), 8);
    EXPECT_FALSE(document.isModified());
    EXPECT_EQ(document.removeBlockAsking(), 6);
    EXPECT_EQ(linesOf(document.lines()), (Lines{"keep", "also"}));
    EXPECT_EQ(document.totalStatus(), "Total: 2");
    EXPECT_TRUE(document.isModified());
    EXPECT_EQ(document.removeBlockAsking(), 0);
    const std::string prompt = "text:Remove block:Name of the block to remove::";
    EXPECT_EQ(ui.shown, (Lines{prompt + "ads", prompt + "ads", question("ads"), prompt + "ads", question("ads"), prompt,
                               question("none"), "notify:No block named 'none' was found."}));
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
    }
}

// Every change of the lines can be taken back to the same lines and made again, in order; the
// document is unmodified exactly where its lines are those saved, and lines put back are selected.
TEST_F(DocumentTest, UndoAndRedoEveryChange) {
    loaded("#BEGIN of ads\r\n127.0.0.1 a\r\n#END of ads\r\nkeep\r\nB\r\nlast\r\n");
    EXPECT_FALSE(document.canUndo());
    std::vector<Lines> states{linesOf(document.lines())};
    const auto changed = [&] { states.push_back(linesOf(document.lines())); };
    merge("new.one\r\n");
    changed();
    ui.texts = {"ads", "typed"};
    ui.answers = {Answer::Yes, Answer::Yes};
    document.removeBlockAsking();
    changed();
    document.sort();
    changed();
    document.selection().selectOnly(0);
    document.selection().setRangeFromView(2, 2, true);
    document.selection().setRangeFromView(3, 3, true);
    document.deleteSelected();
    changed();
    document.addLine();
    changed();
    const size_t saved = states.size() - 1;
    EXPECT_TRUE(document.save(hosts));
    document.clear();
    changed();
    ASSERT_EQ(states.size(), 7u);
    for (size_t i = states.size() - 1; i-- > 0;) {
        document.undo();
        EXPECT_EQ(linesOf(document.lines()), states[i]) << i;
        EXPECT_EQ(document.isModified(), i != saved) << i;
    }
    EXPECT_FALSE(document.canUndo());
    EXPECT_TRUE(document.needsReload());
    for (size_t i = 1; i < states.size(); ++i) {
        document.redo();
        EXPECT_EQ(linesOf(document.lines()), states[i]) << i;
        EXPECT_EQ(document.isModified(), i != saved) << i;
        if (i == 4) { // the deletion's lines are selected where they come back
            document.undo();
            EXPECT_EQ(document.selection().flags(), (std::vector<uint8_t>{1, 0, 1, 1}));
            EXPECT_EQ(document.selection().current(), 0);
            document.redo();
        }
    }
    EXPECT_FALSE(document.canRedo());
    document.undo();
    ui.texts = {"again"};
    document.addLine();
    EXPECT_FALSE(document.canRedo());
}

// Lines just read (another file opened, a merge that found no list) are the saved ones: an edit
// taken back leaves the document unmodified.
TEST_F(DocumentTest, UndoBackToLinesJustRead) {
    loaded("a\r\n");
    const std::string other = dir.file("other");
    writeFile(other, "b\r\n");
    document.load(other);
    ui.texts = {"x", "y"};
    document.addLine();
    document.undo();
    EXPECT_FALSE(document.isModified());
    document.setSourcePath(dir.file("none"));
    EXPECT_TRUE(document.merge().listMissing);
    document.addLine();
    document.undo();
    EXPECT_EQ(linesOf(document.lines()), Lines{"b"});
    EXPECT_FALSE(document.isModified());
}

// Opening another file taken back returns to the file read before, whole: its path in the box, the
// added lines and counts of its last merge, unsaved as they were, and its bytes as read, so that the
// next merge reads it (not the other file) and a save over it knows it as read. Made again, the opening
// returns to the other file likewise.
TEST_F(DocumentTest, UndoOfOpeningReturnsToTheFileReadBefore) {
    loaded("a\r\n");
    merge("new.one\r\n");
    const std::string other = dir.file("other");
    writeFile(other, "b\r\n");
    int told = 0;
    document.setTextsListener([&] { ++told; });
    document.load(other);
    EXPECT_EQ(document.hostsPath(), other);
    EXPECT_FALSE(document.isModified());
    document.undo();
    EXPECT_GT(told, 0);
    EXPECT_EQ(document.hostsPath(), hosts);
    EXPECT_EQ(document.sourcePath(), listPath);
    EXPECT_EQ(linesOf(document.lines()), (Lines{"a", "127.0.0.1 new.one"}));
    EXPECT_EQ(linesOf(document.addedLines()), Lines{"127.0.0.1 new.one"});
    EXPECT_EQ(document.addedStatus(), "1 items");
    EXPECT_TRUE(document.isModified());
    document.undo();
    EXPECT_FALSE(document.isModified()); // the file's own lines, as read

    document.redo();
    document.redo();
    EXPECT_EQ(document.hostsPath(), other);
    EXPECT_EQ(linesOf(document.lines()), Lines{"b"});
    EXPECT_FALSE(document.isModified());
    document.undo();
    ui.shown.clear();
    EXPECT_TRUE(document.save(hosts)); // over the file as read: nothing to ask
    EXPECT_EQ(ui.shown, Lines{});
    writeFile(hosts, "a\r\nby hand\r\n");
    writeFile(listPath, "new.two\r\n");
    document.merge();
    EXPECT_EQ(linesOf(document.lines()), (Lines{"a", "by hand", "127.0.0.1 new.two"}));
    EXPECT_EQ(document.hostsPath(), hosts);
}

// The command line keeps no history: what was noted before it was switched off can no longer be taken
// back over lines changed without it, and nothing after is noted.
TEST_F(DocumentTest, NoHistoryWhenSwitchedOff) {
    loaded("a\r\n");
    ui.texts = {"x", "y"};
    document.addLine();
    document.setKeepsHistory(false);
    EXPECT_FALSE(document.canUndo());
    document.addLine();
    EXPECT_FALSE(document.canUndo());
    document.undo();
    EXPECT_EQ(linesOf(document.lines()), (Lines{"a", "x", "y"}));
}

// An update of a block is one change. The history holds one earlier copy of the whole list at most: a merge that reads
// the file again after a clear can be taken back to the cleared list, no further. Past a thousand changes the oldest
// go.
TEST_F(DocumentTest, UndoHistoryStaysBounded) {
    const Lines withBlock{"keep", "#BEGIN of ads", "old", "#END of ads"};
    loaded("keep\r\n#BEGIN of ads\r\nold\r\n#END of ads\r\n");
    writeFile(listPath, "new.example\r\n");
    EXPECT_TRUE(document.updateBlocks({{"ads", "here", {}, listPath}}).rebuild.changed);
    document.undo();
    EXPECT_EQ(linesOf(document.lines()), withBlock);
    document.redo();
    EXPECT_EQ(document.lines().text(3), test::kTestUpdated);
    EXPECT_EQ(document.lines().text(4), "127.0.0.1 new.example");

    loaded("on.disk\r\n");
    ui.answers = {Answer::Yes};
    ui.texts = {"typed"};
    document.clear();
    document.addLine();
    merge("new.one\r\n");
    EXPECT_EQ(linesOf(document.lines()), (Lines{"on.disk", "127.0.0.1 new.one"}));
    document.undo();
    EXPECT_EQ(linesOf(document.lines()), (Lines{"127.0.0.1 localhost", "typed"}));
    EXPECT_TRUE(document.needsReload()); // as the hand edit left it
    document.undo();
    EXPECT_EQ(linesOf(document.lines()), Lines{"127.0.0.1 localhost"});
    EXPECT_FALSE(document.canUndo());

    loaded("first\r\n");
    for (int i = 0; i < 1001; ++i) {
        ui.texts = {std::to_string(i)};
        document.addLine();
    }
    int undone = 0;
    for (; document.canUndo(); ++undone)
        document.undo();
    EXPECT_EQ(undone, 1000);
    EXPECT_EQ(linesOf(document.lines()), (Lines{"first", "0"}));
    EXPECT_TRUE(document.isModified()); // the oldest change is gone, not taken back
}

// Saving over a file another program changed after it was read asks first. Cancel changes nothing,
// Yes overwrites, No reads the file again and merges the last merge's lines into it, unsaved.
TEST_F(DocumentTest, ChangedFileAsksBeforeSaving) {
    const std::string outside = "127.0.0.1 localhost\r\n10.0.0.9 outside\r\n";
    for (Answer answer : {Answer::Cancel, Answer::Yes, Answer::No}) {
        SCOPED_TRACE(static_cast<int>(answer));
        loaded("127.0.0.1 localhost\r\n");
        merge("ads.example\r\n");
        writeFile(hosts, outside);
        ui.shown.clear();
        ui.answers = {answer};
        const bool yes = answer == Answer::Yes;
        EXPECT_EQ(document.save(hosts), yes);
        ASSERT_EQ(ui.shown.size(), 1u);
        EXPECT_TRUE(ui.shown[0].starts_with("ask:563:" + hosts + " was changed by another program")) << ui.shown[0];
        EXPECT_EQ(readFile(hosts), yes ? "127.0.0.1 localhost\r\n127.0.0.1 ads.example\r\n" : outside);
        const Lines kept = answer == Answer::No
                               ? Lines{"127.0.0.1 localhost", "10.0.0.9 outside", "127.0.0.1 ads.example"}
                               : Lines{"127.0.0.1 localhost", "127.0.0.1 ads.example"};
        EXPECT_EQ(linesOf(document.lines()), kept);
        EXPECT_EQ(linesOf(document.addedLines()), Lines{"127.0.0.1 ads.example"});
        EXPECT_EQ(document.isModified(), !yes);
        if (answer != Answer::Cancel) {
            // What was read again, or saved, is what the next saves compare with: no second question.
            // Saving what the file already holds writes nothing, and says so.
            EXPECT_TRUE(document.save(hosts));
            document.resetToLocalhost();
            EXPECT_TRUE(document.save(hosts));
            const Lines told{ui.shown[0], "notify:" + hosts + kUnchanged};
            EXPECT_EQ(ui.shown, yes ? told : Lines{ui.shown[0]});
        }
    }
}

// While another writer holds the lock the save waits briefly, then fails naming it; nothing is lost.
// Where another user may plant files, a refused save leaves no lock or journal of its own there.
TEST_F(DocumentTest, SaveRefusedKeepsEverything) {
    loaded("127.0.0.1 localhost\r\n");
    merge("ads.example\r\n");
    document.setLockWait(50);
    HostsLock other = HostsLock::acquire(files, hosts, 0);
    EXPECT_FALSE(document.save(hosts));
    EXPECT_EQ(ui.shown, Lines{"error:The HOSTS list was not saved. " + hosts + ": process " +
                              std::to_string(::getpid()) + " is saving it; try again when it has finished."});
    EXPECT_TRUE(document.isModified());
    other.release();
#ifndef _WIN32 // folders that other users may change are told apart by their mode
    std::remove(lockPathFor(hosts).c_str());
    ::chmod(dir.path().c_str(), 0777);
    EXPECT_FALSE(document.save(hosts));
    EXPECT_EQ(ui.shown.size(), 2u);
    EXPECT_EQ(readFile(lockPathFor(hosts)), "<missing>");
    ::chmod(dir.path().c_str(), 0700);
#endif
    EXPECT_TRUE(document.save(hosts));
}

// A list that fails part way adds nothing: the lines, the added lines and the modified state are as
// they were, and the user is told which list and why.
TEST_F(DocumentTest, ListFailingPartWayChangesNothing) {
    loaded("127.0.0.1 localhost\r\n");
    std::string big;
    for (int i = 0; i < 20000; ++i) // more than one piece
        big += "host" + std::to_string(i) + ".example\r\n";
    files.failOp(FakeFileSystem::Op::Read, EIO, 1);
    const MergeResult result = merge(big);
    EXPECT_EQ(result.listReadError, EIO);
    EXPECT_EQ(result.linesAdded, 0);
    EXPECT_EQ(linesOf(document.lines()), Lines{"127.0.0.1 localhost"});
    EXPECT_EQ(document.addedLines().count(), 0);
    EXPECT_FALSE(document.isModified());
    EXPECT_EQ(ui.shown, Lines{"error:The list " + listPath + " could not be read to its end: Input/output error"});
}

// A HOSTS file read only in part (a load, or a merge that reads it again) is told once with its path
// and reason; saving what was read is asked once per read, and No leaves the file whole.
TEST_F(DocumentTest, PartlyReadHostsFileIsToldAndAskedBeforeSaving) {
    std::string big;
    for (int i = 0; big.size() <= 2 * kReadChunk; ++i) // more than one piece
        big += "127.0.0.1 host" + std::to_string(i) + ".example\r\n";
    const std::string told = "error:" + hosts +
                             " could not be read to its end: Input/output error. The list shows the lines read before "
                             "that point.";
    const std::string asked =
        "ask:" + std::to_string(MessageStyle::YesNo | MessageStyle::Exclamation | MessageStyle::DefaultButton2) + ":" +
        hosts +
        " was not read to its end (Input/output error), so this list lacks the lines after the point where "
        "reading stopped.\n\n"
        "Save the list as it is anyway?";
    for (const bool byMerge : {false, true}) {
        writeFile(hosts, big);
        document.setHostsPath(hosts);
        ui.shown.clear();
        files.failOp(FakeFileSystem::Op::Read, EIO, 1);
        byMerge ? (void)merge("new.example\r\n") : (void)document.load(hosts);
        files.clearFaults();
        EXPECT_EQ(ui.shown, Lines{told}) << byMerge;
        ui.answers = {Answer::No, Answer::Yes};
        EXPECT_FALSE(document.save(hosts));
        EXPECT_EQ(readFile(hosts), big);
        EXPECT_TRUE(document.save(hosts));
        EXPECT_TRUE(document.save(hosts)); // asked once
        EXPECT_EQ(ui.shown, (Lines{told, asked, asked, "notify:" + hosts + kUnchanged})) << byMerge;
        // Whole lines only: the line the failure cut is not saved as if it were one.
        std::string saved = readFile(hosts);
        if (byMerge && saved.ends_with("127.0.0.1 new.example\r\n"))
            saved.resize(saved.size() - 23);
        EXPECT_LT(saved.size(), big.size());
        EXPECT_TRUE(big.starts_with(saved) && saved.ends_with("\r\n")) << saved.substr(saved.size() - 40);
    }
}

// A save that fails for permission (EACCES, EPERM) is offered as an administrator's save only to a
// user who is not root, and only for the file the helper writes (another would not be the one saved);
// Yes runs pkexec, No does not. What the helper did not do leaves the list modified, and says why.
TEST_F(DocumentTest, PermissionFailureOffersAdministratorSave) {
    const std::string plain = "error:The HOSTS list was not saved. Cannot write the backup " + hosts + ".bak: ";
    FakeProcessRunner runner;
    runner.answer.exitStatus = kHelperSaveFailed;
    runner.answer.errors = hosts + ": No space left on device\n";
    const struct {
        uint32_t user;
        int error;
        std::string helperTarget;
        Answer answer;
        Lines shown; // after the question, when there is one
    } cases[] = {
        {1000,
         EACCES,
         hosts,
         Answer::Yes,
         {"error:The HOSTS list was not saved to " + hosts + "; it is still unsaved. " + hosts +
          ": No space left on device"}},
        {1000, EPERM, hosts, Answer::No, {}},
        {0, EACCES, hosts, Answer::Yes, {plain + "Permission denied"}},
        {1000, EACCES, dir.file("other"), Answer::Yes, {plain + "Permission denied"}},
        {1000, ENOSPC, hosts, Answer::Yes, {plain + "No space left on device"}},
    };
    writeFile(listPath, "the helper");
    for (const auto& c : cases) {
        loaded("10.0.0.1 a\n");
        document.resetToLocalhost();
        ui.shown.clear();
        runner.calls.clear();
        files.fakeUserId = c.user;
        files.failOp(FakeFileSystem::Op::CreateExclusive, c.error, 0, -1);
        document.enableAdministratorSave(runner, listPath, c.helperTarget);
        ui.answers = {c.answer};
        EXPECT_FALSE(document.save(hosts));
        files.clearFaults();
        const bool asked = !ui.shown.empty() && ui.shown[0].starts_with("ask:");
        EXPECT_EQ(asked, c.user != 0 && c.helperTarget == hosts && c.error != ENOSPC) << c.shown.size();
        EXPECT_EQ(Lines(ui.shown.begin() + asked, ui.shown.end()), c.shown);
        EXPECT_EQ(runner.calls.size(), asked && c.answer == Answer::Yes ? 1u : 0u);
        EXPECT_TRUE(document.isModified());
    }
}

// Starting the window reads the file and takes no lock: no lock file is left beside it, present or
// missing. A save cut short is finished at start-up only over what it could have left; a file changed
// by hand since is kept, and the user is told where the unfinished save is.
TEST_F(DocumentTest, StartUpLocksOnlyToRecover) {
    for (const bool present : {true, false}) {
        if (present)
            writeFile(hosts, "127.0.0.1 localhost\n");
        else
            std::remove(hosts.c_str());
        document.start(false);
        EXPECT_FALSE(std::filesystem::exists(lockPathFor(hosts))) << present;
    }
    const std::string old = "127.0.0.1 localhost\n";
    const std::string edited = old + "10.0.0.7 by-hand\n";
    FakeFileSystem killed;
    killed.failOp(FakeFileSystem::Op::Rename, EBUSY, 1);
    for (killed.stopAfterChanges = 0; !std::filesystem::exists(journalPathFor(hosts)); ++killed.stopAfterChanges) {
        writeFile(hosts, old);
        killed.changes = 0;
        killed.clearFaults();
        killed.failOp(FakeFileSystem::Op::Rename, EBUSY, 1);
        saveHostsFile(killed, hosts, test::listOf({"0.0.0.0 ads.example"}), LineConvention::Posix);
    }
    writeFile(hosts, edited);
    ui.shown.clear();
    document.start(false);
    EXPECT_EQ(readFile(hosts), edited);
    EXPECT_EQ(readFile(hosts + ".unfinished-save"), "0.0.0.0 ads.example\n");
    EXPECT_EQ(ui.shown, Lines{"notify:" + hosts +
                              " was changed after a save that was cut short, so that save was not finished and the "
                              "file was left as it is. The lines that save was writing are in " +
                              hosts + ".unfinished-save."});
    EXPECT_EQ(linesOf(document.lines()), (Lines{"127.0.0.1 localhost", "10.0.0.7 by-hand"}));
    // The journal of a failed save that could not put the old bytes back is looked at as well.
    std::filesystem::rename(hosts + ".unfinished-save", rollbackPathFor(hosts));
    writeFile(rollbackPathFor(hosts), "not a journal");
    document.start(false);
    EXPECT_FALSE(std::filesystem::exists(rollbackPathFor(hosts)));
}
