#include "platform/WindowsEnvironment.h"

#include <cstdlib>
#include <io.h>

#include <windows.h>

namespace velmora {

namespace {

// The directory a query fills into a 256-character buffer: as many characters as it reports.
template <typename Query> std::string directoryFrom(Query query) {
    char buffer[256] = {};
    const UINT length = query(buffer, 256);
    return std::string(buffer, length < 256 ? length : 256);
}

} // namespace

bool WindowsEnvironment::isNt() {
    return (GetVersion() & 0x80000000u) == 0;
}

std::string WindowsEnvironment::windowsDirectory() {
    return directoryFrom([](char* buffer, UINT size) { return GetWindowsDirectoryA(buffer, size); });
}

std::string WindowsEnvironment::systemDirectory() {
    return directoryFrom([](char* buffer, UINT size) { return GetSystemDirectoryA(buffer, size); });
}

std::string WindowsEnvironment::variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

bool WindowsEnvironment::isTerminal(int fd) {
    return ::_isatty(fd) != 0;
}

// A Windows session always has its desktop.
bool WindowsEnvironment::displayAvailable() {
    return true;
}

Environment& systemEnvironment() {
    static WindowsEnvironment environment;
    return environment;
}

} // namespace velmora
