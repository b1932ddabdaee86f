// The command line when it is not alone with the HOSTS file: other runs at the same time, another
// program writing it, a list it may not read, a reader of its output that goes away.

#include "cli/BatchMode.h"
#include "platform/FakeEnvironment.h"
#include "platform/FakeFileSystem.h"
#include "support/FakeUserInterface.h"
#include "support/Lines.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <sys/wait.h>

using namespace velmora;
using velmora::test::readFile;
using velmora::test::writeFile;

namespace {

void append(const std::string& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "ab");
    std::fputs(bytes.c_str(), file);
    std::fclose(file);
}

class SharedHostsTest : public ::testing::Test {
protected:
    SharedHostsTest() {
        environment.variables["VELMORA_HOSTS"] = hosts;
        document.setLockWait(100);
        writeFile(hosts, "127.0.0.1 localhost\n");
        writeFile(list, "ads.example\n");
    }
    int add(CommandForm form = CommandForm::Options) {
        CommandLine command;
        command.form = form;
        command.mode = RunMode::Add;
        command.argument = list;
        return runBatchMode(command, document, out, err);
    }

    test::TempDir dir;
    std::string hosts = dir.file("hosts");
    std::string list = dir.file("list");
    FakeFileSystem files;
    FakeEnvironment environment;
    test::FakeUserInterface ui;
    HostsDocument document{files, environment, ui};
    std::ostringstream out;
    std::ostringstream err;
};

} // namespace

// Runs started together each merge into what the one before saved: every list ends up whole.
TEST_F(SharedHostsTest, SimultaneousRunsKeepEveryList) {
    constexpr int kRuns = 6;
    std::string command;
    for (int i = 0; i < kRuns; ++i) {
        std::string lines;
        for (int j = 0; j < 3000; ++j)
            lines += "run" + std::to_string(i) + "-" + std::to_string(j) + ".example\n";
        writeFile(dir.file("list" + std::to_string(i)), lines);
        command += "env -u DISPLAY -u WAYLAND_DISPLAY VELMORA_HOSTS='" + hosts + "' '" VELMORA_BINARY "' --add '" +
                   dir.file("list" + std::to_string(i)) + "' >/dev/null 2>&1 & ";
    }
    ASSERT_EQ(std::system((command + "wait").c_str()), 0);
    const std::string merged = readFile(hosts);
    for (int i = 0; i < kRuns; ++i) {
        for (int j : {0, 2999})
            EXPECT_NE(merged.find("127.0.0.1 run" + std::to_string(i) + "-" + std::to_string(j) + ".example\n"),
                      std::string::npos)
                << i;
    }
}

// Another program writes HOSTS while a run reads the list: the run starts again on the fresh file and
// keeps that program's line. A file that changes every time is left alone with a failure.
TEST_F(SharedHostsTest, OutsideChangeMakesTheRunStartAgain) {
    // Reads 0 and 1 take in the HOSTS file; read 2 is the list's first.
    bool always = false;
    int changes = 0;
    files.beforeRead = [&](int read) {
        // Every file here is read in two calls, its bytes and its end: changing it only before the
        // first lets each read finish.
        if (read == 2 || (always && read % 2 == 0))
            append(hosts, "10.0.0.9 outside" + std::to_string(++changes) + "\n");
    };
    EXPECT_EQ(add(), kExitDone);
    EXPECT_EQ(readFile(hosts), "127.0.0.1 localhost\n10.0.0.9 outside1\n127.0.0.1 ads.example\n");

    writeFile(hosts, "127.0.0.1 localhost\n");
    const std::string backup = readFile(hosts + ".bak");
    always = true;
    EXPECT_EQ(add(), kExitFailed);
    EXPECT_EQ(ui.shown.back(), "error:" + hosts + " kept being changed by another program; it was left as it was.");
    EXPECT_EQ(readFile(hosts + ".bak"), backup) << "no save happened";
}

// A list that is there but cannot be read fails in both forms, naming the list; nothing is saved.
TEST_F(SharedHostsTest, UnreadableListFails) {
    for (CommandForm form : {CommandForm::Options, CommandForm::Classic}) {
        for (FakeFileSystem::Op op : {FakeFileSystem::Op::OpenRead, FakeFileSystem::Op::Read}) {
            ui.shown.clear();
            files.clearFaults();
            // The list is the first file opened (to see that it can be), and the second one read.
            files.failOp(op, EACCES, op == FakeFileSystem::Op::Read ? 2 : 0, -1);
            EXPECT_EQ(add(form), kExitFailed);
            files.clearFaults();
            ASSERT_EQ(ui.shown.size(), 1u);
            EXPECT_EQ(ui.shown[0].rfind("error:The list " + list + " could not be read", 0), 0u) << ui.shown[0];
            EXPECT_EQ(readFile(hosts), "127.0.0.1 localhost\n");
            EXPECT_FALSE(test::exists(hosts + ".bak"));
        }
    }
    EXPECT_EQ(out.str(), "");
}

// While another holds the lock the run waits, says so, and gives up naming the holder.
TEST_F(SharedHostsTest, HeldLockMakesTheRunWaitThenFail) {
    HostsLock other = HostsLock::acquire(files, hosts, 0);
    ASSERT_TRUE(other.isLocked());
    EXPECT_EQ(add(), kExitFailed);
    const std::string holder = "process " + std::to_string(::getpid());
    EXPECT_EQ(err.str(), "velmora: waiting for " + holder + ", which is changing " + hosts + "\n");
    EXPECT_EQ(ui.shown,
              test::Lines{"error:" + hosts + " is still being changed by " + holder + "; it was left as it was."});
    EXPECT_EQ(readFile(hosts), "127.0.0.1 localhost\n");
}

// A reader of standard output that is gone does not turn a finished save into a failure.
TEST_F(SharedHostsTest, ClosedOutputStillSucceeds) {
    const std::string run = "(env -u DISPLAY -u WAYLAND_DISPLAY VELMORA_HOSTS='" + hosts +
                            "' '" VELMORA_BINARY "' --add '" + list + "' 2>/dev/null; echo $? >'" + dir.file("status") +
                            "') | true";
    std::system(run.c_str());
    EXPECT_EQ(readFile(dir.file("status")), "0\n");
    EXPECT_EQ(readFile(hosts), "127.0.0.1 localhost\n127.0.0.1 ads.example\n");
}
