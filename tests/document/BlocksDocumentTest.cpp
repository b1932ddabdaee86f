// The window's blocks through the document: each switch, update and addition is one change of the
// lines that leaves them unsaved until saved; a download can be cancelled; undo puts back what a merge
// showed; a sort alone never counts as unsaved.
#include "document/HostsDocument.h"
#include "support/FakeUserInterface.h"
#include "support/HttpServer.h"
#include "support/Lines.h"

#include <gtest/gtest.h>

using namespace velmora;
using namespace velmora::test;

namespace {

class BlocksDocumentTest : public DocumentFixture {
protected:
    BlocksDocumentTest() {
        // Where downloads are kept, on either system.
        environment.variables["XDG_CACHE_HOME"] = dir.file("cache");
        environment.variables["LOCALAPPDATA"] = dir.file("cache");
        document.setDownloader(&systemDownloader());
    }
    void loaded(const std::string& bytes) {
        writeFile(hosts, bytes);
        document.start(false);
        ui.events.clear();
        ui.shown.clear();
    }
    std::string list(const std::string& name, const std::string& bytes) {
        const std::string path = dir.file(name);
        writeFile(path, bytes);
        return path;
    }
    LocalHttpServer server{[](const HttpRequest& request) -> HttpReply {
        if (request.path == "/stall")
            return {200, "OK", {}, std::string(100, 'b'), true, true};
        return {200, "OK", {}, "web.example\n"};
    }};
};

// Switching a block off and on through the window: one change each, unsaved until saved, taken back
// by undo; saved off and on again, the file has its bytes back.
TEST_F(BlocksDocumentTest, SwitchingIsOneChangeUntilSaved) {
    const std::string a = list("a.txt", "a.example\n");
    const std::string before = "127.0.0.1 localhost\r\n#BEGIN of lan\r\n10.0.0.5 nas\r\n#END of lan\r\n#BEGIN of a\r\n"
                               "# source: " +
                               a + "\r\n127.0.0.1 a.example\r\n#END of a\r\n";
    loaded(before);
    const Lines on = linesOf(document.lines());
    EXPECT_EQ(document.switchBlock("lan", false).status, BlockSwitchStatus::Switched);
    EXPECT_TRUE(document.isModified());
    EXPECT_EQ(document.lines().text(3), "#off 10.0.0.5 nas");
    EXPECT_EQ(document.totalStatus(), "Total: 9");
    document.undo();
    EXPECT_EQ(std::pair(linesOf(document.lines()), document.isModified()), std::pair(on, false));
    document.redo();
    EXPECT_TRUE(document.isModified());
    EXPECT_EQ(document.switchBlock("a", false).status, BlockSwitchStatus::Switched);
    EXPECT_EQ(document.switchBlock("a", false).status, BlockSwitchStatus::AlreadySo);
    const std::vector<BlockInfo> blocks = document.blocks();
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_TRUE(blocks[0].off && blocks[1].off);
    EXPECT_TRUE(document.save(hosts));
    EXPECT_FALSE(document.isModified());
    document.switchBlock("LAN", true);
    document.switchBlock("a", true);
    EXPECT_TRUE(document.isModified());
    EXPECT_TRUE(document.save(hosts));
    EXPECT_EQ(readFile(hosts), before);
    EXPECT_EQ(ui.shown, Lines{});
}

// Update now: a block's own list file, one change with its time noted; a web list whose download the
// user cancels changes nothing and says nothing; a block with no list, or no such block, is told.
TEST_F(BlocksDocumentTest, UpdateNowAndItsCancel) {
    const std::string a = list("a.txt", "a.example\n");
    const std::string web = server.address("/stall");
    loaded("#BEGIN of a\r\n# source: " + a + "\r\n127.0.0.1 a.example\r\n#END of a\r\n#BEGIN of w\r\n# source: " + web +
           "\r\n127.0.0.1 w.example\r\n#END of w\r\n#BEGIN of lan\r\n10.0.0.5 nas\r\n#END of lan\r\n");
    const Lines start = linesOf(document.lines());
    writeFile(a, "a.example\nb.example\n");
    const BlocksUpdate update = document.updateBlockNow("A");
    EXPECT_TRUE(update.rebuild.changed);
    EXPECT_EQ(linesOf(document.lines()).at(2), kTestUpdated);
    EXPECT_EQ(linesOf(document.lines()).at(4), "127.0.0.1 b.example");
    EXPECT_TRUE(document.isModified());
    document.undo();
    EXPECT_EQ(std::pair(linesOf(document.lines()), document.isModified()), std::pair(start, false));

    ui.pressCancel = true;
    ui.events.clear();
    EXPECT_FALSE(document.updateBlockNow("w").rebuild.changed);
    EXPECT_EQ(linesOf(document.lines()), start);
    EXPECT_FALSE(document.isModified());
    EXPECT_EQ(ui.shown, Lines{});
    EXPECT_EQ(Lines(ui.events.begin(), ui.events.begin() + 4),
              (Lines{"busy:1", "title:Downloading " + web + "...", "cancel offered", "show"}));

    EXPECT_TRUE(document.updateBlockNow("lan").failed);
    EXPECT_TRUE(document.updateBlockNow("wan").failed);
    EXPECT_EQ(ui.shown, (Lines{"notify:Block lan names no list to be updated from: it has no \"# source: \" line.",
                               "notify:No block named 'wan' was found."}));
}

// A list added from an address becomes a block at the end, as one change; a name already taken, a path
// that is no full path and a cancelled prompt add nothing.
TEST_F(BlocksDocumentTest, AddAListAsABlock) {
    loaded("127.0.0.1 localhost\r\n#BEGIN of lan\r\n10.0.0.5 nas\r\n#END of lan\r\n");
    const std::string web = server.address("/list");
    ui.texts = {web, "web"};
    EXPECT_EQ(document.addListAsking(), "web");
    const Lines lines = linesOf(document.lines());
    EXPECT_EQ(Lines(lines.begin() + 4, lines.end()),
              (Lines{"#BEGIN of web", "# source: " + web, kTestUpdated, "127.0.0.1 web.example", "#END of web"}));
    EXPECT_TRUE(document.isModified());
    EXPECT_EQ(ui.shown, (Lines{"text:Add list:Address of the list to keep as a block (http://, https://, or a file's "
                               "full path)::",
                               "text:Add list:Name of the block for " + web + "::" + web}));
    document.undo();
    EXPECT_EQ(document.lines().count(), 4);

    ui.shown.clear();
    ui.texts = {web, "LAN", "relative.txt", "x", ""};
    EXPECT_EQ(document.addListAsking(), "");
    EXPECT_EQ(document.addListAsking(), "");
    EXPECT_EQ(document.addListAsking(), "");
    EXPECT_EQ(document.lines().count(), 4);
    EXPECT_EQ(ui.shown.at(2),
              "notify:A block named 'LAN' is already in the list: choose another name, or update that block.");
    EXPECT_EQ(ui.shown.at(5), "notify:The list relative.txt is neither a web address nor a file's full path.");
    EXPECT_EQ(ui.shown.size(), 7u);
}

// Taking a merge back shows the added lines and counts from before it, and making it again shows its
// own; a line of the added list shown again is found in the HOSTS lines.
TEST_F(BlocksDocumentTest, UndoOfAMergeBringsBackTheAddedLines) {
    loaded("127.0.0.1 localhost\r\n");
    merge("one.example\r\ntwo.example\r\n");
    merge("three.example\r\n");
    EXPECT_EQ(document.addedStatus(), "1 items");
    document.undo();
    EXPECT_EQ(std::pair(linesOf(document.addedLines()), document.addedStatus()),
              std::pair(Lines{"127.0.0.1 one.example", "127.0.0.1 two.example"}, std::string("2 items")));
    document.addedSelection().setCurrentFromView(1);
    document.selectCurrentAddedLine();
    EXPECT_EQ(document.selection().current(), 2);
    document.undo();
    EXPECT_EQ(std::pair(linesOf(document.addedLines()), document.addedStatus()), std::pair(Lines{}, std::string()));
    document.redo();
    EXPECT_EQ(document.addedStatus(), "2 items");
    document.redo();
    EXPECT_EQ(std::pair(linesOf(document.addedLines()), document.addedStatus()),
              std::pair(Lines{"127.0.0.1 three.example"}, std::string("1 items")));
    // What the list showed after later changes comes back too: the texts, whatever moved since.
    document.sort();
    ui.texts = {"by hand"};
    document.addLine();
    document.undo();
    EXPECT_EQ(linesOf(document.addedLines()), Lines{"127.0.0.1 three.example"});
}

// The list counts as unsaved exactly when it differs from what was read or saved, but for the order of
// its lines: a sort, its undo and its redo leave it as it was, and so does a merge that adds nothing.
TEST_F(BlocksDocumentTest, UnsavedExactlyWhenTheLinesDiffer) {
    loaded("b\r\na\r\nc\r\n");
    document.sort();
    EXPECT_EQ(linesOf(document.lines()), (Lines{"a", "b", "c"}));
    for (const bool back : {true, false, true, false}) {
        EXPECT_FALSE(document.isModified());
        back ? document.undo() : document.redo();
    }
    EXPECT_FALSE(document.isModified());
    EXPECT_EQ(merge("a\r\n").linesAdded, 0);
    EXPECT_FALSE(document.isModified());
    EXPECT_TRUE(document.queryClose());
    EXPECT_EQ(ui.shown, Lines{});
}

} // namespace
