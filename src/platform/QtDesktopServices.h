#pragma once

#include "platform/DesktopServices.h"

namespace velmora {

// Desktop services on Qt. On POSIX systems files and folders open through xdg-open, started with an
// argument list and never through a shell, and sounds come from the freedesktop sound theme; on
// Windows the shell opens them and the system plays its named sounds. Paths are bytes in the
// file-system encoding, handed on unchanged.
class QtDesktopServices : public DesktopServices {
public:
    std::string chooseOpenFile(const FileDialogRequest& request) override;
    std::string chooseSaveFile(const FileDialogRequest& request) override;
    void openInTextEditor(const std::string& path) override;
    void openFolder(const std::string& path) override;
    void openAddress(const std::string& address) override;
    void playSound(const std::string& eventName) override;
    void makeTopmost(QWidget* window) override;
};

} // namespace velmora
