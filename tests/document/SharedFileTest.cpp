// The window's document when the HOSTS file is not its alone: another program writes it between the
// load and the save, another writer holds the lock, a list fails part way through its read.

#include "document/HostsDocument.h"

#include "platform/FakeEnvironment.h"
#include "platform/FakeFileSystem.h"
#include "support/FakeUserInterface.h"
#include "support/Lines.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

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

class SharedFileTest : public ::testing::Test {
protected:
    SharedFileTest() {
        environment.variables["VELMORA_HOSTS"] = hosts;
        document.setLineConvention(LineConvention::Posix);
        document.setLockWait(50);
        writeFile(hosts, "127.0.0.1 localhost\n");
        document.start(false);
        writeFile(list, "ads.example\n");
        document.setSourcePath(list);
    }

    test::TempDir dir;
    std::string hosts = dir.file("hosts");
    std::string list = dir.file("list");
    FakeFileSystem files;
    FakeEnvironment environment;
    test::FakeUserInterface ui;
    HostsDocument document{files, environment, ui};
};

} // namespace

// Saving over a file another program changed after it was read asks first. Cancel changes nothing,
// Yes overwrites, No reads the file again and merges the last merge's lines into it, unsaved.
TEST_F(SharedFileTest, ChangedFileAsksBeforeSaving) {
    document.merge();
    const struct {
        Answer answer;
        std::string file;
        Lines lines;
        bool modified;
    } cases[] = {
        {Answer::Cancel,
         "127.0.0.1 localhost\n10.0.0.9 outside\n",
         {"127.0.0.1 localhost", "127.0.0.1 ads.example"},
         true},
        {Answer::Yes,
         "127.0.0.1 localhost\n127.0.0.1 ads.example\n",
         {"127.0.0.1 localhost", "127.0.0.1 ads.example"},
         false},
        {Answer::No,
         "127.0.0.1 localhost\n10.0.0.9 outside\n",
         {"127.0.0.1 localhost", "10.0.0.9 outside", "127.0.0.1 ads.example"},
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.answer));
        writeFile(hosts, "127.0.0.1 localhost\n10.0.0.9 outside\n");
        ui.shown.clear();
        ui.answers = {c.answer};
        EXPECT_EQ(document.save(hosts), c.answer == Answer::Yes);
        ASSERT_EQ(ui.shown.size(), 1u);
        EXPECT_EQ(ui.shown[0].rfind("ask:563:" + hosts + " was changed by another program", 0), 0u) << ui.shown[0];
        EXPECT_EQ(readFile(hosts), c.file);
        EXPECT_EQ(linesOf(document.lines()), c.lines);
        EXPECT_EQ(document.isModified(), c.modified);
        if (c.answer == Answer::No) {
            EXPECT_EQ(linesOf(document.addedLines()), Lines{"127.0.0.1 ads.example"});
        }
        if (c.answer != Answer::Cancel) {
            // What was read again, or saved, is what the next saves compare with: no second question.
            EXPECT_TRUE(document.save(hosts));
            document.resetToLocalhost();
            EXPECT_TRUE(document.save(hosts));
            EXPECT_EQ(ui.shown.size(), 1u);
        }
        writeFile(hosts, "127.0.0.1 localhost\n");
        document.start(false);
        document.merge();
    }
}

// While another writer holds the lock the save waits briefly, then fails naming it; nothing is lost.
TEST_F(SharedFileTest, HeldLockFailsTheSave) {
    document.merge();
    HostsLock other = HostsLock::acquire(files, hosts, 0);
    EXPECT_FALSE(document.save(hosts));
    EXPECT_EQ(ui.shown, Lines{"error:The HOSTS list was not saved. " + hosts + ": process " +
                              std::to_string(::getpid()) + " is saving it; try again when it has finished."});
    EXPECT_TRUE(document.isModified());
    other.release();
    EXPECT_TRUE(document.save(hosts));
}

// A list that fails part way adds nothing: the lines, the added lines and the modified state are as
// they were, and the user is told which list and why.
TEST_F(SharedFileTest, ListFailingPartWayChangesNothing) {
    std::string big;
    for (int i = 0; i < 20000; ++i) // more than one piece
        big += "host" + std::to_string(i) + ".example\n";
    writeFile(list, big);
    files.failOp(FakeFileSystem::Op::Read, EIO, 1);
    const MergeResult result = document.merge();
    EXPECT_EQ(result.listReadError, EIO);
    EXPECT_EQ(result.linesAdded, 0);
    EXPECT_EQ(linesOf(document.lines()), Lines{"127.0.0.1 localhost"});
    EXPECT_EQ(document.addedLines().count(), 0);
    EXPECT_FALSE(document.isModified());
    EXPECT_EQ(ui.shown, Lines{"error:The list " + list + " could not be read to its end: Input/output error"});
}

// Where another user may plant files, a refused save leaves no lock or journal of its own there.
TEST_F(SharedFileTest, RefusedFolderGetsNoFiles) {
    document.merge();
    files.fakeUserId = 0;
    ::chmod(dir.path().c_str(), 0777);
    std::remove(lockPathFor(hosts).c_str()); // made by the start, when the folder was still private
    EXPECT_FALSE(document.save(hosts));
    EXPECT_EQ(ui.shown.size(), 1u);
    EXPECT_FALSE(test::exists(lockPathFor(hosts)));
}
