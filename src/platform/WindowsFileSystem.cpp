#include "platform/WindowsFileSystem.h"

#include "platform/WindowsText.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <io.h>

#include <windows.h>

namespace velmora {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// A file another program holds without sharing (a virus scanner, an editor) is tried again this
// often, this long apart, before the sharing violation is reported.
constexpr int kShareRetries = 20;
constexpr DWORD kShareRetryMs = 50;
// The lock is a byte far beyond anything the lock file holds: Windows locks keep other handles from
// reading the locked bytes, and the holder's process number must stay readable.
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;
// 100-nanosecond steps from 1601 to 1970.
constexpr int64_t kEpochDifference = 116444736000000000LL;

int errnoFrom(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
        return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_NOT_SAME_DEVICE:
        return EXDEV;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    case ERROR_DIRECTORY:
        return ENOTDIR;
    default:
        return kWindowsErrorBase + static_cast<int>(error);
    }
}

int lastError() {
    return -errnoFrom(GetLastError());
}

bool isSharingViolation(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

// Runs call (a system call that says success with true) until it succeeds or fails with anything but
// a sharing violation, or the retries are spent. Returns 0 or the Windows error.
template <typename Call> DWORD retryShared(Call call) {
    for (int attempt = 0;; ++attempt) {
        if (call())
            return 0;
        const DWORD error = GetLastError();
        if (!isSharingViolation(error) || attempt == kShareRetries)
            return error;
        Sleep(kShareRetryMs);
    }
}

// A handle from CreateFileW, or INVALID_HANDLE_VALUE with the Windows error in error.
HANDLE openHandle(const std::string& path, DWORD access, DWORD disposition, DWORD flags, DWORD& error) {
    const std::wstring name = wideText(path);
    HANDLE handle = INVALID_HANDLE_VALUE;
    error = retryShared([&] {
        handle = CreateFileW(name.c_str(), access, kShareAll, nullptr, disposition, flags, nullptr);
        return handle != INVALID_HANDLE_VALUE;
    });
    return handle;
}

// The full form of a name: ReplaceFileW works out the folders of its files from the names it is
// given, and a bare name has none (wine then fails it as "not a folder").
std::wstring fullPath(const std::string& path) {
    const std::wstring name = wideText(path);
    const DWORD size = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return name;
    std::wstring full(size, L'\0');
    const DWORD length = GetFullPathNameW(name.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size)
        return name;
    full.resize(length);
    return full;
}

HANDLE handleOf(int fd) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

// The descriptor that owns handle from now on (closing it closes the handle), or -errno.
int descriptorFor(HANDLE handle, int flags) {
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), flags | _O_BINARY | _O_NOINHERIT);
    if (fd < 0) {
        CloseHandle(handle);
        return -EMFILE;
    }
    return fd;
}

PathInfo infoOfHandle(HANDLE handle) {
    PathInfo info;
    BY_HANDLE_FILE_INFORMATION data{};
    if (!GetFileInformationByHandle(handle, &data)) {
        info.error = errnoFrom(GetLastError());
        return info;
    }
    info.exists = true;
    info.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    info.isRegular = !info.isDirectory && GetFileType(handle) == FILE_TYPE_DISK;
    info.readOnly = (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    // Only the owner's bits: what others may do is the access list's business, not a mode's.
    info.mode = (info.readOnly ? 0444 : 0644) | (info.isDirectory ? 0111 : 0);
    info.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    info.device = data.dwVolumeSerialNumber;
    info.inode = (static_cast<uint64_t>(data.nFileIndexHigh) << 32) | data.nFileIndexLow;
    info.links = data.nNumberOfLinks;
    const uint64_t since1601 =
        (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    info.modifiedNs = (static_cast<int64_t>(since1601) - kEpochDifference) * 100;
    return info;
}

bool isLink(HANDLE handle) {
    FILE_ATTRIBUTE_TAG_INFO tag{};
    return GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag) &&
           (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

} // namespace

uint32_t WindowsFileSystem::userId() {
    static const uint32_t user = [] {
        HANDLE token = nullptr;
        TOKEN_ELEVATION elevation{};
        DWORD size = 0;
        const bool elevated = OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) &&
                              GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
                              elevation.TokenIsElevated != 0;
        if (token)
            CloseHandle(token);
        return elevated ? 0u : 1u;
    }();
    return user;
}

PathInfo WindowsFileSystem::stat(const std::string& path, bool followLinks) {
    // Asking for the attributes alone is never a sharing violation, whoever holds the file.
    DWORD error = 0;
    const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    const HANDLE handle = openHandle(path, FILE_READ_ATTRIBUTES, OPEN_EXISTING, flags, error);
    if (handle == INVALID_HANDLE_VALUE) {
        PathInfo info;
        info.error = errnoFrom(error);
        return info;
    }
    PathInfo info = infoOfHandle(handle);
    info.uid = userId();
    info.isSymlink = !followLinks && isLink(handle);
    if (info.isSymlink)
        info.isRegular = false;
    CloseHandle(handle);
    return info;
}

PathInfo WindowsFileSystem::fileInfo(int fd) {
    const HANDLE handle = handleOf(fd);
    if (handle == INVALID_HANDLE_VALUE) {
        PathInfo info;
        info.error = EBADF;
        return info;
    }
    PathInfo info = infoOfHandle(handle);
    info.uid = userId();
    return info;
}

ResolvedPath WindowsFileSystem::resolveLinks(const std::string& path) {
    DWORD error = 0;
    const HANDLE handle = openHandle(path, 0, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, error);
    if (handle == INVALID_HANDLE_VALUE)
        return {std::string(), errnoFrom(error)};
    std::wstring buffer(MAX_PATH, L'\0');
    DWORD length = GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()), 0);
    if (length >= buffer.size()) {
        buffer.assign(length + 1, L'\0');
        length = GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()), 0);
    }
    error = GetLastError();
    CloseHandle(handle);
    if (length == 0 || length >= buffer.size())
        return {std::string(), length == 0 ? errnoFrom(error) : ENAMETOOLONG};
    std::string result = utf8Text(std::wstring_view(buffer.data(), length));
    // The final path comes as \\?\C:\...; the plain form is what the rest of the program shows.
    if (result.rfind("\\\\?\\", 0) == 0 && result.rfind("\\\\?\\UNC\\", 0) != 0)
        result.erase(0, 4);
    return {result, 0};
}

