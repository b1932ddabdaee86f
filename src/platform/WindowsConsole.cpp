#include "platform/WindowsConsole.h"

#include <windows.h>

#include <cstdio>
#include <io.h>

namespace velmora {

namespace {

bool usable(DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

} // namespace

void useParentConsole() {
    if (GetConsoleWindow() || (usable(STD_OUTPUT_HANDLE) && usable(STD_ERROR_HANDLE)))
        return;
    const bool input = usable(STD_INPUT_HANDLE);
    if (!AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    // The console's input stays its shell's: a shell does not wait for a desktop program, and both would
    // read what is typed. A question is then answered No, as for a script.
    if (!input)
        SetStdHandle(STD_INPUT_HANDLE, nullptr);
    // Only the output streams that lead nowhere go to the console; the C and C++ streams follow them.
    const struct {
        DWORD which;
        FILE* stream;
    } streams[] = {{STD_OUTPUT_HANDLE, stdout}, {STD_ERROR_HANDLE, stderr}};
    for (const auto& s : streams) {
        if (usable(s.which) && _fileno(s.stream) >= 0)
            continue;
        if (std::freopen("CONOUT$", "w", s.stream))
            SetStdHandle(s.which, reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(s.stream))));
    }
}

} // namespace velmora
