#include "platform/WindowsConsole.h"

#include <windows.h>

#include <cstdio>
#include <io.h>

namespace velmora {

namespace {

// Where a standard handle leads: nowhere (no handle, or one this process cannot use), to a console, or
// elsewhere: a file, a pipe or the NUL device, where the starter sent it.
enum class Stream { Nowhere, Console, Elsewhere };

Stream streamOf(DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return Stream::Nowhere;
    const DWORD type = GetFileType(handle);
    if (type == FILE_TYPE_UNKNOWN)
        return Stream::Nowhere;
    DWORD mode = 0;
    return type == FILE_TYPE_CHAR && GetConsoleMode(handle, &mode) ? Stream::Console : Stream::Elsewhere;
}

// Built for the desktop (the GUI subsystem) rather than as a console program.
bool desktopProgram() {
    const auto* image = reinterpret_cast<const BYTE*>(GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(image + dos->e_lfanew);
    return nt->OptionalHeader.Subsystem == IMAGE_SUBSYSTEM_WINDOWS_GUI;
}

} // namespace

void useParentConsole() {
    // A console program has its console, or was started without one on purpose. A desktop program may
    // have been given its parent's console already (wine does), or takes it now.
    if (!desktopProgram() || (!GetConsoleWindow() && !AttachConsole(ATTACH_PARENT_PROCESS)))
        return;
    // The console's input stays its shell's: a shell does not wait for a desktop program, and both would
    // read what is typed. A question is then answered No, as for a script.
    if (streamOf(STD_INPUT_HANDLE) != Stream::Elsewhere)
        SetStdHandle(STD_INPUT_HANDLE, nullptr);
    // Output sent elsewhere stays there; the rest goes to the console, the C and C++ streams with it.
    const struct {
        DWORD which;
        FILE* stream;
    } streams[] = {{STD_OUTPUT_HANDLE, stdout}, {STD_ERROR_HANDLE, stderr}};
    for (const auto& s : streams) {
        if (streamOf(s.which) == Stream::Elsewhere && _fileno(s.stream) >= 0)
            continue;
        if (std::freopen("CONOUT$", "w", s.stream))
            SetStdHandle(s.which, reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(s.stream))));
    }
}

} // namespace velmora
