#include "core/HostsFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <string_view>

namespace velmora {

namespace {

constexpr size_t kChunk = 1 << 20;
// Reads start with pieces this large and double up to kChunk, so a small file costs no large buffer.
constexpr size_t kFirstChunk = 1 << 16;

std::string folderOf(const std::string& path) {
    const size_t sep = path.find_last_of("/\\");
    return sep == std::string::npos ? std::string() : path.substr(0, sep + 1);
}

std::string nameOf(const std::string& path) {
    const size_t sep = path.find_last_of("/\\");
    return sep == std::string::npos ? path : path.substr(sep + 1);
}

// A fresh name in the same folder as path, for a file created exclusively (a name taken meanwhile
// by anyone else only costs another attempt).
std::string temporaryNameFor(const std::string& path, int attempt) {
    static std::atomic<unsigned> counter{0};
    static const auto start =
        static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
    return folderOf(path) + "." + nameOf(path) + ".velmora-" + std::to_string(start % 1000000007ull) + "-" +
           std::to_string(counter++) + "-" + std::to_string(attempt);
}

int writeAll(FileSystem& files, int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = files.write(fd, data.data(), data.size());
        if (n < 0)
            return static_cast<int>(-n);
        if (n == 0)
            return EIO;
        data.remove_prefix(static_cast<size_t>(n));
    }
    return 0;
}

// Writes the lines through a buffer of about a megabyte. Returns 0 or an errno.
int writeLines(FileSystem& files, int fd, const EntryList& lines, std::string_view lineEnd) {
    std::string buffer;
    for (int32_t i = 0; i < lines.count(); ++i) {
        const std::string_view line = lines.text(i);
        if (line.size() > kChunk) {
            if (int error = writeAll(files, fd, buffer))
                return error;
            buffer.clear();
            if (int error = writeAll(files, fd, line))
                return error;
        } else {
            buffer.append(line);
        }
        buffer.append(lineEnd);
        if (buffer.size() >= kChunk) {
            if (int error = writeAll(files, fd, buffer))
                return error;
            buffer.clear();
        }
    }
    return writeAll(files, fd, buffer);
}

struct TempFile {
    std::string path;
    int fd = -1;
    int error = 0;
};

TempFile createTemporaryBeside(FileSystem& files, const std::string& path, uint32_t mode) {
    TempFile temp;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp.path = temporaryNameFor(path, attempt);
        temp.fd = files.createExclusive(temp.path, mode);
        if (temp.fd >= 0)
            return temp;
        temp.error = -temp.fd;
        if (temp.error != EEXIST)
            break;
    }
    temp.fd = -1;
    return temp;
}

// Finishes a file written to fd: sync and close. Returns 0 or an errno; fd is closed either way.
int finishFile(FileSystem& files, int fd) {
    int error = 0;
    if (int rc = files.syncFile(fd); rc < 0)
        error = -rc;
    if (int rc = files.close(fd); rc < 0 && error == 0)
        error = -rc;
    return error;
}

std::string reason(FileSystem& files, const std::string& path, int error) {
    return path + ": " + files.errorText(error);
}

// Writes bytes (or the lines) into a new file beside target and renames it over target.
// Returns 0, or an errno; on failure nothing but the temporary file was touched, and it is gone.
int replaceAtomically(FileSystem& files, const std::string& target, const PathInfo& info, const std::string* bytes,
                      const EntryList* lines, std::string_view lineEnd, bool* renameRefused) {
    TempFile temp = createTemporaryBeside(files, target, info.exists ? info.mode : 0644);
    if (temp.fd < 0)
        return temp.error;
    int error = 0;
    if (info.exists) {
        // Keep owner and mode; a change of owner that the system refuses to a non-root user is not
        // worth losing the save over, the mode is.
        files.setOwner(temp.fd, info.uid, info.gid);
        if (int rc = files.setMode(temp.fd, info.mode); rc < 0)
            error = -rc;
    }
    if (error == 0)
        error = bytes ? writeAll(files, temp.fd, *bytes) : writeLines(files, temp.fd, *lines, lineEnd);
    if (error == 0) {
        error = finishFile(files, temp.fd);
    } else {
        files.close(temp.fd);
    }
    if (error == 0) {
        if (int rc = files.rename(temp.path, target); rc < 0) {
            error = -rc;
            if (renameRefused)
                *renameRefused = error == EBUSY || error == EXDEV;
        }
    }
    if (error != 0) {
        files.remove(temp.path);
        return error;
    }
    files.syncDirectory(folderOf(target));
    return 0;
}

int writeInPlace(FileSystem& files, const std::string& target, const std::string* bytes, const EntryList* lines,
                 std::string_view lineEnd) {
    const int fd = files.openWriteInPlace(target);
    if (fd < 0)
        return -fd;
    int error = bytes ? writeAll(files, fd, *bytes) : writeLines(files, fd, *lines, lineEnd);
    if (error == 0)
        return finishFile(files, fd);
    files.close(fd);
    return error;
}

} // namespace

bool fileHasData(FileSystem& files, const std::string& path) {
    if (path.empty())
        return false;
    const PathInfo info = files.stat(path, true);
    return info.exists && info.isRegular && info.size > 0;
}

