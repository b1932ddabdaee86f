#include "platform/WindowsEnvironment.h"

#include "platform/WindowsText.h"

#include <cstdlib>

#include <windows.h>

#include <shellapi.h>

namespace velmora {

namespace {

// A folder that a query writes into a buffer and whose length it reports: retried with the size it
// asks for when the first buffer was too small. Empty when the query fails.
template <typename Query> std::string folderFrom(Query query) {
    std::wstring buffer(MAX_PATH, L'\0');
    UINT length = query(buffer.data(), static_cast<UINT>(buffer.size()));
    if (length >= buffer.size()) {
        buffer.assign(length, L'\0');
        length = query(buffer.data(), static_cast<UINT>(buffer.size()));
        if (length >= buffer.size())
            return {};
    }
    return utf8Text(std::wstring_view(buffer.data(), length));
}

HANDLE standardHandle(int fd) {
    return GetStdHandle(fd == 0 ? STD_INPUT_HANDLE : fd == 1 ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

// What prepareStandardStreams changed in the console, to be put back.
struct ConsoleState {
    UINT codePage = 0; // the output code page before; 0 when it was not changed
    DWORD errorMode = 0;
    bool errorModeChanged = false;
};
ConsoleState g_console;

void restoreConsole() {
    if (g_console.codePage != 0)
        SetConsoleOutputCP(g_console.codePage);
    if (g_console.errorModeChanged)
        SetConsoleMode(standardHandle(2), g_console.errorMode);
}

// Ctrl+C and the closing of the console end the process without the C library's exit handlers:
// the console is put back first, then the next handler (the system's) ends the process.
BOOL WINAPI restoreConsoleOnSignal(DWORD) {
    restoreConsole();
    return FALSE;
}

} // namespace

uint32_t WindowsEnvironment::windowsVersion() {
    return static_cast<uint32_t>(GetVersion());
}

std::string WindowsEnvironment::windowsDirectory() {
    return folderFrom([](wchar_t* buffer, UINT size) { return GetWindowsDirectoryW(buffer, size); });
}

std::string WindowsEnvironment::systemDirectory() {
    return folderFrom([](wchar_t* buffer, UINT size) { return GetSystemDirectoryW(buffer, size); });
}

std::string WindowsEnvironment::variable(const char* name) {
    const std::wstring wideName = wideText(name);
    const DWORD size = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (size == 0)
        return {};
    std::wstring value(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(wideName.c_str(), value.data(), size);
    return length < size ? utf8Text(std::wstring_view(value.data(), length)) : std::string();
}

std::string WindowsEnvironment::hostName() {
    wchar_t name[256] = {};
    DWORD size = 256;
    if (!GetComputerNameExW(ComputerNameDnsHostname, name, &size))
        return {};
    return utf8Text(std::wstring_view(name, size));
}

// Only a console someone can see counts: the NUL device, which the C runtime also calls a terminal,
// answers no question, and neither does a console without a window (a program started with
// CREATE_NO_WINDOW), where a question would wait for ever.
bool WindowsEnvironment::isTerminal(int fd) {
    DWORD mode = 0;
    return GetConsoleMode(standardHandle(fd), &mode) != 0 && GetConsoleWindow() != nullptr;
}

// The desktop of an interactive session; a service's window station shows nothing to anyone.
bool WindowsEnvironment::displayAvailable() {
    USEROBJECTFLAGS flags{};
    DWORD size = 0;
    return GetUserObjectInformationW(GetProcessWindowStation(), UOI_FLAGS, &flags, sizeof flags, &size) &&
           (flags.dwFlags & WSF_VISIBLE) != 0;
}

Environment& systemEnvironment() {
    static WindowsEnvironment environment;
    return environment;
}

std::vector<std::string> programArguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide)
        return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i)
        arguments.push_back(utf8Text(wide[i]));
    LocalFree(wide);
    return arguments;
}

bool prepareStandardStreams() {
    // The console is shared with the command prompt that started this run: what is changed here is
    // put back for it afterwards.
    const UINT codePage = GetConsoleOutputCP();
    if (codePage != 0 && codePage != CP_UTF8 && SetConsoleOutputCP(CP_UTF8))
        g_console.codePage = codePage;
    DWORD mode = 0;
    const HANDLE err = standardHandle(2);
    bool escapes = false;
    if (GetConsoleMode(err, &mode)) {
        escapes = (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
        if (!escapes && SetConsoleMode(err, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING)) {
            escapes = true;
            g_console.errorMode = mode;
            g_console.errorModeChanged = true;
        }
    }
    if (g_console.codePage != 0 || g_console.errorModeChanged) {
        std::atexit(restoreConsole);
        SetConsoleCtrlHandler(restoreConsoleOnSignal, TRUE);
    }
    return escapes;
}

} // namespace velmora
