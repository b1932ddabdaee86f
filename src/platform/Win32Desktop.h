#pragma once

#include <windows.h>

#include <string>

namespace velmora {

// A request for the system's Open or Save dialog.
struct Win32FileDialogRequest {
    HWND owner = nullptr;
    std::string title;
    std::string filter;      // pairs "description|pattern|..."; a description alone matches every file
    std::string initialPath; // a folder or a file path; the dialog starts as near to it as it can
    std::string initialName; // proposed file name (Save only)
};

// The desktop around the Win32 window, as DesktopServices is for the Qt one: the system's file dialogs,
// programs started for files, folders and addresses, system sounds and window stacking. Texts are
// UTF-8. None of them waits for a started program or reports a failure.
class Win32Desktop {
public:
    virtual ~Win32Desktop() = default;

    virtual std::string chooseOpenFile(const Win32FileDialogRequest& request) = 0; // empty when cancelled
    // Asks before replacing a file and before creating one; empty when cancelled.
    virtual std::string chooseSaveFile(const Win32FileDialogRequest& request) = 0;
    virtual void openInTextEditor(const std::string& path) = 0;
    virtual void openFolder(const std::string& path) = 0;
    virtual void openAddress(const std::string& address) = 0;
    // Plays a named system sound event ("SystemAsterisk", ...) without waiting.
    virtual void playSound(const std::string& eventName) = 0;
    // Keeps a window above all others.
    virtual void makeTopmost(HWND window) = 0;
};

// The desktop of the running Windows session.
Win32Desktop& systemWin32Desktop();

} // namespace velmora