FileBytes readFileBytes(FileSystem& files, const std::string& path) {
    FileBytes result;
    const int fd = files.openRead(path);
    if (fd < 0) {
        result.error = -fd;
        return result;
    }
    const PathInfo info = files.stat(path, true);
    if (info.exists && info.size < (uint64_t{1} << 40))
        result.bytes.reserve(static_cast<size_t>(info.size) + 1); // one more, to see the end without growing
    for (size_t piece = kFirstChunk;;) {
        const size_t old = result.bytes.size();
        const size_t room = result.bytes.capacity() - old;
        const size_t want = room > 0 ? std::min(room, kChunk) : piece;
        result.bytes.resize(old + want);
        const ssize_t n = files.read(fd, result.bytes.data() + old, want);
        if (n <= 0) {
            result.bytes.resize(old);
            if (n < 0)
                result.error = static_cast<int>(-n);
            break;
        }
        result.bytes.resize(old + static_cast<size_t>(n));
        if (static_cast<size_t>(n) == piece)
            piece = std::min(piece * 2, kChunk);
    }
    files.close(fd);
    return result;
}

int readFileLines(FileSystem& files, const std::string& path, LineConvention convention,
                  const std::function<void(std::string_view)>& onLine, size_t chunkSize) {
    const int fd = files.openRead(path);
    if (fd < 0)
        return -fd;
    const bool lfEnds = convention == LineConvention::Posix;
    std::string buffer;
    size_t start = 0; // where the current line begins
    size_t pos = 0;   // how far the buffer has been scanned
    bool eof = false;
    int error = 0;
    size_t piece = std::min(chunkSize, kFirstChunk);
    for (;;) {
        const size_t size = buffer.size();
        while (pos < size) {
            const char c = buffer[pos];
            if (c == '\r') {
                // A CR at the very end may be followed by an LF in the next piece.
                if (pos + 1 == size && !eof)
                    break;
                onLine(std::string_view(buffer.data() + start, pos - start));
                ++pos;
                if (pos < size && buffer[pos] == '\n')
                    ++pos;
                start = pos;
            } else if (c == '\n' && lfEnds) {
                onLine(std::string_view(buffer.data() + start, pos - start));
                start = ++pos;
            } else {
                ++pos;
            }
        }
        if (eof) {
            if (start < buffer.size())
                onLine(std::string_view(buffer.data() + start, buffer.size() - start));
            break;
        }
        buffer.erase(0, start);
        pos -= start;
        start = 0;
        const size_t old = buffer.size();
        // Into the buffer's own room while the unfinished line is short; more room only for a long one.
        const size_t want = old < piece / 2 ? piece - old : piece;
        buffer.resize(old + want);
        const ssize_t n = files.read(fd, buffer.data() + old, want);
        if (n > 0 && static_cast<size_t>(n) == want)
            piece = std::min(piece * 2, chunkSize);
        if (n <= 0) {
            buffer.resize(old);
            eof = true;
            if (n < 0)
                error = static_cast<int>(-n);
            continue;
        }
        buffer.resize(old + static_cast<size_t>(n));
    }
    files.close(fd);
    return error;
}

SaveResult saveHostsFile(FileSystem& files, const std::string& path, const EntryList& lines,
                         LineConvention convention) {
    SaveResult result;
    auto failed = [&](SaveStatus status, const std::string& message) {
        result.status = status;
        result.message = message;
        return result;
    };

    // A link is written through: everything below works on the file it points at.
    // A file that cannot be looked at is not taken for a missing one: that would replace it unbacked.
    auto unknown = [](const PathInfo& i) { return !i.exists && i.error != 0 && i.error != ENOENT; };
    std::string target = path;
    const PathInfo linkInfo = files.stat(path, false);
    if (unknown(linkInfo))
        return failed(SaveStatus::WriteFailed, reason(files, path, linkInfo.error));
    if (linkInfo.exists && linkInfo.isSymlink) {
        const ResolvedPath resolved = files.resolveLinks(path);
        if (resolved.error != 0 || resolved.path.empty())
            return failed(SaveStatus::WriteFailed, reason(files, path, resolved.error ? resolved.error : ENOENT));
        target = resolved.path;
    }
    const PathInfo info = files.stat(target, true);
    if (unknown(info))
        return failed(SaveStatus::WriteFailed, reason(files, path, info.error));
    if (info.exists && !info.isRegular)
        return failed(SaveStatus::NotRegular, path + ": not a regular file");

    // The old contents: copied to the backup, used to choose the line end, and kept to put back
    // should an in-place write fail.
    std::string old;
    if (info.exists && info.size > 0) {
        FileBytes read = readFileBytes(files, target);
        if (read.error != 0)
            return failed(SaveStatus::BackupFailed, "cannot read " + reason(files, path, read.error));
        old = std::move(read.bytes);
    }
    const std::string_view lineEnd = lineEndBytes(lineEndFor(old, convention));

    if (!old.empty()) {
        result.backupPath = path + ".bak";
        // The backup is a new file renamed into place (with the target's mode and owner), so a link
        // planted at the backup's path is replaced, never written through.
        if (int error = replaceAtomically(files, result.backupPath, info, &old, nullptr, {}, nullptr))
            return failed(SaveStatus::BackupFailed,
                          "cannot write the backup " + reason(files, result.backupPath, error));
        result.backedUp = true;
    }

    bool renameRefused = false;
    int error = replaceAtomically(files, target, info, nullptr, &lines, lineEnd, &renameRefused);
    if (error != 0 && info.exists && (renameRefused || error == EACCES || error == EPERM)) {
        // The file cannot be replaced (a bind mount, or a folder we may not write): write it in place.
        error = writeInPlace(files, target, nullptr, &lines, lineEnd);
        if (error != 0)
            writeInPlace(files, target, &old, nullptr, {});
    }
    if (error != 0)
        return failed(SaveStatus::WriteFailed, reason(files, path, error));
    return result;
}

} // namespace velmora
