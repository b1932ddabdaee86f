#include "platform/WindowsFileSystem.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <windows.h>

namespace velmora {

namespace {

int errnoFrom(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
        return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EBUSY;
    case ERROR_NOT_SAME_DEVICE:
        return EXDEV;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    default:
        return EIO;
    }
}

int fail() {
    return -errno;
}

unsigned clampSize(size_t size) {
    return size > INT_MAX ? INT_MAX : static_cast<unsigned>(size);
}

} // namespace

PathInfo WindowsFileSystem::stat(const std::string& path, bool followLinks) {
    PathInfo info;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        info.error = errnoFrom(GetLastError());
        return info;
    }
    info.exists = true;
    info.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    info.isSymlink = !followLinks && (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    info.isRegular = !info.isDirectory && (data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) == 0;
    info.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    info.mode = (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    return info;
}

ResolvedPath WindowsFileSystem::resolveLinks(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {std::string(), errnoFrom(GetLastError())};
    char buffer[MAX_PATH * 4] = {};
    const DWORD length = GetFinalPathNameByHandleA(file, buffer, sizeof buffer, FILE_NAME_NORMALIZED);
    const DWORD error = GetLastError();
    CloseHandle(file);
    if (length == 0 || length >= sizeof buffer)
        return {std::string(), length == 0 ? errnoFrom(error) : ENAMETOOLONG};
    std::string result(buffer, length);
    // The final path comes as \\?\C:\...; the plain form is enough here.
    if (result.rfind("\\\\?\\", 0) == 0 && result.rfind("\\\\?\\UNC\\", 0) != 0)
        result.erase(0, 4);
    return {result, 0};
}

PathInfo WindowsFileSystem::fileInfo(int fd) {
    PathInfo info;
    BY_HANDLE_FILE_INFORMATION data{};
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &data)) {
        info.error = EBADF;
        return info;
    }
    info.exists = true;
    info.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    info.isRegular = !info.isDirectory;
    info.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    info.mode = (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    info.device = data.dwVolumeSerialNumber;
    info.inode = (static_cast<uint64_t>(data.nFileIndexHigh) << 32) | data.nFileIndexLow;
    // 100-nanosecond steps since 1601, moved to 1970 like the clock the age of a file is measured by.
    const uint64_t since1601 =
        (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    info.modifiedNs = (static_cast<int64_t>(since1601) - 116444736000000000LL) * 100;
    return info;
}

int WindowsFileSystem::openRead(const std::string& path, bool) {
    const int fd = _open(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0)
        return fail();
    struct _stat64 st {};
    if (_fstat64(fd, &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG) {
        const int error = (st.st_mode & _S_IFMT) == _S_IFDIR ? EISDIR : EINVAL;
        _close(fd);
        return -error;
    }
    return fd;
}

int WindowsFileSystem::createExclusive(const std::string& path, uint32_t) {
    const int fd = _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
    return fd < 0 ? fail() : fd;
}

int WindowsFileSystem::openWriteInPlace(const std::string& path) {
    const int fd = _open(path.c_str(), _O_WRONLY | _O_TRUNC | _O_BINARY | _O_NOINHERIT);
    return fd < 0 ? fail() : fd;
}

ssize_t WindowsFileSystem::read(int fd, void* buffer, size_t size) {
    const int n = _read(fd, buffer, clampSize(size));
    return n < 0 ? fail() : n;
}

ssize_t WindowsFileSystem::write(int fd, const void* data, size_t size) {
    const int n = _write(fd, data, clampSize(size));
    return n < 0 ? fail() : n;
}

int WindowsFileSystem::syncFile(int fd) {
    return _commit(fd) == 0 ? 0 : fail();
}

int WindowsFileSystem::close(int fd) {
    return _close(fd) == 0 ? 0 : fail();
}

int WindowsFileSystem::rename(const std::string& from, const std::string& to) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return 0;
    return -errnoFrom(GetLastError());
}

int WindowsFileSystem::remove(const std::string& path) {
    return _unlink(path.c_str()) == 0 ? 0 : fail();
}

FolderNames WindowsFileSystem::listFolder(const std::string& dir) {
    FolderNames result;
    WIN32_FIND_DATAA data{};
    const std::string pattern = (dir.empty() ? std::string(".\\") : dir) + "*";
    const HANDLE find = FindFirstFileA(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        result.error = errnoFrom(GetLastError());
        return result;
    }
    do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..")
            result.names.push_back(name);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return result;
}

int WindowsFileSystem::openLockFile(const std::string& path, uint32_t) {
    const int fd = _open(path.c_str(), _O_RDWR | _O_CREAT | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
    return fd < 0 ? fail() : fd;
}

int WindowsFileSystem::tryLock(int fd) {
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    OVERLAPPED at{};
    if (LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at))
        return 0;
    const DWORD error = GetLastError();
    return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? -EWOULDBLOCK : -errnoFrom(error);
}

int WindowsFileSystem::truncate(int fd) {
    if (_chsize_s(fd, 0) != 0 || _lseeki64(fd, 0, SEEK_SET) != 0)
        return fail();
    return 0;
}

int WindowsFileSystem::processId() {
    return static_cast<int>(GetCurrentProcessId());
}

std::string WindowsFileSystem::errorText(int error) {
    return std::strerror(error);
}

FileSystem& systemFileSystem() {
    static WindowsFileSystem fileSystem;
    return fileSystem;
}

} // namespace velmora
