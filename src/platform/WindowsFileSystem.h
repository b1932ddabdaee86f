#pragma once

#include "platform/FileSystem.h"

namespace velmora {

// Windows: files through the C runtime's descriptors and MoveFileEx. Owners and modes are not
// Windows notions and are left alone.
class WindowsFileSystem : public FileSystem {
public:
    PathInfo stat(const std::string& path, bool followLinks) override;
    ResolvedPath resolveLinks(const std::string& path) override;
    int openRead(const std::string& path, bool followLinks) override;
    PathInfo fileInfo(int fd) override;
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
    FolderNames listFolder(const std::string& dir) override;
    int openLockFile(const std::string& path, uint32_t mode) override;
    int tryLock(int fd) override;
    int truncate(int fd) override;
    // Owners are not compared on Windows: every file counts as the running user's.
    uint32_t userId() override { return 0; }
    int processId() override;
    std::string errorText(int error) override;
};

} // namespace velmora
