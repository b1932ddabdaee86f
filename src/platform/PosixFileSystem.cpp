#include "platform/PosixFileSystem.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/xattr.h>
#endif

namespace velmora {

namespace {
int fail() {
    return -errno;
}

PathInfo infoOf(const struct stat& st) {
    PathInfo info;
    info.exists = true;
    info.isRegular = S_ISREG(st.st_mode);
    info.isDirectory = S_ISDIR(st.st_mode);
    info.isSymlink = S_ISLNK(st.st_mode);
    info.size = static_cast<uint64_t>(st.st_size);
    info.mode = st.st_mode & 07777;
    info.uid = st.st_uid;
    info.gid = st.st_gid;
    info.device = static_cast<uint64_t>(st.st_dev);
    info.inode = static_cast<uint64_t>(st.st_ino);
    info.links = static_cast<uint64_t>(st.st_nlink);
    info.modifiedNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return info;
}

} // namespace

PathInfo PosixFileSystem::stat(const std::string& path, bool followLinks) {
    struct stat st {};
    const int rc = followLinks ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st);
    if (rc != 0) {
        PathInfo info;
        info.error = errno;
        return info;
    }
    return infoOf(st);
}

PathInfo PosixFileSystem::fileInfo(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        PathInfo info;
        info.error = errno;
        return info;
    }
    return infoOf(st);
}

ResolvedPath PosixFileSystem::resolveLinks(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved)
        return {std::string(), errno ? errno : ENOENT};
    ResolvedPath result{std::string(resolved), 0};
    std::free(resolved);
    return result;
}

ResolvedPath PosixFileSystem::readLink(const std::string& path) {
    std::string target(256, '\0');
    for (;;) {
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n < 0)
            return {std::string(), errno};
        if (static_cast<size_t>(n) < target.size()) {
            target.resize(static_cast<size_t>(n));
            return {target, 0};
        }
        target.resize(target.size() * 2);
    }
}

AccessList PosixFileSystem::accessList(const std::string& path) {
    AccessList list;
#ifdef __linux__
    // The kernel's form of an access list: a version, then entries of a tag, permissions and an id,
    // each little-endian (linux/posix_acl_xattr.h); read here so that no library is needed for it.
    constexpr uint32_t kVersion = 2;
    constexpr uint16_t kUser = 0x02, kGroup = 0x08, kMask = 0x10;
    constexpr uint16_t kWrite = 0x02;
    unsigned char buffer[8 * 1024];
    const ssize_t size = ::lgetxattr(path.c_str(), "system.posix_acl_access", buffer, sizeof buffer);
    if (size < 0) {
        if (errno != ENODATA && errno != ENOTSUP && errno != EOPNOTSUPP)
            list.error = errno;
        return list;
    }
    const auto word = [&](size_t at, int bytes) {
        uint32_t value = 0;
        for (int i = bytes; i-- > 0;)
            value = value << 8 | buffer[at + static_cast<size_t>(i)];
        return value;
    };
    if (size < 4 || word(0, 4) != kVersion || (size - 4) % 8 != 0) {
        list.error = EINVAL;
        return list;
    }
    uint16_t mask = 0x7;
    for (size_t at = 4; at < static_cast<size_t>(size); at += 8)
        if (word(at, 2) == kMask)
            mask = static_cast<uint16_t>(word(at + 2, 2));
    for (size_t at = 4; at < static_cast<size_t>(size); at += 8) {
        const uint32_t tag = word(at, 2);
        if ((tag == kUser || tag == kGroup) && (word(at + 2, 2) & mask & kWrite) != 0)
            (tag == kUser ? list.users : list.groups).push_back(word(at + 4, 4));
    }
#else
    (void)path;
#endif
    return list;
}

int PosixFileSystem::openRead(const std::string& path, bool followLinks) {
    // Non-blocking so that a FIFO cannot hold us; anything but a regular file is refused.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | (followLinks ? 0 : O_NOFOLLOW));
    if (fd < 0)
        return fail();
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        return -error;
    }
    return fd;
}

int PosixFileSystem::createExclusive(const std::string& path, uint32_t mode) {
    // Born readable by its owner alone, so that a default access list of the folder cannot grant a
    // group or another user more than the mode will; that list is then dropped and the mode set.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return fail();
#ifdef __linux__
    ::fremovexattr(fd, "system.posix_acl_access");
#endif
    if (::fchmod(fd, mode) != 0) {
        const int error = errno;
        ::close(fd);
        ::unlink(path.c_str());
        return -error;
    }
    return fd;
}

