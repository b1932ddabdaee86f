// The batch modes in process, for what the built program cannot be made to meet: a HOSTS file whose
// read fails part way, a list that cannot be read, another program or run at the same file, a
// question closed without an answer. The last tests run the built program, as other runs would.

#include "cli/BatchMode.h"
#include "support/FakeUserInterface.h"
#include "support/Lines.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>
#include <unistd.h>

using namespace velmora;
using velmora::test::readFile;
using velmora::test::writeFile;
using Op = FakeFileSystem::Op;

namespace {

const std::string kLocalhost = "127.0.0.1 localhost\r\n";
#ifdef _WIN32
const std::string kAdvice = ". Run the same command from a command prompt opened with \"Run as administrator\" to "
                            "change it.";
#else
const std::string kAdvice = ". Run the same command with sudo to change it as root; sudo does not pass VELMORA_HOSTS "
                            "on, so name another file as in: sudo env VELMORA_HOSTS=FILE velmora ...";
#endif

class BatchModeTest : public test::DocumentFixture {
protected:
    int run(const std::vector<std::string>& arguments) {
        return runBatchMode(parseCommandLine(arguments), document, out, err);
    }
    // The built program merging list into the HOSTS file, without a display, as a shell command.
    std::string addCommand(const std::string& list) const {
        return "env -u DISPLAY -u WAYLAND_DISPLAY VELMORA_HOSTS='" + hosts + "' '" VELMORA_BINARY "' --add '" + list +
               "'";
    }
    std::ostringstream out, err;
};

} // namespace

// A HOSTS file whose read fails part way (a load for remove or for listing the blocks, a merge's
// rebuild for add) would be cut short by a save, and a list that cannot be read adds nothing: in both
// forms the run fails, names the file and the reason, and changes nothing. The list is the first file opened (to see
// that it can be), the HOSTS file the first one read, in two pieces (its bytes and its end).
TEST_F(BatchModeTest, UnreadableFilesLeaveTheHostsFile) {
    std::string big;
    for (int i = 0; i < 8000; ++i)
        big += "127.0.0.1 host" + std::to_string(i) + ".example\r\n";
    big += "#BEGIN of ads\r\n127.0.0.1 ads.example\r\n#END of ads\r\n";
    writeFile(listPath, "new.example\r\n");
    const std::string cut = "error:The HOSTS file " + hosts + " could not be read to its end: Input/output error";
    const std::string unreadable = "error:The list " + listPath + " could not be read";
    const struct {
        test::Lines arguments;
        Op op;
        int error, skip, times;
        std::string message; // its start
    } cases[] = {
        {{"--remove", "ads", "--yes"}, Op::Read, EIO, 1, 1, cut + "; it was left as it was."},
        {{"--add", listPath, "--yes"}, Op::Read, EIO, 1, 1, cut + "; it was left as it was."},
        {{"--blocks"}, Op::Read, EIO, 1, 1, cut + "."},
        {{"--add", listPath}, Op::OpenRead, EACCES, 0, -1, unreadable},
        {{"--add", listPath}, Op::Read, EACCES, 2, -1, unreadable},
        {{"/add", listPath}, Op::OpenRead, EACCES, 0, -1, unreadable},
        {{"/add", listPath}, Op::Read, EACCES, 2, -1, unreadable},
    };
    for (const auto& c : cases) {
        writeFile(hosts, big);
        writeFile(hosts + ".bak", "older\r\n");
        ui.shown.clear();
        files.failOp(c.op, c.error, c.skip, c.times);
        EXPECT_EQ(run(c.arguments), kExitFailed) << c.arguments[0];
        files.clearFaults();
        ASSERT_EQ(ui.shown.size(), 1u) << c.arguments[0];
        EXPECT_TRUE(ui.shown[0].starts_with(c.message)) << ui.shown[0];
        EXPECT_EQ(readFile(hosts), big);
        EXPECT_EQ(readFile(hosts + ".bak"), "older\r\n");
    }
    EXPECT_EQ(out.str() + err.str(), "");
}

