#pragma once

#include "platform/Platform.h"

namespace velmora {

// Windows: the version and directory queries of the system, files through the C runtime's descriptors
// and MoveFileEx, the shell for editors, folders and addresses, and named system sounds.
class WindowsPlatform : public Platform {
public:
    bool isNt() override;
    std::string windowsDirectory() override;
    std::string systemDirectory() override;
    std::string environment(const char* name) override;

    PathInfo stat(const std::string& path, bool followLinks) override;
    std::string resolveLinks(const std::string& path) override;
    int openRead(const std::string& path) override;
    int createExclusive(const std::string& path, uint32_t mode) override;
    int openWriteInPlace(const std::string& path) override;
    ssize_t read(int fd, void* buffer, size_t size) override;
    ssize_t write(int fd, const void* data, size_t size) override;
    int syncFile(int fd) override;
    int setOwner(int, uint32_t, uint32_t) override { return 0; }
    int setMode(int, uint32_t) override { return 0; }
    int close(int fd) override;
    int rename(const std::string& from, const std::string& to) override;
    int remove(const std::string& path) override;
    int syncDirectory(const std::string&) override { return 0; }
    std::string errorText(int error) override;

    std::string chooseOpenFile(const FileDialogRequest& request) override;
    std::string chooseSaveFile(const FileDialogRequest& request) override;
    void openInTextEditor(const std::string& path) override;
    void openFolder(const std::string& path) override;
    void openAddress(const std::string& address) override;
    void playSound(const std::string& eventName) override;
    void makeTopmost(void* window) override;
};

} // namespace velmora
