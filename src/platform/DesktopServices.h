#pragma once

#include <string>

class QWidget;

namespace velmora {

// A request for the Open or Save dialog.
struct FileDialogRequest {
    QWidget* owner = nullptr;
    std::string title;
    std::string filter;      // pairs "description|pattern|..."; a description alone matches every file
    std::string initialPath; // a folder or a file path; the dialog starts as near to it as it can
    std::string initialName; // proposed file name (Save only)
};

// The desktop around the window: file dialogs, programs started for files, folders and addresses,
// sounds and window stacking. None of them waits for a started program or reports a failure.
class DesktopServices {
public:
    virtual ~DesktopServices() = default;

    virtual std::string chooseOpenFile(const FileDialogRequest& request) = 0; // empty when cancelled
    virtual std::string chooseSaveFile(const FileDialogRequest& request) = 0; // empty when cancelled
    virtual void openInTextEditor(const std::string& path) = 0;
    virtual void openFolder(const std::string& path) = 0;
    virtual void openAddress(const std::string& address) = 0;
    // Plays a named system sound event ("SystemAsterisk", ...) without waiting.
    virtual void playSound(const std::string& eventName) = 0;
    // Keeps a window above all others.
    virtual void makeTopmost(QWidget* window) = 0;
};

// The desktop of the running system; needs a QApplication.
DesktopServices& systemDesktopServices();

} // namespace velmora