// Another program writes HOSTS while a run reads the list: the run starts again on the fresh file and
// keeps that program's line (and counts one line, not "1 lines"). A file that changes every time is
// left alone with a failure.
TEST_F(BatchModeTest, OutsideChangeMakesTheRunStartAgain) {
    writeFile(hosts, kLocalhost);
    writeFile(listPath, "ads.example\r\n");
    // Reads 0 and 1 take in the HOSTS file, read 2 is the list's first. Every file here is read in
    // two calls, its bytes and its end: changing it only before the first lets each read finish.
    bool always = false;
    int changes = 0;
    files.beforeRead = [&](int read) {
        if (read == 2 || (always && read % 2 == 0))
            writeFile(hosts, readFile(hosts) + "10.0.0.9 outside" + std::to_string(++changes) + "\r\n");
    };
    EXPECT_EQ(run({"--add", listPath}), kExitDone);
    EXPECT_EQ(readFile(hosts), kLocalhost + "10.0.0.9 outside1\r\n127.0.0.1 ads.example\r\n");
    EXPECT_EQ(out.str(), "Merged 1 new line from " + listPath + " into " + hosts + " (backup: " + hosts + ".bak)\n");
    writeFile(hosts, kLocalhost);
    const std::string backup = readFile(hosts + ".bak");
    always = true;
    EXPECT_EQ(run({"--add", listPath}), kExitFailed);
    ASSERT_FALSE(ui.shown.empty());
    EXPECT_EQ(ui.shown.back(), "error:" + hosts + " kept being changed by another program; it was left as it was.");
    EXPECT_EQ(readFile(hosts + ".bak"), backup) << "no save happened";
}

// While another holds the lock the run waits, says so, and gives up naming the holder.
TEST_F(BatchModeTest, HeldLockMakesTheRunWaitThenFail) {
    writeFile(hosts, kLocalhost);
    writeFile(listPath, "ads.example\r\n");
    document.setLockWait(100);
    HostsLock other = HostsLock::acquire(files, hosts, 0);
    ASSERT_TRUE(other.isLocked());
    EXPECT_EQ(run({"--add", listPath}), kExitFailed);
    const std::string holder = "process " + std::to_string(::getpid());
    EXPECT_EQ(err.str(), "velmora: waiting for " + holder + ", which is changing " + hosts + "\n");
    EXPECT_EQ(ui.shown,
              test::Lines{"error:" + hosts + " is still being changed by " + holder + "; it was left as it was."});
    EXPECT_EQ(readFile(hosts), kLocalhost);
}

// A lock that cannot be taken stops the run before anything is read or written, and the window's save
// alike: a lock file of another user's, one that fails to open or to lock. Where this user may not make
// the lock, the message says how to get the rights.
TEST_F(BatchModeTest, LockThatCannotBeTakenStopsTheRun) {
    const std::string lock = dir.file(".hosts.velmora-lock");
    const std::string notSaved = "error:The HOSTS list was not saved. " + hosts + ": not written, because the lock " +
                                 lock + " cannot be taken: ";
    const struct {
        const char* name;
        int error;
        bool othersLock;
        uint32_t user;
        std::string said;
    } cases[] = {
        {"another user's lock", 0, true, 0, notSaved + "it belongs to another user"},
        {"a lock that fails", EIO, false, 0, notSaved + files.errorText(EIO)},
        {"a lock this user may not make", EACCES, false, 1000, notSaved + files.errorText(EACCES) + kAdvice},
    };
    writeFile(listPath, "ads.example\r\n");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(hosts, kLocalhost);
        writeFile(hosts + ".bak", "older\r\n");
        writeFile(lock, "");
        files.owners.clear();
        if (c.othersLock)
            files.owners[lock] = FakeFileSystem::Owner{4242, 4242, 0600};
        files.fakeUserId = c.user;
        if (c.error != 0)
            files.failOp(Op::Lock, c.error, 0, -1);
        ui.shown.clear();
        int reads = 0;
        files.beforeRead = [&](int) { ++reads; };
        EXPECT_EQ(run({"--add", listPath}), kExitFailed);
        files.beforeRead = nullptr;
        EXPECT_EQ(reads, 0) << "the HOSTS file or the list was read";
        document.resetToLocalhost();
        EXPECT_FALSE(document.save(hosts));
        files.clearFaults();
        EXPECT_EQ(ui.shown, (test::Lines{c.said, c.said}));
        EXPECT_EQ(readFile(hosts) + readFile(hosts + ".bak"), kLocalhost + "older\r\n");
    }
}

