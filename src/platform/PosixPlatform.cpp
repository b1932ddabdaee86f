#include "platform/PosixPlatform.h"

#include "platform/QtDesktop.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {

namespace {
int fail() { return -errno; }
} // namespace

std::string PosixPlatform::environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

PathInfo PosixPlatform::stat(const std::string& path, bool followLinks) {
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

std::string PosixPlatform::resolveLinks(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved)
        return {};
    std::string result(resolved);
    std::free(resolved);
    return result;
}

int PosixPlatform::openRead(const std::string& path) {
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

int PosixPlatform::createExclusive(const std::string& path, uint32_t mode) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    return fd < 0 ? fail() : fd;
}

int PosixPlatform::openWriteInPlace(const std::string& path) {
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

ssize_t PosixPlatform::read(int fd, void* buffer, size_t size) {
    ssize_t n;
    do {
        n = ::read(fd, buffer, size);
    } while (n < 0 && errno == EINTR);
    return n < 0 ? fail() : n;
}

ssize_t PosixPlatform::write(int fd, const void* data, size_t size) {
    ssize_t n;
    do {
        n = ::write(fd, data, size);
    } while (n < 0 && errno == EINTR);
    return n < 0 ? fail() : n;
}

int PosixPlatform::syncFile(int fd) { return ::fsync(fd) == 0 ? 0 : fail(); }

int PosixPlatform::setOwner(int fd, uint32_t uid, uint32_t gid) { return ::fchown(fd, uid, gid) == 0 ? 0 : fail(); }

int PosixPlatform::setMode(int fd, uint32_t mode) { return ::fchmod(fd, mode) == 0 ? 0 : fail(); }

int PosixPlatform::close(int fd) { return ::close(fd) == 0 ? 0 : fail(); }

int PosixPlatform::rename(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : fail();
}

int PosixPlatform::remove(const std::string& path) { return ::unlink(path.c_str()) == 0 ? 0 : fail(); }

int PosixPlatform::syncDirectory(const std::string& dir) {
    const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return fail();
    const int rc = ::fsync(fd) == 0 ? 0 : -errno;
    ::close(fd);
    return rc;
}

std::string PosixPlatform::errorText(int error) { return std::strerror(error); }

std::string PosixPlatform::chooseOpenFile(const FileDialogRequest& request) { return qtChooseFile(request, false); }

std::string PosixPlatform::chooseSaveFile(const FileDialogRequest& request) { return qtChooseFile(request, true); }

void PosixPlatform::openInTextEditor(const std::string& path) { qtOpenInTextEditor(path); }

void PosixPlatform::openFolder(const std::string& path) { qtOpenFolder(path); }

void PosixPlatform::openAddress(const std::string& address) { qtOpenAddress(address); }

void PosixPlatform::playSound(const std::string& eventName) { qtPlaySound(eventName); }

void PosixPlatform::makeTopmost(void* window) { qtMakeTopmost(window); }

Platform& systemPlatformDefault() {
    static PosixPlatform platform;
    return platform;
}

} // namespace velmora