int WindowsFileSystem::openRead(const std::string& path, bool followLinks) {
    DWORD error = 0;
    const DWORD flags = FILE_FLAG_SEQUENTIAL_SCAN | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    const HANDLE handle = openHandle(path, GENERIC_READ, OPEN_EXISTING, flags, error);
    if (handle == INVALID_HANDLE_VALUE) {
        // A folder cannot be opened as a file; say what it is, as POSIX does.
        const DWORD attributes = GetFileAttributesW(wideText(path).c_str());
        if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return -EISDIR;
        return -errnoFrom(error);
    }
    const PathInfo info = infoOfHandle(handle);
    if (!followLinks && isLink(handle)) {
        CloseHandle(handle);
        return -ELOOP;
    }
    if (!info.isRegular) {
        CloseHandle(handle);
        return info.isDirectory ? -EISDIR : -EINVAL;
    }
    return descriptorFor(handle, _O_RDONLY);
}

int WindowsFileSystem::createExclusive(const std::string& path, uint32_t) {
    // CREATE_NEW fails on any name that is taken, a link included.
    DWORD error = 0;
    const HANDLE handle = openHandle(path, GENERIC_READ | GENERIC_WRITE, CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, error);
    if (handle == INVALID_HANDLE_VALUE)
        return -errnoFrom(error);
    return descriptorFor(handle, _O_RDWR);
}

int WindowsFileSystem::openWriteInPlace(const std::string& path) {
    DWORD error = 0;
    const HANDLE handle = openHandle(path, GENERIC_WRITE, OPEN_EXISTING, 0, error);
    if (handle == INVALID_HANDLE_VALUE)
        return -errnoFrom(error);
    if (!infoOfHandle(handle).isRegular) {
        CloseHandle(handle);
        return -EINVAL;
    }
    if (!SetEndOfFile(handle)) {
        const int rc = lastError();
        CloseHandle(handle);
        return rc;
    }
    return descriptorFor(handle, _O_WRONLY);
}

ssize_t WindowsFileSystem::read(int fd, void* buffer, size_t size) {
    DWORD done = 0;
    const DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    if (!ReadFile(handleOf(fd), buffer, want, &done, nullptr))
        return GetLastError() == ERROR_BROKEN_PIPE ? 0 : lastError();
    return static_cast<ssize_t>(done);
}

ssize_t WindowsFileSystem::write(int fd, const void* data, size_t size) {
    DWORD done = 0;
    const DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    if (!WriteFile(handleOf(fd), data, want, &done, nullptr))
        return lastError();
    return static_cast<ssize_t>(done);
}

int WindowsFileSystem::syncFile(int fd) {
    return FlushFileBuffers(handleOf(fd)) ? 0 : lastError();
}

