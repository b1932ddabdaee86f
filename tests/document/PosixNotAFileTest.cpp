// What is no file, given as the HOSTS file or the list, is refused with its name: a FIFO (which would
// block a read) and a folder; a merge never names no file at all.
#include "document/HostsDocument.h"
#include "support/FakeUserInterface.h"
#include "support/Lines.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

using namespace velmora;
using namespace velmora::test;

namespace {

class NotAFileTest : public DocumentFixture {
protected:
    std::string fifo = dir.file("fifo");
    std::string folder = dir.file("folder");
    void SetUp() override {
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        std::filesystem::create_directory(folder);
    }
};

// Given as the HOSTS file at start-up, each is refused with its name and kept as the path, so that the
// next merge names it again; the merge still merges its list.
TEST_F(NotAFileTest, AsTheHostsFile) {
    const std::pair<std::string, std::string> cases[] = {
        {fifo, fifo + " is no regular file (a FIFO, a device or a socket)"}, {folder, folder + " is a folder"}};
    for (const auto& [path, what] : cases) {
        environment.variables["VELMORA_HOSTS"] = path;
        ui.shown.clear();
        document.start(false);
        EXPECT_EQ(ui.shown, Lines{"error:" + what + ", not a HOSTS file; it was not read."});
        EXPECT_EQ(document.hostsPath(), path);
        ui.shown.clear();
        document.markForReload();
        EXPECT_EQ(merge("a.example\r\n").linesAdded, 1);
        EXPECT_EQ(ui.shown, Lines{"notify:" + what + ", not a HOSTS file; it was not read."});
    }
    // With no HOSTS path at all, the merge says so rather than naming nothing.
    document.setHostsPath("");
    document.markForReload();
    ui.shown.clear();
    merge("b.example\r\n");
    EXPECT_EQ(ui.shown, Lines{"notify:No HOSTS file is named: type its path under \"Current HOSTS\", or open one with "
                              "File > Open HOSTS."});
}

// Dropped on the window or typed as the list, each is refused with its name and nothing changes.
TEST_F(NotAFileTest, AsTheList) {
    writeFile(hosts, "127.0.0.1 localhost\r\n");
    document.start(false);
    for (const std::string& path : {fifo, folder}) {
        document.setSourcePath(listPath);
        EXPECT_FALSE(document.setDroppedSourcePath(path));
        EXPECT_EQ(document.sourcePath(), listPath);
        document.setSourcePath(path);
        EXPECT_TRUE(document.merge().listMissing);
        EXPECT_EQ(linesOf(document.lines()), Lines{"127.0.0.1 localhost"});
    }
    const std::string fifoIs = fifo + " is no regular file (a FIFO, a device or a socket)";
    const std::string folderIs = folder + " is a folder";
    EXPECT_EQ(ui.shown, (Lines{"notify:" + fifoIs + ", not a list to merge; drop a list file.",
                               "notify:" + fifoIs + ", not a list; nothing was merged.",
                               "notify:" + folderIs + ", not a list to merge; drop a list file.",
                               "notify:" + folderIs + ", not a list; nothing was merged."}));
    EXPECT_TRUE(document.setDroppedSourcePath(hosts));
    EXPECT_EQ(document.sourcePath(), hosts);
}

} // namespace
