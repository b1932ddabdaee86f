// Saving as administrator on Windows, through the runner that starts a program with the "runas" verb
// (wine starts it without a prompt) and hands it the bytes through its pipes: the helper's build for
// tests stands in for velmora.exe --save-hosts and writes the file VELMORA_TEST_SYSTEM_HOSTS names.
// velmora.exe's own elevated copy is only asked to do what it must refuse, so that nothing here
// reaches the HOSTS file of the system.
#include "core/HostsPath.h"
#include "core/PrivilegedSave.h"
#include "platform/WindowsFileSystem.h"
#include "platform/WindowsProcessRunner.h"
#include "platform/WindowsText.h"
#include "support/FakeUserInterface.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include <windows.h>

namespace velmora {
namespace {

using test::readFile;
using test::writeFile;

const std::string kOld = "127.0.0.1 localhost\r\n10.0.0.1 nas\r\n";
const std::string kNew = "127.0.0.1 localhost\r\n10.0.0.1 nas\r\n0.0.0.0 ads.example\r\n";

class WindowsSaveHelper : public test::DocumentFixture {
protected:
    WindowsSaveHelper() {
        SetEnvironmentVariableW(L"VELMORA_TEST_SYSTEM_HOSTS", wideText(hosts).c_str());
        SetEnvironmentVariableW(L"VELMORA_HOSTS", wideText(other).c_str());
        writeFile(hosts, kOld);
        writeFile(other, kOld);
    }
    ~WindowsSaveHelper() override {
        SetEnvironmentVariableW(L"VELMORA_TEST_SYSTEM_HOSTS", nullptr);
        SetEnvironmentVariableW(L"VELMORA_HOSTS", nullptr);
    }
    // The helper's command for these bytes over a file that holds `current`, with more arguments.
    static std::vector<std::string> command(const std::string& program, const std::string& bytes,
                                            const std::string& current, std::vector<std::string> more = {}) {
        std::vector<std::string> arguments = privilegedSaveArguments(program, bytes, current);
        arguments.insert(arguments.end(), more.begin(), more.end());
        return arguments;
    }