int WindowsFileSystem::setReadOnly(const std::string& path, bool readOnly) {
    const std::wstring name = wideText(path);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return lastError();
    DWORD wanted = readOnly ? attributes | FILE_ATTRIBUTE_READONLY : attributes & ~DWORD{FILE_ATTRIBUTE_READONLY};
    if (wanted == 0)
        wanted = FILE_ATTRIBUTE_NORMAL;
    const DWORD error = retryShared([&] { return SetFileAttributesW(name.c_str(), wanted) != 0; });
    return error == 0 ? 0 : -errnoFrom(error);
}

int WindowsFileSystem::close(int fd) {
    return _close(fd) == 0 ? 0 : -errno;
}

int WindowsFileSystem::rename(const std::string& from, const std::string& to) {
    const std::wstring source = fullPath(from);
    const std::wstring target = fullPath(to);
    const DWORD moveFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
    auto move = [&] { return MoveFileExW(source.c_str(), target.c_str(), moveFlags) != 0; };
    if (GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = retryShared(move);
        return error == 0 ? 0 : -errnoFrom(error);
    }
    DWORD error = retryShared([&] {
        return ReplaceFileW(target.c_str(), source.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                            nullptr) != 0;
    });
    // The old file is gone but the new one kept its own name: the move finishes the replacement.
    if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT)
        error = retryShared(move);
    return error == 0 ? 0 : -errnoFrom(error);
}

int WindowsFileSystem::remove(const std::string& path) {
    const std::wstring name = wideText(path);
    const DWORD error = retryShared([&] { return DeleteFileW(name.c_str()) != 0; });
    return error == 0 ? 0 : -errnoFrom(error);
}

int WindowsFileSystem::makeFolder(const std::string& path, uint32_t) {
    const std::wstring name = wideText(path);
    if (CreateDirectoryW(name.c_str(), nullptr))
        return 0;
    const DWORD error = GetLastError();
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (error == ERROR_ALREADY_EXISTS && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return 0;
    return -errnoFrom(error);
}

FolderNames WindowsFileSystem::listFolder(const std::string& dir) {
    FolderNames result;
    std::string pattern = dir.empty() ? std::string(".") : dir;
    if (pattern.back() != '\\' && pattern.back() != '/')
        pattern += '\\';
    WIN32_FIND_DATAW data{};
    const HANDLE find = FindFirstFileW(wideText(pattern + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        result.error = errnoFrom(GetLastError());
        return result;
    }
    do {
        const std::string name = utf8Text(data.cFileName);
        if (name != "." && name != "..")
            result.names.push_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return result;
}

int WindowsFileSystem::openLockFile(const std::string& path, uint32_t) {
    DWORD error = 0;
    const HANDLE handle =
        openHandle(path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, FILE_FLAG_OPEN_REPARSE_POINT, error);
    if (handle == INVALID_HANDLE_VALUE)
        return -errnoFrom(error);
    // Only a file of its own: a link, or a hard link to some other file, would otherwise be written to.
    BY_HANDLE_FILE_INFORMATION data{};
    if (isLink(handle) || !infoOfHandle(handle).isRegular || !GetFileInformationByHandle(handle, &data) ||
        data.nNumberOfLinks != 1) {
        CloseHandle(handle);
        return -EPERM;
    }
    return descriptorFor(handle, _O_RDWR);
}

int WindowsFileSystem::tryLock(int fd) {
    OVERLAPPED at{};
    at.OffsetHigh = kLockOffsetHigh;
    if (LockFileEx(handleOf(fd), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at))
        return 0;
    const DWORD error = GetLastError();
    return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? -EWOULDBLOCK : -errnoFrom(error);
}

int WindowsFileSystem::truncate(int fd) {
    const HANDLE handle = handleOf(fd);
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(handle, start, nullptr, FILE_BEGIN) || !SetEndOfFile(handle))
        return lastError();
    return 0;
}

int WindowsFileSystem::processId() {
    return static_cast<int>(GetCurrentProcessId());
}

std::string WindowsFileSystem::errorText(int error) {
    if (error < kWindowsErrorBase)
        return std::strerror(error);
    const DWORD code = static_cast<DWORD>(error - kWindowsErrorBase);
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = length ? utf8Text(std::wstring_view(text, length)) : std::string();
    LocalFree(text);
    // One line, ending like the C library's texts: without the final stop and line end.
    while (!message.empty() &&
           (message.back() == '\n' || message.back() == '\r' || message.back() == ' ' || message.back() == '.'))
        message.pop_back();
    return message.empty() ? "Windows error " + std::to_string(code) : message;
}

FileSystem& systemFileSystem() {
    static WindowsFileSystem fileSystem;
    return fileSystem;
}

} // namespace velmora
