// The console a command prompt shares with the run it starts: the run may switch it to UTF-8 and to
// processing escape sequences while it works, and gives it back as it found it. Needs a console,
// which wine gives a program started on a terminal: CTest runs these through script(1).
#include "platform/WindowsText.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

#include <windows.h>

namespace velmora {
namespace {

constexpr UINT kOemUnitedStates = 437;

// A command-line run leaves the console's output code page and the mode of its standard error as they
// were, whatever it changed for itself.
TEST(WindowsConsole, RunGivesTheConsoleBack) {
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (GetConsoleOutputCP() == 0 || !GetConsoleMode(err, &mode))
        GTEST_SKIP() << "no console here: CTest runs this test on a terminal through script(1)";
    test::TempDir dir;
    test::writeFile(dir.file("hosts"), "127.0.0.1 localhost\r\n");
    SetEnvironmentVariableW(L"VELMORA_HOSTS", wideText(dir.file("hosts")).c_str());
    const UINT codePage = GetConsoleOutputCP();
    ASSERT_TRUE(SetConsoleOutputCP(kOemUnitedStates));
    const DWORD plain = mode & ~DWORD{ENABLE_VIRTUAL_TERMINAL_PROCESSING};
    ASSERT_TRUE(SetConsoleMode(err, plain));

    std::wstring command = wideText("\"" VELMORA_BINARY "\" --blocks");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(
        CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 1;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);

    DWORD after = 0;
    GetConsoleMode(err, &after);
    const UINT codePageAfter = GetConsoleOutputCP();
    SetConsoleOutputCP(codePage);
    SetConsoleMode(err, mode);
    SetEnvironmentVariableW(L"VELMORA_HOSTS", nullptr);
    EXPECT_EQ(status, 0u);
    EXPECT_EQ(codePageAfter, kOemUnitedStates);
    EXPECT_EQ(after, plain);
}

} // namespace
} // namespace velmora
