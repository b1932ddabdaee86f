#include "platform/PosixFileSystem.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {

namespace {
int fail() {
    return -errno;
}
} // namespace

PathInfo PosixFileSystem::stat(const std::string& path, bool followLinks) {
    PathInfo info;
    struct stat st {};
    const int rc = followLinks ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st);
    if (rc != 0) {
        info.error = errno;
        return info;
    }
    info.exists = true;
    info.isRegular = S_ISREG(st.st_mode);
    info.isDirectory = S_ISDIR(st.st_mode);
    info.isSymlink = S_ISLNK(st.st_mode);
    info.size = static_cast<uint64_t>(st.st_size);
    info.mode = st.st_mode & 07777;
    info.uid = st.st_uid;
    info.gid = st.st_gid;
    return info;
}

ResolvedPath PosixFileSystem::resolveLinks(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved)
        return {std::string(), errno ? errno : ENOENT};
    ResolvedPath result{std::string(resolved), 0};
    std::free(resolved);
    return result;
}

int PosixFileSystem::openRead(const std::string& path) {
    // Non-blocking so that a FIFO cannot hold us; anything but a regular file is refused.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
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
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    return fd < 0 ? fail() : fd;
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

int PosixFileSystem::syncFile(int fd) {
    return ::fsync(fd) == 0 ? 0 : fail();
}

int PosixFileSystem::setOwner(int fd, uint32_t uid, uint32_t gid) {
    return ::fchown(fd, uid, gid) == 0 ? 0 : fail();
}

int PosixFileSystem::setMode(int fd, uint32_t mode) {
    return ::fchmod(fd, mode) == 0 ? 0 : fail();
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

int PosixFileSystem::syncDirectory(const std::string& dir) {
    const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return fail();
    const int rc = ::fsync(fd) == 0 ? 0 : -errno;
    ::close(fd);
    return rc;
}

std::string PosixFileSystem::errorText(int error) {
    return std::strerror(error);
}

FileSystem& systemFileSystem() {
    static PosixFileSystem fileSystem;
    return fileSystem;
}

} // namespace velmora
