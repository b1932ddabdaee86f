#pragma once

#include "platform/Win32Desktop.h"

#include <string>

namespace velmora {

// The Windows desktop: the common Open and Save dialogs, the shell for Notepad, folders and addresses,
// the system's sound events and topmost windows.
class Win32ShellDesktop : public Win32Desktop {
public:
    std::string chooseOpenFile(const Win32FileDialogRequest& request) override;
    std::string chooseSaveFile(const Win32FileDialogRequest& request) override;
    void openInTextEditor(const std::string& path) override;
    void openFolder(const std::string& path) override;
    void openAddress(const std::string& address) override;
    void playSound(const std::string& eventName) override;
    void makeTopmost(HWND window) override;
};

// "desc|pattern|desc|pattern" as the common dialogs' filter: pairs of texts, each ended by a NUL and the
// whole by two. A description without a pattern lists every file.
std::wstring win32DialogFilter(const std::string& filter);

} // namespace velmora
