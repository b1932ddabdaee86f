#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>
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
    uint32_t mode = 0;     // permission bits
    bool readOnly = false; // Windows: the read-only attribute, which keeps every program from writing
    uint32_t uid = 0;
    uint32_t gid = 0;
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t links = 1;     // the names the file has (hard links)
    int64_t modifiedNs = 0; // last modification, nanoseconds since 1970
    int error = 0;          // errno of a failed query
};

// The names in a folder (without "." and ".."), or the errno of the failure.
struct FolderNames {
    std::vector<std::string> names;
    int error = 0;
};

// A path with every link resolved, or the errno of the failure.
struct ResolvedPath {
    std::string path;
    int error = 0;
};

// Whom a file's or folder's access list (POSIX ACLs) lets change it besides its owner: the users and
// groups of its named entries that grant writing, as far as the list's mask lets them. Where files
// have no such lists, or this one has none, the lists are empty.
struct AccessList {
    std::vector<uint32_t> users;
    std::vector<uint32_t> groups;
    int error = 0; // errno of a failed query
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
    // What the link at path holds (its target as written), without following it any further. Where
    // links cannot be read one by one, -ENOTSUP in error: resolveLinks then serves.
    virtual ResolvedPath readLink(const std::string& path) {
        (void)path;
        return {std::string(), ENOTSUP};
    }
    // The writers the access list of path names (a link at path is not followed).
    virtual AccessList accessList(const std::string& path) {
        (void)path;
        return {};
    }
    // Never blocks (FIFOs are refused); with followLinks false a link at path is refused (ELOOP).
    virtual int openRead(const std::string& path, bool followLinks) = 0;
    virtual PathInfo fileInfo(int fd) = 0;
    // A new file with exactly this mode (no umask, no inherited access entries); never through a link.
    virtual int createExclusive(const std::string& path, uint32_t mode) = 0;
    virtual int openWriteInPlace(const std::string& path) = 0; // existing file, cut to nothing
    virtual ssize_t read(int fd, void* buffer, size_t size) = 0;
    virtual ssize_t write(int fd, const void* data, size_t size) = 0;
    // Copies what is left to read of `from` to the end of `to`. Returns 0 or the errno of a failed
    // read or write. By default through read and write; a system may copy inside the kernel.
    virtual int copyData(int from, int to) {
        constexpr size_t kPiece = size_t{1} << 20;
        std::unique_ptr<char[]> buffer(new char[kPiece]);
        for (;;) {
            const ssize_t n = read(from, buffer.get(), kPiece);
            if (n <= 0)
                return n < 0 ? static_cast<int>(-n) : 0;
            for (ssize_t done = 0; done < n;) {
                const ssize_t w = write(to, buffer.get() + done, static_cast<size_t>(n - done));
                if (w <= 0)
                    return w < 0 ? static_cast<int>(-w) : EIO;
                done += w;
            }
        }
    }
    virtual int syncFile(int fd) = 0;
    virtual int setOwner(int fd, uint32_t uid, uint32_t gid) = 0;
    virtual int setMode(int fd, uint32_t mode) = 0;
    // Sets or clears the read-only attribute (Windows); -ENOTSUP where files have no such attribute.
    virtual int setReadOnly(const std::string& path, bool readOnly) = 0;
    virtual int close(int fd) = 0;
    virtual int rename(const std::string& from, const std::string& to) = 0;
    virtual int remove(const std::string& path) = 0;
    virtual int syncDirectory(const std::string& dir) = 0;
    virtual FolderNames listFolder(const std::string& dir) = 0;
    // A new folder with this mode; 0 also when a folder is already there. Where folders cannot be
    // made (the in-memory file systems of the fuzz targets) -ENOTSUP.
    virtual int makeFolder(const std::string& path, uint32_t mode) {
        (void)path;
        (void)mode;
        return -ENOTSUP;
    }

    // A lock file opened for an advisory lock: created with mode when missing, never through a link.
    virtual int openLockFile(const std::string& path, uint32_t mode) = 0;
    // Takes the exclusive lock on an open lock file without waiting: 0, or -EWOULDBLOCK while another
    // open file holds it. Closing the file releases it.
    virtual int tryLock(int fd) = 0;
    virtual int truncate(int fd) = 0; // to nothing, writing from the start again

    virtual uint32_t userId() = 0; // the effective user
    virtual int processId() = 0;
    // The system's description of an errno value.
    virtual std::string errorText(int error) = 0;
};

// The file system of the running system.
FileSystem& systemFileSystem();

} // namespace velmora
