#include "platform/WindowsPlatform.h"

#include "platform/QtDesktop.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <windows.h>
#include <mmsystem.h>
#include <shellapi.h>

namespace velmora {

namespace {

// The directory a query fills into a 256-character buffer: as many characters as it reports.
template <typename Query> std::string directoryFrom(Query query) {
    char buffer[256] = {};
    const UINT length = query(buffer, 256);
    return std::string(buffer, length < 256 ? length : 256);
}

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

int fail() { return -errno; }

unsigned clampSize(size_t size) { return size > INT_MAX ? INT_MAX : static_cast<unsigned>(size); }

} // namespace

bool WindowsPlatform::isNt() { return (GetVersion() & 0x80000000u) == 0; }

std::string WindowsPlatform::windowsDirectory() {
    return directoryFrom([](char* buffer, UINT size) { return GetWindowsDirectoryA(buffer, size); });
}

std::string WindowsPlatform::systemDirectory() {
    return directoryFrom([](char* buffer, UINT size) { return GetSystemDirectoryA(buffer, size); });
}

std::string WindowsPlatform::environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

PathInfo WindowsPlatform::stat(const std::string& path, bool followLinks) {
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

std::string WindowsPlatform::resolveLinks(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    char buffer[MAX_PATH * 4] = {};
    const DWORD length = GetFinalPathNameByHandleA(file, buffer, sizeof buffer, FILE_NAME_NORMALIZED);
    CloseHandle(file);
    if (length == 0 || length >= sizeof buffer)
        return {};
    std::string result(buffer, length);
    // The final path comes as \\?\C:\...; the plain form is enough here.
    if (result.rfind("\\\\?\\", 0) == 0 && result.rfind("\\\\?\\UNC\\", 0) != 0)
        result.erase(0, 4);
    return result;
}

int WindowsPlatform::openRead(const std::string& path) {
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

int WindowsPlatform::createExclusive(const std::string& path, uint32_t) {
    const int fd = _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                         _S_IREAD | _S_IWRITE);
    return fd < 0 ? fail() : fd;
}

int WindowsPlatform::openWriteInPlace(const std::string& path) {
    const int fd = _open(path.c_str(), _O_WRONLY | _O_TRUNC | _O_BINARY | _O_NOINHERIT);
    return fd < 0 ? fail() : fd;
}

ssize_t WindowsPlatform::read(int fd, void* buffer, size_t size) {
    const int n = _read(fd, buffer, clampSize(size));
    return n < 0 ? fail() : n;
}

ssize_t WindowsPlatform::write(int fd, const void* data, size_t size) {
    const int n = _write(fd, data, clampSize(size));
    return n < 0 ? fail() : n;
}

int WindowsPlatform::syncFile(int fd) { return _commit(fd) == 0 ? 0 : fail(); }

int WindowsPlatform::close(int fd) { return _close(fd) == 0 ? 0 : fail(); }

int WindowsPlatform::rename(const std::string& from, const std::string& to) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return 0;
    return -errnoFrom(GetLastError());
}

int WindowsPlatform::remove(const std::string& path) { return _unlink(path.c_str()) == 0 ? 0 : fail(); }

std::string WindowsPlatform::errorText(int error) { return std::strerror(error); }

std::string WindowsPlatform::chooseOpenFile(const FileDialogRequest& request) { return qtChooseFile(request, false); }

std::string WindowsPlatform::chooseSaveFile(const FileDialogRequest& request) { return qtChooseFile(request, true); }

void WindowsPlatform::openInTextEditor(const std::string& path) {
    // Notepad with the path as its one parameter, as typed (no quotes added).
    ShellExecuteA(nullptr, nullptr, "notepad.exe", path.c_str(), nullptr, SW_SHOWNORMAL);
}

void WindowsPlatform::openFolder(const std::string& path) {
    ShellExecuteA(nullptr, nullptr, path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void WindowsPlatform::openAddress(const std::string& address) {
    ShellExecuteA(nullptr, nullptr, address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void WindowsPlatform::playSound(const std::string& eventName) {
    // A named system sound event, played without waiting.
    PlaySoundA(eventName.c_str(), reinterpret_cast<HMODULE>(1), SND_ASYNC);
}

void WindowsPlatform::makeTopmost(void* window) { qtMakeTopmost(window); }

Platform& systemPlatformDefault() {
    static WindowsPlatform platform;
    return platform;
}

} // namespace velmora