int PosixFileSystem::openWriteInPlace(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail();
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -EINVAL;
    }
    if (::ftruncate(fd, 0) != 0) {
        const int error = errno;
        ::close(fd);
        return -error;
    }
    return fd;
}

ssize_t PosixFileSystem::read(int fd, void* buffer, size_t size) {
    ssize_t n;
    do {
        n = ::read(fd, buffer, size);
    } while (n < 0 && errno == EINTR);
    return n < 0 ? fail() : n;
}

ssize_t PosixFileSystem::write(int fd, const void* data, size_t size) {
    ssize_t n;
    do {
        n = ::write(fd, data, size);
    } while (n < 0 && errno == EINTR);
    return n < 0 ? fail() : n;
}

int PosixFileSystem::copyData(int from, int to) {
#if defined(__linux__)
    // Inside the kernel, with no copy through this process (and on some file systems no copy at all).
    // Where the kernel cannot (other file systems, old kernels) the first call says so and nothing
    // has been copied yet.
    for (bool first = true;; first = false) {
        const ssize_t n = ::copy_file_range(from, nullptr, to, nullptr, size_t{1} << 30, 0);
        if (n == 0)
            return 0;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && first && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP))
            break;
        if (n < 0)
            return errno;
    }
#endif
    return FileSystem::copyData(from, to);
}

int PosixFileSystem::syncFile(int fd) {
    return ::fsync(fd) == 0 ? 0 : fail();
}

int PosixFileSystem::setOwner(int fd, uint32_t uid, uint32_t gid) {
    return ::fchown(fd, uid, gid) == 0 ? 0 : fail();
}

int PosixFileSystem::setMode(int fd, uint32_t mode) {
    return ::fchmod(fd, mode) == 0 ? 0 : fail();
}

int PosixFileSystem::setReadOnly(const std::string&, bool) {
    return -ENOTSUP;
}

int PosixFileSystem::close(int fd) {
    return ::close(fd) == 0 ? 0 : fail();
}

int PosixFileSystem::rename(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : fail();
}

int PosixFileSystem::remove(const std::string& path) {
    return ::unlink(path.c_str()) == 0 ? 0 : fail();
}

int PosixFileSystem::makeFolder(const std::string& path, uint32_t mode) {
    if (::mkdir(path.c_str(), static_cast<mode_t>(mode)) == 0)
        return 0;
    const int error = errno;
    struct stat st {};
    return error == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? 0 : -error;
}

int PosixFileSystem::syncDirectory(const std::string& dir) {
    const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return fail();
    const int rc = ::fsync(fd) == 0 ? 0 : -errno;
    ::close(fd);
    return rc;
}

FolderNames PosixFileSystem::listFolder(const std::string& dir) {
    FolderNames result;
    DIR* folder = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!folder) {
        result.error = errno;
        return result;
    }
    while (const dirent* entry = ::readdir(folder)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            result.names.push_back(name);
    }
    ::closedir(folder);
    return result;
}

int PosixFileSystem::openLockFile(const std::string& path, uint32_t mode) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, mode);
    if (fd < 0)
        return fail();
    // Only a file of its own: a hard link to some other file would otherwise be written to.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1 ||
        (st.st_uid != ::geteuid() && st.st_uid != 0)) {
        ::close(fd);
        return -EPERM;
    }
    return fd;
}

int PosixFileSystem::tryLock(int fd) {
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    return rc == 0 ? 0 : -(errno == EAGAIN ? EWOULDBLOCK : errno);
}

int PosixFileSystem::truncate(int fd) {
    if (::ftruncate(fd, 0) != 0 || ::lseek(fd, 0, SEEK_SET) != 0)
        return fail();
    return 0;
}

uint32_t PosixFileSystem::userId() {
    return ::geteuid();
}

int PosixFileSystem::processId() {
    return static_cast<int>(::getpid());
}

std::string PosixFileSystem::errorText(int error) {
    return std::strerror(error);
}

FileSystem& systemFileSystem() {
    static PosixFileSystem fileSystem;
    return fileSystem;
}

} // namespace velmora
