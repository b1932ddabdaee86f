#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#ifdef _MSC_VER
#include <BaseTsd.h>
typedef SSIZE_T ssize_t;
#else
#include <sys/types.h>
#endif

namespace velmora {

// What the file system says about a path.
struct PathInfo {
    bool exists = false;
    bool isRegular = false;
    bool isDirectory = false;
    bool isSymlink = false; // only when asked not to follow links
    uint64_t size = 0;
    uint32_t mode = 0; // permission bits
    uint32_t uid = 0;
    uint32_t gid = 0;
    int error = 0; // errno of a failed query
};

// A path with every link resolved, or the errno of the failure.
struct ResolvedPath {
    std::string path;
    int error = 0;
};

// The file operations that reading and saving the HOSTS file need. One implementation per operating
// system, chosen when building, and a fake for tests that injects faults. The calls follow the POSIX
// calls they are named after, but report failures in their result, never through errno: a negative
// result is -errno.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    virtual PathInfo stat(const std::string& path, bool followLinks) = 0;
    virtual ResolvedPath resolveLinks(const std::string& path) = 0;
    virtual int openRead(const std::string& path) = 0; // never blocks (FIFOs are refused)
    virtual int createExclusive(const std::string& path, uint32_t mode) = 0;
    virtual int openWriteInPlace(const std::string& path) = 0; // existing file, cut to nothing
    virtual ssize_t read(int fd, void* buffer, size_t size) = 0;
    virtual ssize_t write(int fd, const void* data, size_t size) = 0;
    virtual int syncFile(int fd) = 0;
    virtual int setOwner(int fd, uint32_t uid, uint32_t gid) = 0;
    virtual int setMode(int fd, uint32_t mode) = 0;
    virtual int close(int fd) = 0;
    virtual int rename(const std::string& from, const std::string& to) = 0;
    virtual int remove(const std::string& path) = 0;
    virtual int syncDirectory(const std::string& dir) = 0;
    // The system's description of an errno value.
    virtual std::string errorText(int error) = 0;
};

// The file system of the running system.
FileSystem& systemFileSystem();

} // namespace velmora
