// What Windows does differently, on the system's own file calls: the line rules in force by default,
// the HOSTS path the system reports, a read-only HOSTS file, a file another program holds without
// sharing, and names outside ASCII.

#include "core/HostsFile.h"
#include "core/HostsPath.h"
#include "platform/FakeFileSystem.h"
#include "platform/WindowsEnvironment.h"
#include "platform/WindowsText.h"
#include "support/Lines.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <thread>

#include <windows.h>

using namespace velmora;
using velmora::test::Lines;
using velmora::test::listOf;
using velmora::test::readFile;
using velmora::test::TempDir;
using velmora::test::writeFile;

namespace {

bool hasReadOnlyAttribute(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(wideText(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

std::string systemMessage(DWORD error) {
    char text[512] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text, sizeof text,
                   nullptr);
    std::string message = text;
    return message.substr(0, message.find_last_not_of(" .\r\n") + 1);
}

class WindowsFiles : public ::testing::Test {
protected:
    Lines readLines(const std::string& path) {
        Lines lines;
        EXPECT_EQ(readFileLines(files, path, nativeLineConvention(),
                                [&](std::string_view line) { lines.emplace_back(line); }),
                  0);
        return lines;
    }

    TempDir dir;
    FakeFileSystem files;
    std::string hosts = dir.file("hosts");
};

} // namespace

// Only CR LF and a lone CR end a line; a lone LF stays in it, and every saved line ends in CR LF,
// whatever the file used before.
TEST_F(WindowsFiles, LineRulesInForce) {
    const struct {
        std::string before;
        Lines lines;
        std::string after;
    } cases[] = {
        {"a\r\nb\r\n", {"a", "b"}, "a\r\nb\r\n"},
        {"a\nb\n", {"a\nb\n"}, "a\nb\n\r\n"},
        {"a\rb\n\rc", {"a", "b\n", "c"}, "a\r\nb\n\r\nc\r\n"},
        {"\n", {"\n"}, "\n\r\n"},
    };
    for (const auto& c : cases) {
        writeFile(hosts, c.before);
        const Lines lines = readLines(hosts);
        EXPECT_EQ(lines, c.lines) << c.before;
        ASSERT_EQ(saveHostsFile(files, hosts, listOf(lines)).status, SaveStatus::Saved);
        EXPECT_EQ(readFile(hosts), c.after);
    }
}

// The system's own folders give the HOSTS path when VELMORA_HOSTS is not set.
TEST(WindowsHostsPath, FromTheSystemFolder) {
    WindowsEnvironment environment;
    const std::string saved = environment.variable("VELMORA_HOSTS");
    SetEnvironmentVariableW(L"VELMORA_HOSTS", nullptr);
    const std::string path = hostsFilePath(environment);
    SetEnvironmentVariableW(L"VELMORA_HOSTS", wideText(saved).c_str());
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_EQ(path, utf8Text(system) + "\\DRIVERS\\ETC\\HOSTS");
    EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(wideText(path)).parent_path())) << path;
}

// A read-only HOSTS file is saved: the attribute comes off for the write and goes back on, also when
// the write fails (and the file then keeps its bytes).
TEST_F(WindowsFiles, ReadOnlyFileIsSavedAndStaysReadOnly) {
    for (bool fails : {false, true}) {
        writeFile(hosts, "old\r\n");
        ASSERT_EQ(files.setReadOnly(hosts, true), 0);
        files.clearFaults();
        if (fails)
            files.failOp(FakeFileSystem::Op::Rename, EIO, 1, -1);
        const SaveResult result = saveHostsFile(files, hosts, listOf({"new"}));
        EXPECT_EQ(result.status, fails ? SaveStatus::WriteFailed : SaveStatus::Saved) << result.message;
        EXPECT_TRUE(result.readOnlyCleared);
        EXPECT_EQ(result.readOnlyError, 0);
        EXPECT_EQ(readFile(hosts), fails ? "old\r\n" : "new\r\n");
        EXPECT_EQ(readFile(hosts + ".bak"), "old\r\n");
        EXPECT_TRUE(hasReadOnlyAttribute(hosts));
        EXPECT_FALSE(hasReadOnlyAttribute(hosts + ".bak"));
        files.setReadOnly(hosts, false);
    }
}

// A file another program holds without sharing is waited for: a short hold costs a moment, a long
// one ends the save with the system's own words, and nothing changes.
TEST_F(WindowsFiles, SharingViolationIsWaitedForThenReported) {
    for (int holdMs : {300, 2500}) {
        writeFile(hosts, "old\r\n");
        const HANDLE held = CreateFileW(wideText(hosts).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        std::thread release([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
            CloseHandle(held);
        });
        const SaveResult result = saveHostsFile(files, hosts, listOf({"new"}));
        release.join();
        if (holdMs < 1000) {
            EXPECT_EQ(result.status, SaveStatus::Saved) << result.message;
            EXPECT_EQ(readFile(hosts), "new\r\n");
        } else {
            EXPECT_EQ(result.status, SaveStatus::BackupFailed);
            EXPECT_EQ(result.message, "cannot read " + hosts + ": " + systemMessage(ERROR_SHARING_VIOLATION));
            EXPECT_EQ(readFile(hosts), "old\r\n");
        }
    }
}

// Names outside ASCII and with spaces reach the system whole: the file, its backup and the folder
// listing all carry the very name given.
TEST_F(WindowsFiles, NonAsciiNamesWithSpaces) {
    const std::string folder = dir.file("H\xC3\xB4tes \xE2\x9C\x93 \xD0\xB1\xD0\xBB\xD0\xBE\xD0\xBA");
    std::filesystem::create_directory(std::filesystem::path(wideText(folder)));
    const std::string path = folder + "/h\xC3\xB6sts file";
    ASSERT_EQ(saveHostsFile(files, path, listOf({"first"})).status, SaveStatus::Saved);
    const SaveResult result = saveHostsFile(files, path, listOf({"second"}));
    ASSERT_EQ(result.status, SaveStatus::Saved) << result.message;
    EXPECT_EQ(result.backupPath, path + ".bak");
    EXPECT_EQ(readLines(path), Lines{"second"});
    EXPECT_EQ(readLines(path + ".bak"), Lines{"first"});
    Lines names = files.listFolder(folder).names;
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (Lines{"h\xC3\xB6sts file", "h\xC3\xB6sts file.bak"}));
    // A bare name, in the current folder, is replaced as well.
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(std::filesystem::path(wideText(folder)));
    const SaveStatus bare = saveHostsFile(files, "h\xC3\xB6sts file", listOf({"third"})).status;
    std::filesystem::current_path(before);
    EXPECT_EQ(bare, SaveStatus::Saved);
    EXPECT_EQ(readLines(path), Lines{"third"});
}
