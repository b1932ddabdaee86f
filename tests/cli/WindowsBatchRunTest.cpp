// The built programs run as Windows starts them: standard input the NUL device, output to files,
// VELMORA_HOSTS in a temporary folder. Only what Windows changes: the line rules, the C runtime's CR LF
// on standard output and error, names outside ASCII through the wide command line, a read-only HOSTS
// file, the exit statuses of both forms, and which program asks how: the classic switches with
// Velmora's own message box (answered here as a user would), the option form on the console or not at
// all, velmora.exe without arguments with its window.
#include "platform/WindowsText.h"
#include "support/TempDir.h"
#include "win32/Win32MainWindow.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include <commctrl.h>
#include <windows.h>

namespace velmora {
namespace {

const std::string kHosts = "127.0.0.1 localhost\r\n10.0.0.1 nas\r\n";
// The same two names with Windows line ends and with LF alone, as lists from the web end them; either
// way they are saved with CR LF.
const std::string kCrLfList = "ad.example\r\nb.example\r\n";
const std::string kLfList = "ad.example\nb.example\n";
const std::string kMerged = kHosts + "127.0.0.1 ad.example\r\n127.0.0.1 b.example\r\n";
const std::string kOutside = "H\xC3\xB4tes \xE2\x9C\x93"; // a folder name outside ASCII, with spaces

enum class Program {
    Desktop, // velmora.exe: no console of its own
    Console, // velmora.com
};

// A message box the run must show, and the caption of the button pressed on it.
struct Answer {
    std::string prompt;
    std::string button;
};

// A window's text, asked of the window itself (the program's own windows are in another process).
std::wstring text(HWND window) {
    std::wstring buffer(static_cast<size_t>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    buffer.resize(
        static_cast<size_t>(SendMessageW(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()))));
    return buffer;
}

// The visible top-level window of that class belonging to the process, or null.
HWND windowOf(DWORD process, const wchar_t* className) {
    struct Search {
        DWORD process;
        const wchar_t* className;
        HWND found;
    } search{process, className, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) {
            auto* s = reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            wchar_t name[64] = {};
            GetClassNameW(window, name, 64);
            if (owner == s->process && std::wstring(name) == s->className && IsWindowVisible(window)) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The texts of a window's visible children of a class.
std::vector<HWND> children(HWND window, const wchar_t* className) {
    struct Search {
        const wchar_t* className;
        std::vector<HWND> found;
    } search{className, {}};
    EnumChildWindows(
        window,
        [](HWND child, LPARAM data) {
            auto* s = reinterpret_cast<Search*>(data);
            wchar_t name[64] = {};
            GetClassNameW(child, name, 64);
            if (_wcsicmp(name, s->className) == 0 && IsWindowVisible(child))
                s->found.push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Runs the program with these arguments on hosts and waits for it (60 s at most), answering the message
// boxes it shows in order: each must show its prompt, and the button with the given caption is pressed.
// `hidden`: started as a console program without its window (CREATE_NO_WINDOW) whose standard streams are
// that console's; otherwise standard input is NUL and output and errors go to the files. Its exit status,
// or -1 when it had to be ended.
int run(Program program, const std::vector<std::string>& arguments, const std::string& hosts, const std::string& out,
        const std::string& err, const std::vector<Answer>& answers, bool hidden = false) {
    SetEnvironmentVariableW(L"VELMORA_HOSTS", wideText(hosts).c_str());
    std::string command =
        std::string("\"") + (program == Program::Desktop ? VELMORA_BINARY : VELMORA_CONSOLE_BINARY) + "\"";
    for (const std::string& argument : arguments) // none ends in a backslash or holds a quote
        command += argument.find(' ') == std::string::npos ? " " + argument : " \"" + argument + "\"";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const auto open = [&inherit](const std::string& path, bool write) {
        return CreateFileW(wideText(path).c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, write ? CREATE_ALWAYS : OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!hidden) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = open("NUL", false);
        startup.hStdOutput = open(out, true);
        startup.hStdError = open(err, true);
    }
    PROCESS_INFORMATION started{};
    std::wstring line = wideText(command);
    const BOOL ok = CreateProcessW(nullptr, line.data(), nullptr, nullptr, !hidden, hidden ? CREATE_NO_WINDOW : 0,
                                   nullptr, nullptr, &startup, &started);
    for (HANDLE handle : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) {
        if (handle)
            CloseHandle(handle);
    }
    if (!ok) {
        ADD_FAILURE() << "could not start " << command;
        return -1;
    }
    size_t answered = 0;
    DWORD status = static_cast<DWORD>(-1);
    for (int waited = 0; WaitForSingleObject(started.hProcess, 50) == WAIT_TIMEOUT; waited += 50) {
        if (waited > 60000) {
            ADD_FAILURE() << "still running after 60 s";
            TerminateProcess(started.hProcess, static_cast<UINT>(-1));
            break;
        }
        HWND box = windowOf(started.dwProcessId, L"vbMsgBox");
        if (!box)
            continue;
        if (answered == answers.size()) {
            ADD_FAILURE() << "an unexpected message box";
            PostMessageW(box, WM_CLOSE, 0, 0);
            continue;
        }
        std::vector<std::string> texts;
        for (HWND label : children(box, L"Static"))
            texts.push_back(utf8Text(text(label)));
        EXPECT_NE(std::find(texts.begin(), texts.end(), answers[answered].prompt), texts.end())
            << answers[answered].prompt;
        for (HWND button : children(box, L"Button")) {
            if (utf8Text(text(button)) == answers[answered].button)
                PostMessageW(button, BM_CLICK, 0, 0);
        }
        ++answered;
        // Until the box is gone.
        for (int i = 0; i < 100 && IsWindow(box) && IsWindowVisible(box); ++i)
            Sleep(20);
    }
    EXPECT_EQ(answered, answers.size()) << "message boxes answered";
    GetExitCodeProcess(started.hProcess, &status);
    CloseHandle(started.hProcess);
    CloseHandle(started.hThread);
    return static_cast<int>(status);
}

struct RunCase {
    const char* name;
    Program program;
    std::vector<std::string> arguments; // "{dir}" stands for the temporary folder, also in out and err
    int status;
    std::optional<std::string> hostsAfter; // nullopt: as it was
    std::optional<std::string> backup;     // nullopt: no backup
    std::string out, err;
    std::vector<Answer> answers = {};
    std::string hostsName = "hosts";
    bool readOnly = false; // the HOSTS file has the read-only attribute
};

class WindowsBatchRun : public ::testing::TestWithParam<RunCase> {};

// Each command line leaves exactly these files, output and exit status.
TEST_P(WindowsBatchRun, LeavesTheseBytes) {
    const RunCase& c = GetParam();
    test::TempDir dir;
    auto expand = [&](const std::string& text) {
        return std::regex_replace(text, std::regex("\\{dir\\}"), dir.path());
    };
    std::filesystem::create_directories(test::nativePath(dir.file(kOutside)));
    test::writeFile(dir.file("lf list.txt"), kLfList);
    test::writeFile(dir.file(kOutside + "/l\xC3\xAFste.txt"), kCrLfList);
    const std::string hosts = dir.file(c.hostsName);
    test::writeFile(hosts, kHosts);
    const std::wstring wideHosts = wideText(hosts);
    if (c.readOnly)
        SetFileAttributesW(wideHosts.c_str(), FILE_ATTRIBUTE_READONLY);
    std::vector<std::string> arguments;
    for (const std::string& argument : c.arguments)
        arguments.push_back(expand(argument));
    std::vector<Answer> answers = c.answers;
    for (Answer& answer : answers)
        answer.prompt = expand(answer.prompt);
    EXPECT_EQ(run(c.program, arguments, hosts, dir.file(".out"), dir.file(".err"), answers), c.status);
    EXPECT_EQ(test::readFile(dir.file(".out")), expand(c.out));
    EXPECT_EQ(test::readFile(dir.file(".err")), expand(c.err));
    EXPECT_EQ(test::readFile(hosts), c.hostsAfter.value_or(kHosts));
    EXPECT_EQ(test::readFile(hosts + ".bak"), c.backup.value_or("<missing>"));
    const DWORD attributes = GetFileAttributesW(wideHosts.c_str());
    EXPECT_EQ(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY), c.readOnly);
    SetFileAttributesW(wideHosts.c_str(), FILE_ATTRIBUTE_NORMAL);
}

const std::string kClearQuestion = "Do you want to clear the HOSTS file?";

// clang-format off
const RunCase kRunCases[] = {
    {"OptionAddLf", Program::Console, {"--add", "{dir}/lf list.txt"}, 0, kMerged, kHosts,
     "Merged 2 new lines from {dir}/lf list.txt into {dir}/hosts (backup: {dir}/hosts.bak)\r\n", ""},
    {"OptionAddOutsideAscii", Program::Console, {"--add", "{dir}/" + kOutside + "/l\xC3\xAFste.txt"}, 0, kMerged,
     kHosts, "Merged 2 new lines from {dir}/" + kOutside + "/l\xC3\xAFste.txt into {dir}/" + kOutside +
     "/hosts (backup: {dir}/" + kOutside + "/hosts.bak)\r\n", "", {}, kOutside + "/hosts"},
    // The desktop's program writes to where its output was sent, as the console's does.
    {"DesktopOptionAdd", Program::Desktop, {"--add", "{dir}/lf list.txt"}, 0, kMerged, kHosts,
     "Merged 2 new lines from {dir}/lf list.txt into {dir}/hosts (backup: {dir}/hosts.bak)\r\n", ""},
    // NUL is no console: nothing is asked, the answer is No; no box holds a script up.
    {"OptionRemoveAllDeclined", Program::Console, {"--removeall"}, 0, {}, {}, "",
     "velmora: Do you want to clear the HOSTS file? Answered No: standard input is not a terminal.\r\n"},
    {"DesktopOptionRemoveAllDeclined", Program::Desktop, {"--removeall"}, 0, {}, {}, "",
     "velmora: Do you want to clear the HOSTS file? Answered No: standard input is not a terminal.\r\n"},
    // The classic switches ask with the message box, from either program.
    {"ClassicRemoveAllDeclined", Program::Desktop, {"/removeall"}, 0, {}, {}, "", "", {{kClearQuestion, "&No"}}},
    {"ClassicRemoveAllYes", Program::Console, {"/removeall"}, 0, "127.0.0.1 localhost\r\n", kHosts, "", "",
     {{kClearQuestion, "&Yes"}}},
    {"ClassicAddSilent", Program::Desktop, {"/add", "{dir}/lf list.txt"}, 0, kMerged, kHosts, "", ""},
    {"OptionReadOnlyHosts", Program::Console, {"--removeall", "--yes"}, 0, "127.0.0.1 localhost\r\n", kHosts,
     "Reset {dir}/hosts to 127.0.0.1 localhost (backup: {dir}/hosts.bak)\r\n",
     "velmora: {dir}/hosts is read-only: the attribute was cleared for the save and set again.\r\n", {}, "hosts", true},
    {"OptionMissingList", Program::Console, {"--add", "{dir}/none.txt"}, 2, {}, {}, "",
     "velmora: {dir}/none.txt: no list to merge (missing, empty or not a file)\r\n"},
    // A failed save is told in the box and on standard error.
    {"ClassicSaveFails", Program::Desktop, {"/removeall", "/s"}, 1, "<missing>", {}, "",
     "velmora: The HOSTS list was not saved. {dir}/gone/hosts: not written, because the lock "
     "{dir}/gone/.hosts.velmora-lock cannot be taken: No such file or directory\r\n",
     {{"The HOSTS list was not saved. {dir}/gone/hosts: not written, because the lock "
       "{dir}/gone/.hosts.velmora-lock cannot be taken: No such file or directory", "OK"}}, "gone/hosts"},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Velmora, WindowsBatchRun, ::testing::ValuesIn(kRunCases),
                         [](const auto& p) { return std::string(p.param.name); });

// Started with a console nobody sees (CREATE_NO_WINDOW), the option form asks no question there: the
// answer is No at once. The classic switches still ask, in the message box.
TEST(WindowsRun, HiddenConsoleIsAskedNothing) {
    test::TempDir dir;
    const std::string hosts = dir.file("hosts");
    test::writeFile(hosts, kHosts);
    EXPECT_EQ(run(Program::Console, {"--removeall"}, hosts, "", "", {}, true), 0);
    EXPECT_EQ(test::readFile(hosts), kHosts);
    EXPECT_EQ(run(Program::Console, {"/removeall"}, hosts, "", "", {{kClearQuestion, "&Yes"}}, true), 0);
    EXPECT_EQ(test::readFile(hosts), "127.0.0.1 localhost\r\n");
}

// velmora.exe without arguments opens the window on the HOSTS file, loaded; closed unchanged, it ends
// with status 0. With /noload only the path is shown.
TEST(WindowsRun, DesktopProgramOpensTheWindow) {
    test::TempDir dir;
    const std::string hosts = dir.file("hosts");
    test::writeFile(hosts, kHosts);
    for (const bool noLoad : {false, true}) {
        SetEnvironmentVariableW(L"VELMORA_HOSTS", wideText(hosts).c_str());
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        std::wstring line = wideText(std::string("\"") + VELMORA_BINARY + "\"" + (noLoad ? " /noload" : ""));
        ASSERT_TRUE(
            CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started));
        HWND window = nullptr;
        for (int i = 0; i < 600 && !window; ++i) {
            window = windowOf(started.dwProcessId, L"formVelmora");
            if (!window)
                Sleep(50);
        }
        ASSERT_TRUE(window) << "no window";
        const auto control = [window](const char* name) {
            return GetDlgItem(window, Win32MainWindow::controlId(name));
        };
        EXPECT_EQ(text(window), L"Velmora");
        EXPECT_EQ(utf8Text(text(control("txtHOSTS(1)"))), hosts);
        EXPECT_EQ(SendMessageW(control("lstHOSTS"), LVM_GETITEMCOUNT, 0, 0), noLoad ? 0 : 2);
        EXPECT_EQ(utf8Text(text(control("lblHOSTS3"))), noLoad ? "" : "Total: 2");
        PostMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(WaitForSingleObject(started.hProcess, 30000), WAIT_OBJECT_0);
        DWORD status = 1;
        GetExitCodeProcess(started.hProcess, &status);
        EXPECT_EQ(status, 0u);
        CloseHandle(started.hProcess);
        CloseHandle(started.hThread);
    }
}

} // namespace
} // namespace velmora
