#pragma once

#include "platform/FileSystem.h"

namespace velmora {

// Windows: files through the wide-character calls of the system, as handles wrapped in C runtime
// descriptors. Owners and modes are not Windows notions and are left alone; the read-only attribute
// is. A file that another program holds open without sharing is waited for briefly.
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
    int setReadOnly(const std::string& path, bool readOnly) override;
    int close(int fd) override;
    // Over an existing file with ReplaceFileW, which keeps that file's attributes and access list;
    // else a move written through to the disk.
    int rename(const std::string& from, const std::string& to) override;
    int remove(const std::string& path) override;
    // Folders cannot be synced on Windows; the moves are written through instead.
    int syncDirectory(const std::string&) override { return 0; }
    FolderNames listFolder(const std::string& dir) override;
    int makeFolder(const std::string& path, uint32_t mode) override;
    int openLockFile(const std::string& path, uint32_t mode) override;
    int tryLock(int fd) override;
    int truncate(int fd) override;
    // Owners are not compared on Windows: every file counts as the running user's. The user is 0, as
    // root is elsewhere, when the process runs elevated (as administrator), else 1.
    uint32_t userId() override;
    int processId() override;
    // errno values in the C library's words, Windows errors (see kWindowsErrorBase) in the system's.
    std::string errorText(int error) override;
};

// A Windows error that has no errno the layers above act on travels as this plus its code, so that
// errorText can give the system's own message for it.
constexpr int kWindowsErrorBase = 0x20000000;

} // namespace velmora
