#include "core/WriteSteps.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <string_view>

namespace velmora {

namespace {

constexpr std::string_view kTemporaryMark = ".velmora-";
constexpr size_t kChunk = kReadChunk;

// A fresh name in the same folder as path, for a file created exclusively (a name taken meanwhile
// by anyone else only costs another attempt). The form is what isTemporaryName recognises.
std::string temporaryNameFor(const std::string& path, int attempt) {
    static std::atomic<unsigned> counter{0};
    static const auto start =
        static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
    return saving::folderOf(path) + "." + saving::nameOf(path) + std::string(kTemporaryMark) +
           std::to_string(start % 1000000007ull) + "-" + std::to_string(counter++) + "-" + std::to_string(attempt);
}

// Writes the content. Lines ending in LF go straight from the list's own memory, in runs as long as
// the list keeps them in order; other lines through a buffer of about a megabyte. Returns 0 or an
// errno. A copied file is not hashed: only the backup is written that way.
int writeContent(FileSystem& files, int fd, const saving::Content& content, ContentHash& hash) {
    using namespace saving;
    if (content.copyFrom >= 0)
        return files.copyData(content.copyFrom, fd);
    if (!content.lines) {
        hash.add(content.bytes);
        return writeAll(files, fd, content.bytes);
    }
    const EntryList& lines = *content.lines;
    std::string buffer;
    auto flush = [&](std::string_view data) {
        if (content.hashed)
            hash.add(data);
        return writeAll(files, fd, data);
    };
    if (content.lineEnd == "\n") {
        int error = 0;
        lines.forEachRun([&](std::string_view run) {
            if (error != 0)
                return;
            if (run.size() < kChunk / 16) {
                buffer.append(run);
                if (buffer.size() >= kChunk) {
                    error = flush(buffer);
                    buffer.clear();
                }
                return;
            }
            if (!buffer.empty()) {
                error = flush(buffer);
                buffer.clear();
            }
            if (error == 0)
                error = flush(run);
        });
        return error != 0 ? error : flush(buffer);
    }
    for (int32_t i = 0; i < lines.count(); ++i) {
        const std::string_view line = lines.text(i);
        if (line.size() > kChunk) {
            if (int error = flush(buffer))
                return error;
            buffer.clear();
            if (int error = flush(line))
                return error;
        } else {
            buffer.append(line);
        }
        buffer.append(content.lineEnd);
        if (buffer.size() >= kChunk) {
            if (int error = flush(buffer))
                return error;
            buffer.clear();
        }
    }
    return flush(buffer);
}

// Walks the bytes a content would write, to tell whether a file already holds exactly them.
class ContentMatcher {
public:
    explicit ContentMatcher(const saving::Content& content) : m_content(content) {}

    // The number of bytes the content writes.
    uint64_t length() const {
        if (!m_content.lines)
            return m_content.bytes.size();
        const EntryList& lines = *m_content.lines;
        return lines.textBytes() + uint64_t{static_cast<uint32_t>(lines.count())} * m_content.lineEnd.size();
    }
    // Compares the next bytes of the file; false from the first difference on.
    bool next(std::string_view block) {
        while (m_same && !block.empty()) {
            const std::string_view piece = current().substr(m_offset);
            if (piece.empty()) {
                if (!advance())
                    return m_same = false;
                continue;
            }
            const size_t n = std::min(piece.size(), block.size());
            m_same = piece.substr(0, n) == block.substr(0, n);
            m_offset += n;
            block.remove_prefix(n);
        }
        return m_same;
    }

private:
    // Lines are pieces two by two: a text, then its line end.
    std::string_view current() const {
        if (!m_content.lines)
            return m_content.bytes;
        if (m_piece / 2 >= m_content.lines->count())
            return {};
        return m_piece % 2 == 0 ? m_content.lines->text(m_piece / 2) : m_content.lineEnd;
    }
    bool advance() {
        if (!m_content.lines || m_piece / 2 >= m_content.lines->count())
            return false;
        ++m_piece;
        m_offset = 0;
        return true;
    }