    std::string other = dir.file("other hosts");
};

// What the elevated helper does with what the pipe brings: the bytes announced are saved over the file
// it was told of, with a backup, whatever VELMORA_HOSTS says; other bytes, another file or a file
// changed since are refused with the reason, and nothing is written. A list of megabytes passes the
// pipe whole.
TEST_F(WindowsSaveHelper, SavesOnlyWhatWasAnnounced) {
    std::string large = kOld;
    while (large.size() < (3u << 20))
        large += "0.0.0.0 host" + std::to_string(large.size()) + ".example\r\n";
    const struct {
        const char* name;
        std::vector<std::string> command;
        std::string input;
        int status;
        std::string hostsAfter;
        std::string errors;
    } cases[] = {
        {"saved", command(VELMORA_TEST_HELPER, kNew, kOld), kNew, kHelperSaved, kNew, ""},
        {"large", command(VELMORA_TEST_HELPER, large, kOld), large, kHelperSaved, large, ""},
        {"other bytes", command(VELMORA_TEST_HELPER, kNew, kOld), kOld + "0.0.0.0 ads.exampel\r\n", kHelperMismatch,
         kOld, "Nothing saved: the bytes on standard input do not have the SHA-256 given.\n"},
        {"short", command(VELMORA_TEST_HELPER, kNew, kOld), kNew.substr(1), kHelperMismatch, kOld,
         "Nothing saved: " + std::to_string(kNew.size()) + " bytes were announced, standard input held " +
             std::to_string(kNew.size() - 1) + ".\n"},
        {"another file", command(VELMORA_TEST_HELPER, kNew, kOld, {"--hosts", other}), kNew, kHelperRefused, kOld,
         "Refused: started as administrator, it writes only " + hosts + ".\n"},
        {"changed since", command(VELMORA_TEST_HELPER, kNew, kNew), kNew, kHelperChanged, kOld,
         hosts + ": another program changed it after it was read.\n"},
    };
    ProcessRunner& runner = systemProcessRunner();
    for (const auto& c : cases) {
        writeFile(hosts, kOld);
        std::remove((hosts + ".bak").c_str());
        const ProcessResult result = runner.runAsAdministrator(c.command, c.input);
        EXPECT_EQ(std::pair(result.startError, result.declined), std::pair(0, false)) << c.name;
        EXPECT_EQ(result.exitStatus, c.status) << c.name << ": " << result.errors;
        EXPECT_EQ(result.errors, c.errors) << c.name;
        EXPECT_EQ(readFile(hosts), c.hostsAfter) << c.name;
        EXPECT_EQ(readFile(hosts + ".bak"), c.status == kHelperSaved ? kOld : "<missing>") << c.name;
        EXPECT_EQ(readFile(other), kOld) << c.name;
    }
}

// velmora.exe itself answers --save-hosts as the elevated helper: through the same pipes, it refuses to
// write any file but the system's HOSTS file, which it names.
TEST_F(WindowsSaveHelper, VelmoraIsItsOwnHelper) {
    const std::string system = systemHostsPath(systemEnvironment());
    const ProcessResult result =
        systemProcessRunner().runAsAdministrator(command(VELMORA_BINARY, kNew, kOld, {"--hosts", other}), kNew);
    EXPECT_EQ(result.exitStatus, kHelperRefused) << result.errors;
    EXPECT_EQ(result.errors, "Refused: started as administrator, it writes only " + system + ".\n");
    EXPECT_EQ(readFile(other), kOld);
}

// A program that never opens the pipes (here velmora.exe asked only for its version) has not saved,
// whatever its exit status; a pipe name that is not the runner's is refused before anything is
// opened.
TEST_F(WindowsSaveHelper, NoPipeNoSave) {
    const ProcessResult result = systemProcessRunner().runAsAdministrator({VELMORA_BINARY, "--version"}, kNew);
    EXPECT_EQ(result.startError, kWindowsErrorBase + ERROR_PIPE_NOT_CONNECTED);
    EXPECT_EQ(privilegedReport(result, hosts, files.errorText(result.startError)).outcome, PrivilegedOutcome::Failed);

    const std::string said = dir.file("said");
    const int status = _wsystem(wideText("\"\"" VELMORA_BINARY "\" --save-hosts --length 1 --sha256 " +
                                         std::string(64, '0') + " --pipe ..\\..\\x <NUL 2>\"" + said + "\"\"")
                                    .c_str());
    EXPECT_EQ(status, kHelperRefused);
    EXPECT_EQ(readFile(said), "Refused: no pipe ..\\..\\x to take the list from: Invalid argument.\r\n");
}

// The document of a user who is not elevated, whose save of the system HOSTS file is refused, asks;
// Yes saves the list through the elevated helper and the list is saved, No saves nothing.
TEST_F(WindowsSaveHelper, DocumentSavesThroughTheElevatedCopy) {
    files.fakeUserId = 1;
    document.enableAdministratorSave(systemProcessRunner(), VELMORA_TEST_HELPER, hosts);
    for (const Answer answer : {Answer::No, Answer::Yes}) {
        writeFile(hosts, kOld);
        document.load(hosts);
        document.resetToLocalhost();
        ui.shown.clear();
        ui.answers = {answer};
        files.failOp(FakeFileSystem::Op::CreateExclusive, EACCES, 0, -1);
        EXPECT_EQ(document.save(hosts), answer == Answer::Yes);
        files.clearFaults();
        ASSERT_EQ(ui.shown.size(), 1u);
        EXPECT_TRUE(ui.shown[0].ends_with("Save it as administrator? Windows will ask for an administrator's "
                                          "permission."))
            << ui.shown[0];
        EXPECT_EQ(readFile(hosts), answer == Answer::Yes ? "127.0.0.1 localhost\r\n" : kOld);
        EXPECT_EQ(document.isModified(), answer != Answer::Yes);
    }
    EXPECT_EQ(readFile(hosts + ".bak"), kOld);
}

// A run that is elevated already (wine runs every program so) counts as an administrator's: a save it
// may not make is not offered as one, and fails with its reason.
TEST_F(WindowsSaveHelper, ElevatedRunIsNotOffered) {
    document.enableAdministratorSave(systemProcessRunner(), VELMORA_TEST_HELPER, hosts);
    document.load(hosts);
    document.resetToLocalhost();
    files.failOp(FakeFileSystem::Op::CreateExclusive, EACCES, 0, -1);
    EXPECT_FALSE(document.save(hosts));
    files.clearFaults();
    EXPECT_EQ(ui.shown, std::vector<std::string>{"error:The HOSTS list was not saved. Cannot write the backup " +
                                                 hosts + ".bak: Permission denied"});
    EXPECT_EQ(readFile(hosts), kOld);
}

} // namespace
} // namespace velmora