// Only No declines: a question closed without a button goes on, like Yes.
TEST_F(BatchModeTest, OnlyNoDeclines) {
    writeFile(hosts, "x\r\n");
    ui.answers = {Answer::No, Answer::None};
    EXPECT_EQ(run({"--removeall"}), kExitDone);
    EXPECT_EQ(readFile(hosts), "x\r\n");
    EXPECT_EQ(run({"--removeall"}), kExitDone);
    EXPECT_EQ(readFile(hosts), kLocalhost);
    const std::string question =
        "ask:" + std::to_string(MessageStyle::YesNo | MessageStyle::Question | MessageStyle::DefaultButton2) +
        ":Do you want to clear the HOSTS file?";
    EXPECT_EQ(ui.shown, (test::Lines{question, question}));
}

// A user who may not write the HOSTS file is told in the same line how to get the rights: sudo, which
// drops VELMORA_HOSTS, or on Windows an administrator's prompt; root, or an elevated run, is not.
TEST_F(BatchModeTest, NoPermissionSaysHowToGetIt) {
    writeFile(hosts, "10.0.0.5 nas\r\n");
    const std::string failed = "The HOSTS list was not saved. Cannot write the backup " + hosts +
                               ".bak: Permission "
                               "denied";
    files.failOp(Op::CreateExclusive, EACCES, 0, -1);
    for (const uint32_t user : {1000u, 0u}) {
        files.fakeUserId = user;
        EXPECT_EQ(run({"--removeall", "--yes"}), kExitFailed);
    }
    EXPECT_EQ(ui.shown, (test::Lines{"error:" + failed + kAdvice, "error:" + failed}));
}

#ifndef _WIN32 // through the shell; the Windows runs are in WindowsBatchRunTest

// Runs started together each merge into what the one before saved: every list ends up whole.
TEST_F(BatchModeTest, SimultaneousRunsKeepEveryList) {
    writeFile(hosts, "127.0.0.1 localhost\n");
    std::string command;
    for (int i = 0; i < 6; ++i) {
        std::string lines;
        for (int j = 0; j < 3000; ++j)
            lines += "run" + std::to_string(i) + "-" + std::to_string(j) + ".example\n";
        writeFile(dir.file("list" + std::to_string(i)), lines);
        command += addCommand(dir.file("list" + std::to_string(i))) + " >/dev/null 2>&1 & ";
    }
    ASSERT_EQ(std::system((command + "wait").c_str()), 0);
    const std::string merged = readFile(hosts);
    for (int i = 0; i < 6; ++i) {
        for (int j : {0, 2999})
            EXPECT_NE(merged.find("127.0.0.1 run" + std::to_string(i) + "-" + std::to_string(j) + ".example\n"),
                      std::string::npos)
                << i;
    }
}

// A reader of standard output that is gone does not turn a finished save into a failure.
TEST_F(BatchModeTest, ClosedOutputStillSucceeds) {
    writeFile(hosts, "127.0.0.1 localhost\n");
    writeFile(listPath, "ads.example\n");
    std::system(("(" + addCommand(listPath) + " 2>/dev/null; echo $? >'" + dir.file("status") + "') | true").c_str());
    EXPECT_EQ(readFile(dir.file("status")), "0\n");
    EXPECT_EQ(readFile(hosts), "127.0.0.1 localhost\n127.0.0.1 ads.example\n");
}
#endif