    const saving::Content& m_content;
    int32_t m_piece = 0;
    size_t m_offset = 0;
    bool m_same = true;
};

// Finishes a file written to fd: sync, note what it now is, close. Returns 0 or an errno; fd is
// closed either way.
int finishFile(FileSystem& files, int fd, const ContentHash& hash, FileFingerprint* written) {
    int error = 0;
    if (int rc = files.syncFile(fd); rc < 0)
        error = -rc;
    if (error == 0 && written)
        *written = saving::fingerprintOf(files.fileInfo(fd), hash.length(), hash);
    if (int rc = files.close(fd); rc < 0 && error == 0)
        error = -rc;
    return error;
}

} // namespace

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

namespace saving {

std::string folderOf(const std::string& path) {
    const size_t sep = path.find_last_of("/\\");
    return sep == std::string::npos ? std::string() : path.substr(0, sep + 1);
}

std::string nameOf(const std::string& path) {
    const size_t sep = path.find_last_of("/\\");
    return sep == std::string::npos ? path : path.substr(sep + 1);
}

std::string folderToOpen(const std::string& path) {
    const std::string folder = folderOf(path);
    return folder.empty() ? std::string(".") : folder;
}

bool isTemporaryName(const std::string& name, const std::string& hostsName) {
    const size_t mark = name.rfind(kTemporaryMark);
    if (name.empty() || name[0] != '.' || mark == std::string::npos || mark + kTemporaryMark.size() >= name.size())
        return false;
    const char next = name[mark + kTemporaryMark.size()];
    if (next < '0' || next > '9')
        return false;
    const std::string base = name.substr(1, mark - 1);
    return base == hostsName || base == hostsName + ".bak" || base == "." + hostsName + ".velmora-journal" ||
           base.rfind(hostsName + ".unfinished-save", 0) == 0;
}

std::string reason(FileSystem& files, const std::string& path, int error) {
    return path + ": " + files.errorText(error);
}

bool holdsContent(FileSystem& files, const std::string& target, uint64_t size, const Content& content) {
    ContentMatcher matcher(content);
    if (matcher.length() != size)
        return false;
    bool same = true;
    const int error = readFileBlocks(
        files, target, [&](std::string_view block) { same = same && matcher.next(block); }, kReadChunk, nullptr, false);
    return error == 0 && same;
}

WriteOutcome replaceAtomically(FileSystem& files, const std::string& target, const PathInfo& info,
                               const Content& content, bool keepOwner, const std::function<bool()>& stillSame,
                               bool syncFolder) {
    WriteOutcome out;
    TempFile temp = createTemporaryBeside(files, target, info.exists ? info.mode : 0644);
    if (temp.fd < 0) {
        out.error = temp.error;
        // A name too long is the temporary name's, which is longer than the target's own.
        out.failedPath = temp.error == ENAMETOOLONG ? temp.path : target;
        return out;
    }
    int error = 0;
    if (info.exists) {
        // A change of owner that the system refuses to a non-root user costs a backup nothing; the
        // file itself is then written in place, which keeps its owner.
        if (files.setOwner(temp.fd, info.uid, info.gid) < 0 && keepOwner) {
            error = EPERM;
        } else if (int rc = files.setMode(temp.fd, info.mode); rc < 0) {
            error = -rc;
        }
    }
    ContentHash hash;
    if (error == 0)
        error = writeContent(files, temp.fd, content, hash);
    if (error == 0) {
        error = finishFile(files, temp.fd, hash, &out.written);
    } else {
        files.close(temp.fd);
    }
    if (error == 0 && stillSame && !stillSame()) {
        out.changed = true;
        error = EAGAIN;
    }
    if (error == 0) {
        if (int rc = files.rename(temp.path, target); rc < 0) {
            error = -rc;
            out.renameRefused = error == EBUSY || error == EXDEV;
        }
    }
    if (error != 0) {
        files.remove(temp.path);
        out.error = error;
        out.failedPath = target;
        return out;
    }
    if (syncFolder)
        files.syncDirectory(folderToOpen(target));
    return out;
}

WriteOutcome writeInPlace(FileSystem& files, const std::string& target, const Content& content) {
    WriteOutcome out;
    out.failedPath = target;
    const int fd = files.openWriteInPlace(target);
    if (fd < 0) {
        out.error = -fd;
        return out;
    }
    ContentHash hash;
    out.error = writeContent(files, fd, content, hash);
    if (out.error == 0) {
        out.error = finishFile(files, fd, hash, &out.written);
    } else {
        files.close(fd);
    }
    return out;
}

std::string joinLines(const EntryList& lines, std::string_view lineEnd, size_t spare) {
    size_t size = 0;
    for (int32_t i = 0; i < lines.count(); ++i)
        size += lines.text(i).size() + lineEnd.size();
    std::string joined;
    joined.reserve(size + spare);
    for (int32_t i = 0; i < lines.count(); ++i) {
        joined.append(lines.text(i));
        joined.append(lineEnd);
    }
    return joined;
}

} // namespace saving

} // namespace velmora
