#include "platform/WindowsEnvironment.h"

#include "platform/WindowsText.h"

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

void prepareStandardStreams() {
    SetConsoleOutputCP(CP_UTF8);
    DWORD mode = 0;
    const HANDLE err = standardHandle(2);
    if (GetConsoleMode(err, &mode))
        SetConsoleMode(err, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

} // namespace velmora
