#pragma once

#include "platform/FileSystem.h"

namespace velmora {

// POSIX systems: files through the system calls.
class PosixFileSystem : public FileSystem {
public:
    PathInfo stat(const std::string& path, bool followLinks) override;
    ResolvedPath resolveLinks(const std::string& path) override;
    ResolvedPath readLink(const std::string& path) override;
    AccessList accessList(const std::string& path) override;
    int openRead(const std::string& path, bool followLinks) override;
    PathInfo fileInfo(int fd) override;
    int createExclusive(const std::string& path, uint32_t mode) override;
    int openWriteInPlace(const std::string& path) override;
    ssize_t read(int fd, void* buffer, size_t size) override;
    ssize_t write(int fd, const void* data, size_t size) override;
    int copyData(int from, int to) override;
    int syncFile(int fd) override;
    int setOwner(int fd, uint32_t uid, uint32_t gid) override;
    int setMode(int fd, uint32_t mode) override;
    int setReadOnly(const std::string& path, bool readOnly) override;
    int close(int fd) override;
    int rename(const std::string& from, const std::string& to) override;
    int remove(const std::string& path) override;
    int syncDirectory(const std::string& dir) override;
    FolderNames listFolder(const std::string& dir) override;
    int makeFolder(const std::string& path, uint32_t mode) override;
    int openLockFile(const std::string& path, uint32_t mode) override;
    int tryLock(int fd) override;
    int truncate(int fd) override;
    uint32_t userId() override;
    int processId() override;
    std::string errorText(int error) override;
};

} // namespace velmora
