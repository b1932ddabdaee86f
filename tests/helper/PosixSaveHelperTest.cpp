// The privileged helper as a program, in its build for tests (whose system HOSTS file is the one
// VELMORA_TEST_SYSTEM_HOSTS names): which file it writes, what it refuses, and that it waits its turn.
#include "core/HostsLock.h"
#include "core/PrivilegedSave.h"
#include "core/Sha256.h"
#include "platform/PosixFileSystem.h"
#include "platform/PosixProcessRunner.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <thread>
#include <unistd.h>

using namespace velmora;
using velmora::test::readFile;
using velmora::test::writeFile;

namespace {

const std::string kOld = "127.0.0.1 localhost\n10.0.0.1 nas\n";
const std::string kNew = "127.0.0.1 localhost\n10.0.0.1 nas\n0.0.0.0 ads.example\n";

class SaveHelperTest : public ::testing::Test {
protected:
    SaveHelperTest() {
        writeFile(system, kOld);
        writeFile(other, kOld);
    }
    // Runs the helper through env, as pkexec would start it (PKEXEC_UID set) or as a plain program;
    // VELMORA_HOSTS always names the other file.
    ProcessResult run(bool byPkexec, std::vector<std::string> arguments, const std::string& input) {
        std::vector<std::string> command{"-u", "PKEXEC_UID", "VELMORA_TEST_SYSTEM_HOSTS=" + system,
                                         "VELMORA_HOSTS=" + other};
        if (byPkexec)
            command.push_back("PKEXEC_UID=" + std::to_string(::getuid() == 0 ? 1000 : ::getuid()));
        command.push_back(VELMORA_TEST_HELPER);
        command.insert(command.end(), arguments.begin(), arguments.end());
        return PosixProcessRunner().run("env", command, input);
    }
    static std::vector<std::string> announce(const std::string& bytes, const std::string& option = {},
                                             const std::string& value = {}) {
        std::vector<std::string> arguments{"--length", std::to_string(bytes.size()), "--sha256", sha256Hex(bytes)};
        if (!option.empty())
            arguments.insert(arguments.end(), {option, value});
        return arguments;
    }

    test::TempDir dir;
    std::string system = dir.file("hosts");
    std::string other = dir.file("other");
};

// Started by pkexec it writes the system file and nothing else, whatever names another; without pkexec
// a path may be named. Bytes that are not the ones announced, or a file that is not the one the
// window last saw, are refused; every refusal leaves both files as they were.
TEST_F(SaveHelperTest, WritesOnlyWhatItMay) {
    const struct {
        const char* name;
        bool byPkexec;
        std::vector<std::string> arguments;
        std::string input;
        int status;
        std::string systemAfter, otherAfter;
        std::string error; // the start of standard error
    } cases[] = {
        {"pkexec", true, announce(kNew), kNew, kHelperSaved, kNew, kOld, ""},
        {"pkexec and a path", true, announce(kNew, "--hosts", other), kNew, kHelperRefused, kOld, kOld,
         "Refused: started by pkexec, it writes only " + system},
        {"a path without pkexec", false, announce(kNew, "--hosts", other), kNew, kHelperSaved, kOld, kNew, ""},
        {"too many bytes", true, announce(kNew), kNew + "x", kHelperMismatch, kOld, kOld,
         "Nothing saved: " + std::to_string(kNew.size()) + " bytes were announced, standard input held more."},
        {"too few bytes", true, announce(kNew), kNew.substr(1), kHelperMismatch, kOld, kOld,
         "Nothing saved: " + std::to_string(kNew.size()) + " bytes were announced, standard input held " +
             std::to_string(kNew.size() - 1) + "."},
        {"a length past the limit",
         true,
         {"--length", "1073741825", "--sha256", sha256Hex(kNew)},
         kNew,
         kHelperRefused,
         kOld,
         kOld,
         "Refused: --length takes a number of bytes up to 1073741824."},
        {"a short hash",
         true,
         {"--length", std::to_string(kNew.size()), "--sha256", "abc"},
         kNew,
         kHelperRefused,
         kOld,
         kOld,
         "Refused: --sha256 takes 64 lowercase hexadecimal digits."},
        {"a length given twice",
         true,
         {"--length", std::to_string(kNew.size()), "--sha256", sha256Hex(kNew), "--length", "1"},
         kNew,
         kHelperRefused,
         kOld,
         kOld,
         "Refused: unexpected argument '--length'."},
        {"another hash", true, announce(kNew), kOld + "0.0.0.0 ads.exampel\n", kHelperMismatch, kOld, kOld,
         "Nothing saved: the bytes"},
        {"a file changed since", true, announce(kNew, "--replaces", sha256Hex(kNew)), kNew, kHelperChanged, kOld, kOld,
         system + ": another program changed it"},
    };
    for (const auto& c : cases) {
        writeFile(system, kOld);
        writeFile(other, kOld);
        const ProcessResult result = run(c.byPkexec, c.arguments, c.input);
        EXPECT_EQ(result.exitStatus, c.status) << c.name << ": " << result.errors;
        EXPECT_EQ(readFile(system), c.systemAfter) << c.name;
        EXPECT_EQ(readFile(other), c.otherAfter) << c.name;
        EXPECT_TRUE(result.errors.starts_with(c.error)) << c.name << ": " << result.errors;
    }
}

// Another writer holds the lock: the helper says whom it waits for, leaves the file alone meanwhile,
// and saves once the lock is free.
TEST_F(SaveHelperTest, WaitsForTheLock) {
    PosixFileSystem files;
    HostsLock lock = HostsLock::acquire(files, system, 0);
    ASSERT_TRUE(lock.isLocked());
    std::optional<ProcessResult> result;
    std::thread helper([&] { result = run(true, announce(kNew), kNew); });
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(readFile(system), kOld);
    lock.release();
    helper.join();
    EXPECT_EQ(result->exitStatus, kHelperSaved);
    EXPECT_EQ(result->errors,
              "Waiting for process " + std::to_string(::getpid()) + ", which is changing " + system + ".\n");
    EXPECT_EQ(readFile(system), kNew);
}

// A folder another user could change is no place to write as root: nothing is written there.
TEST_F(SaveHelperTest, RefusesAFolderOthersMayChange) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "only a run as root refuses a folder others may change";
    ::chmod(dir.path().c_str(), 0777);
    const ProcessResult result = run(true, announce(kNew), kNew);
    ::chmod(dir.path().c_str(), 0700);
    EXPECT_EQ(result.exitStatus, kHelperSaveFailed) << result.errors;
    EXPECT_EQ(result.errors, system + ": not written, because any user may change the folder " + dir.path() + "\n");
    EXPECT_EQ(readFile(system), kOld);
}

// A lock file of another user's is never used: the helper saves nothing and says why (run as root, who
// alone can give a file away).
TEST_F(SaveHelperTest, RefusesAnotherUsersLock) {
    const std::string lock = dir.file(".hosts.velmora-lock");
    writeFile(lock, "");
    if (::geteuid() != 0 || ::chown(lock.c_str(), 4242, 4242) != 0)
        GTEST_SKIP() << "only root can give the lock file to another user";
    const ProcessResult result = run(true, announce(kNew), kNew);
    EXPECT_EQ(result.exitStatus, kHelperSaveFailed);
    EXPECT_EQ(result.errors,
              system + ": not written, because the lock " + lock + " cannot be taken: it belongs to another user\n");
    EXPECT_EQ(readFile(system), kOld);
}

} // namespace
