#include "core/HostsFile.h"

#include "core/TextUtil.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <string_view>

namespace velmora {

namespace {

constexpr size_t kChunk = kReadChunk;
// Reads start with pieces this large and double up to kChunk, so a small file costs no large buffer.
constexpr size_t kFirstChunk = 1 << 16;
// Files of a killed run younger than this may still belong to a run that is only slow.
constexpr int64_t kStaleAfterNs = int64_t{60} * 1000 * 1000 * 1000;
constexpr std::string_view kTemporaryMark = ".velmora-";
constexpr std::string_view kJournalMagic = "velmora-journal 1 ";

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

// A fresh name in the same folder as path, for a file created exclusively (a name taken meanwhile
// by anyone else only costs another attempt). The form is what isTemporaryName recognises.
std::string temporaryNameFor(const std::string& path, int attempt) {
    static std::atomic<unsigned> counter{0};
    static const auto start =
        static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
    return folderOf(path) + "." + nameOf(path) + std::string(kTemporaryMark) + std::to_string(start % 1000000007ull) +
           "-" + std::to_string(counter++) + "-" + std::to_string(attempt);
}

// True for a name that temporaryNameFor gives for the target called hostsName, its backup or its journal.
bool isTemporaryName(const std::string& name, const std::string& hostsName) {
    const size_t mark = name.rfind(kTemporaryMark);
    if (name.empty() || name[0] != '.' || mark == std::string::npos || mark + kTemporaryMark.size() >= name.size())
        return false;
    const char next = name[mark + kTemporaryMark.size()];
    if (next < '0' || next > '9')
        return false;
    const std::string base = name.substr(1, mark - 1);
    return base == hostsName || base == hostsName + ".bak" || base == "." + hostsName + ".velmora-journal";
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

namespace {

// What to write: lines each followed by lineEnd; without lines the bytes as they are; or what is left
// to read of an open file.
struct Content {
    std::string_view bytes;
    const EntryList* lines = nullptr;
    std::string_view lineEnd;
    int copyFrom = -1;
    bool hashed = true; // the written file's fingerprint is wanted
};

Content bytesContent(std::string_view bytes) {
    return Content{bytes, nullptr, {}, -1};
}

Content copyContent(int fd) {
    return Content{{}, nullptr, {}, fd};
}

// Writes the content. Lines ending in LF go straight from the list's own memory, in runs as long as
// the list keeps them in order; other lines through a buffer of about a megabyte. Returns 0 or an
// errno. A copied file is not hashed: only the backup is written that way.
int writeContent(FileSystem& files, int fd, const Content& content, ContentHash& hash) {
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
    explicit ContentMatcher(const Content& content) : m_content(content) {}

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

    const Content& m_content;
    int32_t m_piece = 0;
    size_t m_offset = 0;
    bool m_same = true;
};

// True when the file at target (size bytes long) holds exactly what content would write.
bool holdsContent(FileSystem& files, const std::string& target, uint64_t size, const Content& content) {
    ContentMatcher matcher(content);
    if (matcher.length() != size)
        return false;
    bool same = true;
    const int error = readFileBlocks(
        files, target, [&](std::string_view block) { same = same && matcher.next(block); }, kReadChunk, nullptr, false);
    return error == 0 && same;
}

FileFingerprint fingerprintOf(const PathInfo& info, uint64_t size, const ContentHash& hash) {
    FileFingerprint fingerprint;
    if (size == 0 || !info.exists)
        return fingerprint;
    fingerprint.hasData = true;
    fingerprint.device = info.device;
    fingerprint.inode = info.inode;
    fingerprint.size = size;
    fingerprint.modifiedNs = info.modifiedNs;
    fingerprint.hash = hash.value();
    return fingerprint;
}

} // namespace

bool looksUnchanged(FileSystem& files, const std::string& path, const FileFingerprint& read, bool followLinks) {
    const PathInfo now = files.stat(path, followLinks);
    if (!read.hasData)
        return !now.exists || now.size == 0;
    return now.exists && now.device == read.device && now.inode == read.inode && now.size == read.size &&
           now.modifiedNs == read.modifiedNs;
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

namespace {

// Finishes a file written to fd: sync, note what it now is, close. Returns 0 or an errno; fd is
// closed either way.
int finishFile(FileSystem& files, int fd, const ContentHash& hash, FileFingerprint* written) {
    int error = 0;
    if (int rc = files.syncFile(fd); rc < 0)
        error = -rc;
    if (error == 0 && written)
        *written = fingerprintOf(files.fileInfo(fd), hash.length(), hash);
    if (int rc = files.close(fd); rc < 0 && error == 0)
        error = -rc;
    return error;
}

std::string reason(FileSystem& files, const std::string& path, int error) {
    return path + ": " + files.errorText(error);
}

// How writing a file went, and the path to name when it failed.
struct WriteOutcome {
    int error = 0;
    std::string failedPath;
    bool renameRefused = false; // a bind mount or another file system: rename cannot replace it
    bool ownerRefused = false;  // the new file could not be given the target's owner
    bool changed = false;       // the target changed under us; nothing was replaced
    FileFingerprint written;
};

// Writes the content into a new file beside target and renames it over target. With keepOwner a new
// file that cannot get the target's owner is given up (ownerRefused). On failure nothing but the
// temporary file was touched, and it is gone.
WriteOutcome replaceAtomically(FileSystem& files, const std::string& target, const PathInfo& info,
                               const Content& content, bool keepOwner, const std::function<bool()>& stillSame,
                               bool syncFolder = true) {
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
            out.ownerRefused = true;
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

// Every line followed by lineEnd, in a string with room for `spare` more bytes.
std::string joinLines(const EntryList& lines, std::string_view lineEnd, size_t spare = 0) {
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

// The journal record of the content: a header with the size and hash of the bytes, then the bytes,
// built in place so that a large file is held once.
std::string journalRecord(const Content& content, size_t* bodySize) {
    std::string record = content.lines ? joinLines(*content.lines, content.lineEnd, 64) : std::string(content.bytes);
    ContentHash hash;
    hash.add(record);
    *bodySize = record.size();
    record.insert(0, std::string(kJournalMagic) + std::to_string(record.size()) + " " + std::to_string(hash.value()) +
                         "\n");
    return record;
}

// The bytes a journal record holds, or false when the record is not whole.
bool parseJournal(const std::string& record, std::string& bytes) {
    if (record.compare(0, kJournalMagic.size(), kJournalMagic) != 0)
        return false;
    const size_t end = record.find('\n');
    if (end == std::string::npos)
        return false;
    unsigned long long size = 0, expected = 0;
    if (std::sscanf(record.c_str() + kJournalMagic.size(), "%llu %llu", &size, &expected) != 2 ||
        record.size() - end - 1 != size)
        return false;
    bytes = record.substr(end + 1);
    ContentHash hash;
    hash.add(bytes);
    return hash.value() == expected;
}

// Rewrites target in place with the content, keeping the new bytes in a journal until the rewrite
// is on disk. Without a journal there is no rewrite: a kill part way would leave the file cut short
// for good. A failed rewrite puts the old bytes back.
WriteOutcome writeInPlaceJournaled(FileSystem& files, const std::string& target, const PathInfo& info,
                                   const Content& content, const std::function<bool()>& stillSame) {
    // The old bytes, to put back should the rewrite fail; the file is still as the save found it.
    const FileBytes before = readFileBytes(files, target, false);
    if (before.error != 0) {
        WriteOutcome out;
        out.error = before.error;
        out.failedPath = target;
        return out;
    }
    const std::string& old = before.bytes;
    const std::string journal = journalPathFor(target);
    size_t bodySize = 0;
    const std::string record = journalRecord(content, &bodySize);
    const std::string_view bytes = std::string_view(record).substr(record.size() - bodySize);
    const WriteOutcome journaled = replaceAtomically(files, journal, info, bytesContent(record), false, {});
    if (journaled.error != 0)
        return journaled;
    WriteOutcome out;
    if (stillSame && !stillSame()) {
        out.changed = true;
        out.error = EAGAIN;
    } else {
        out = writeInPlace(files, target, bytesContent(bytes));
    }
    if (out.error != 0 && !out.changed) {
        // Without the old bytes back the journal stays, so the next run completes the rewrite.
        if (writeInPlace(files, target, bytesContent(old)).error != 0)
            return out;
    }
    files.remove(journal);
    files.syncDirectory(folderToOpen(target));
    return out;
}

} // namespace

namespace {

uint64_t mixed(uint64_t state, uint64_t word) {
    state = (state ^ word) * 0x9e3779b97f4a7c15ull;
    return state ^ (state >> 29);
}

} // namespace

// Words in the machine's own byte order: the values are only ever compared on the same machine.
void ContentHash::mixStride(const char* bytes) {
    for (size_t lane = 0; lane < 4; ++lane) {
        uint64_t word;
        std::memcpy(&word, bytes + 8 * lane, 8);
        m_lanes[lane] = mixed(m_lanes[lane], word);
    }
}

void ContentHash::add(std::string_view bytes) {
    m_length += bytes.size();
    size_t i = 0;
    if (m_tailBytes != 0) {
        const size_t taken = std::min(kStride - m_tailBytes, bytes.size());
        std::memcpy(m_tail + m_tailBytes, bytes.data(), taken);
        m_tailBytes += taken;
        i = taken;
        if (m_tailBytes < kStride)
            return;
        mixStride(m_tail);
        m_tailBytes = 0;
    }
    for (; i + kStride <= bytes.size(); i += kStride)
        mixStride(bytes.data() + i);
    m_tailBytes = bytes.size() - i;
    std::memcpy(m_tail, bytes.data() + i, m_tailBytes);
}

uint64_t ContentHash::value() const {
    uint64_t state = m_lanes[0];
    for (size_t lane = 1; lane < 4; ++lane)
        state = mixed(state, m_lanes[lane]);
    char tail[kStride] = {};
    std::memcpy(tail, m_tail, m_tailBytes);
    for (size_t at = 0; at < m_tailBytes; at += 8) {
        uint64_t word;
        std::memcpy(&word, tail + at, 8);
        state = mixed(state, word);
    }
    return mixed(state, m_length);
}

std::string lockPathFor(const std::string& target) {
    return folderOf(target) + "." + nameOf(target) + ".velmora-lock";
}

std::string journalPathFor(const std::string& target) {
    return folderOf(target) + "." + nameOf(target) + ".velmora-journal";
}

SaveTarget saveTargetFor(FileSystem& files, const std::string& path) {
    SaveTarget result;
    auto refuse = [&](SaveStatus status, const std::string& message) {
        result.status = status;
        result.message = message;
        return result;
    };
    const CheckedPath checked = checkPath(files, path, PathUse::Replace);
    if (checked.status == PathStatus::Unsafe)
        return refuse(SaveStatus::Unsafe, path + ": not written, because " + checked.reason);
    if (checked.status == PathStatus::Failed)
        return refuse(SaveStatus::WriteFailed, checked.atEnd ? reason(files, path, checked.error)
                                                             : path + ": not written, because " + checked.reason);
    // A link to nothing is not followed into making a file; a missing folder the save itself reports.
    if (checked.status == PathStatus::Missing && checked.throughLink)
        return refuse(SaveStatus::WriteFailed, reason(files, path, ENOENT));
    result.path = checked.path;
    return result;
}

Recovery recoverHostsFile(FileSystem& files, const std::string& target, int64_t nowNs) {
    Recovery recovery;
    const uint32_t me = files.userId();
    const PathInfo targetInfo = files.stat(target, false);
    auto ours = [&](const PathInfo& info) {
        return info.exists && info.isRegular && (info.uid == me || (targetInfo.exists && info.uid == targetInfo.uid));
    };
    const std::string journal = journalPathFor(target);
    // A journal a save wrote has one name; a second one is a file someone linked there (in a folder
    // where others may add files), whose bytes would become the HOSTS file's.
    if (const PathInfo journalInfo = files.stat(journal, false); ours(journalInfo) && journalInfo.links <= 1) {
        const FileBytes record = readFileBytes(files, journal, false);
        std::string bytes;
        if (record.error == 0 && parseJournal(record.bytes, bytes) && targetInfo.exists) {
            const WriteOutcome out = writeInPlace(files, target, bytesContent(bytes));
            if (out.error != 0) {
                recovery.error = out.error;
                return recovery;
            }
            recovery.rolledForward = true;
        }
        files.remove(journal);
        files.syncDirectory(folderToOpen(target));
    }
    const std::string folder = folderToOpen(target);
    const std::string name = nameOf(target);
    for (const std::string& entry : files.listFolder(folder).names) {
        if (!isTemporaryName(entry, name))
            continue;
        const std::string path = folderOf(target) + entry;
        const PathInfo info = files.stat(path, false);
        if (ours(info) && nowNs - info.modifiedNs > kStaleAfterNs && files.remove(path) == 0)
            ++recovery.staleRemoved;
    }
    return recovery;
}

bool fileHasData(FileSystem& files, const std::string& path) {
    if (path.empty())
        return false;
    const PathInfo info = files.stat(path, true);
    return info.exists && info.isRegular && info.size > 0;
}

FileBytes readFileBytes(FileSystem& files, const std::string& path, bool followLinks) {
    FileBytes result;
    const int fd = files.openRead(path, followLinks);
    if (fd < 0) {
        result.error = -fd;
        return result;
    }
    const PathInfo info = files.fileInfo(fd);
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
    ContentHash hash;
    hash.add(result.bytes);
    result.fingerprint = fingerprintOf(info, result.bytes.size(), hash);
    return result;
}

namespace {
// Where the last whole line of buf ends (just after its line end), or 0 when no line end is sure yet:
// a CR at the very end may still be followed by its LF.
size_t afterLastLineEnd(const char* buf, size_t size) {
    for (size_t k = size; k-- > 0;) {
        const char c = buf[k];
        if (c == '\n')
            return k + 1;
        if (c == '\r' && k + 1 < size)
            return buf[k + 1] == '\n' ? k + 2 : k + 1;
    }
    return 0;
}
} // namespace

size_t countLineEnds(std::string_view bytes) {
    // LF bytes: a file of CR lines alone is rare enough to be grown into rather than counted.
    constexpr uint64_t ones = 0x0101010101010101ull;
    const uint64_t pattern = ones * static_cast<unsigned char>('\n');
    size_t lines = 0;
    size_t i = 0;
    // Eight bytes at a time: a byte equal to the line end becomes zero, and zero bytes are counted
    // exactly by setting bit 7 of every byte that is not zero.
    for (; i + 8 <= bytes.size(); i += 8) {
        const uint64_t x = loadWord(bytes.data() + i) ^ pattern;
        const uint64_t nonZero = (((x & ~(0x80 * ones)) + ~(0x80 * ones)) | x) & (0x80 * ones);
        lines += 8 - static_cast<size_t>(((nonZero >> 7) * ones) >> 56);
    }
    for (; i < bytes.size(); ++i)
        lines += bytes[i] == '\n';
    return lines;
}

size_t estimateLines(std::string_view sample, uint64_t size) {
    if (sample.empty())
        return 0;
    const uint64_t counted = countLineEnds(sample) + 1;
    const uint64_t scaled = counted * std::max<uint64_t>(size, sample.size()) / sample.size();
    return static_cast<size_t>(std::min<uint64_t>(scaled, std::numeric_limits<int32_t>::max()));
}

void reserveForLines(EntryList& list, uint64_t bytes, size_t lines) {
    // A quarter more than the guess: pages never written cost nothing, and a list that outgrows its
    // entries is copied.
    const size_t entries = lines + lines / 4;
    list.reserveEntries(entries);
    list.reserveBytes(static_cast<size_t>(std::min<uint64_t>(bytes + 11 * uint64_t{entries}, uint64_t{1} << 36)));
}

int readFileBlocks(FileSystem& files, const std::string& path, const std::function<void(std::string_view)>& onBlock,
                   size_t chunkSize, FileFingerprint* fingerprint, bool followLinks) {
    const int fd = files.openRead(path, followLinks);
    if (fd < 0)
        return -fd;
    const PathInfo info = files.fileInfo(fd);
    ContentHash hash;
    // Not a std::string: its resize would clear every byte before the read fills it. A small file is read
    // whole at once, with a byte to spare to see its end.
    size_t capacity = std::min(
        chunkSize, std::max(kFirstChunk, static_cast<size_t>(std::min<uint64_t>(info.size + 1, uint64_t{1} << 40))));
    std::unique_ptr<char[]> buffer(new char[capacity]);
    size_t size = 0;
    bool filled = false;
    int error = 0;
    for (;;) {
        // The unfinished line stays at the front; the room after it is filled. The buffer doubles up to chunkSize while
        // reads fill it (a small file costs no large buffer), and beyond that only for a line longer than half of it.
        if (capacity - size < std::max<size_t>(capacity / 2, 1) || (filled && capacity < chunkSize)) {
            const size_t grown = size < chunkSize / 2 ? std::min(capacity * 2, chunkSize) : capacity * 2;
            std::unique_ptr<char[]> bigger(new char[grown]);
            std::memcpy(bigger.get(), buffer.get(), size);
            buffer.swap(bigger);
            capacity = grown;
        }
        const ssize_t n = files.read(fd, buffer.get() + size, capacity - size);
        if (n <= 0) {
            if (n < 0)
                error = static_cast<int>(-n);
            if (size > 0)
                onBlock(std::string_view(buffer.get(), size));
            break;
        }
        if (fingerprint)
            hash.add(std::string_view(buffer.get() + size, static_cast<size_t>(n)));
        filled = static_cast<size_t>(n) == capacity - size;
        size += static_cast<size_t>(n);
        const size_t whole = afterLastLineEnd(buffer.get(), size);
        if (whole == 0)
            continue;
        onBlock(std::string_view(buffer.get(), whole));
        std::memmove(buffer.get(), buffer.get() + whole, size - whole);
        size -= whole;
    }
    files.close(fd);
    if (fingerprint)
        *fingerprint = fingerprintOf(info, hash.length(), hash);
    return error;
}

int readFileLines(FileSystem& files, const std::string& path, const std::function<void(std::string_view)>& onLine,
                  size_t chunkSize, FileFingerprint* fingerprint) {
    return readFileBlocks(
        files, path, [&](std::string_view block) { forEachLine(block, onLine); }, chunkSize, fingerprint);
}

namespace {

// The save of both forms: lines (each followed by the line end the old file uses) or whole bytes.
SaveResult saveContent(FileSystem& files, const std::string& path, const EntryList* lines, std::string_view bytes,
                       LineConvention convention, const FileFingerprint* expected,
                       WrittenFingerprint fingerprint = WrittenFingerprint::Taken) {
    SaveResult result;
    auto failed = [&](SaveStatus status, const std::string& message, int error = 0) {
        result.status = status;
        result.message = message;
        result.error = error;
        return result;
    };

    // A link is written through: everything below works on the file it points at.
    const SaveTarget where = saveTargetFor(files, path);
    if (!where.message.empty())
        return failed(where.status, where.message);
    const std::string& target = where.path;
    // A file that cannot be looked at is not taken for a missing one: that would replace it unbacked.
    const PathInfo info = files.stat(target, false);
    if (!info.exists && info.error != 0 && info.error != ENOENT)
        return failed(SaveStatus::WriteFailed, reason(files, path, info.error), info.error);
    if (info.exists && !info.isRegular)
        return failed(SaveStatus::NotRegular, path + ": not a regular file");

    // The old contents, read once through without being held: compared with what was read, and the
    // start of it chooses the line end.
    std::string head;
    FileFingerprint current;
    if (info.exists && info.size > 0) {
        const int error = readFileBlocks(
            files, target,
            [&](std::string_view block) {
                if (head.find_first_of("\r\n") == std::string::npos)
                    head.append(block.substr(0, kFirstChunk));
            },
            kReadChunk, &current, false);
        if (error != 0)
            return failed(SaveStatus::BackupFailed, "cannot read " + reason(files, path, error), error);
    }
    const std::string changed = path + ": another program changed it after it was read";
    if (expected && !(*expected == current))
        return failed(SaveStatus::Changed, changed);
    std::function<bool()> stillSame;
    if (expected)
        stillSame = [&] { return looksUnchanged(files, target, current); };
    const std::string_view lineEnd = lineEndBytes(lineEndFor(head, convention));
    const Content content =
        lines ? Content{{}, lines, lineEnd, -1, fingerprint == WrittenFingerprint::Taken} : bytesContent(bytes);
    // Writing what the file already holds would only put the backup of the last real change out of reach.
    if (current.hasData && holdsContent(files, target, current.size, content)) {
        result.unchanged = true;
        result.written = current;
        return result;
    }

    // The folder of the backup is made sure of once, with the target's, when they are the same.
    bool syncBackupFolder = false;
    if (current.hasData) {
        result.backupPath = path + ".bak";
        syncBackupFolder = folderToOpen(result.backupPath) != folderToOpen(target);
        // The backup is a new file renamed into place (with the target's mode and owner), so a link
        // planted at the backup's path is replaced, never written through. Its bytes are copied file
        // to file.
        const int source = files.openRead(target, false);
        if (source < 0)
            return failed(SaveStatus::BackupFailed, "cannot read " + reason(files, path, -source), -source);
        // A read-only backup (Windows) refuses to be replaced, and would refuse every save after it: the
        // attribute comes off for the replacement and goes back on whichever backup is there afterwards.
        const PathInfo oldBackup = files.stat(result.backupPath, false);
        const bool backupReadOnly = oldBackup.exists && oldBackup.readOnly;
        if (backupReadOnly) {
            if (int rc = files.setReadOnly(result.backupPath, false); rc < 0) {
                files.close(source);
                return failed(SaveStatus::BackupFailed,
                              "cannot write the backup " + reason(files, result.backupPath, -rc), -rc);
            }
        }
        const WriteOutcome backup =
            replaceAtomically(files, result.backupPath, info, copyContent(source), false, {}, syncBackupFolder);
        files.close(source);
        if (backupReadOnly)
            files.setReadOnly(result.backupPath, true);
        if (backup.error != 0)
            return failed(SaveStatus::BackupFailed,
                          "cannot write the backup " + reason(files, backup.failedPath, backup.error), backup.error);
        result.backedUp = true;
    }

    // A read-only file (Windows) is replaced by no one: the attribute comes off for the write and goes
    // back on whatever is there afterwards, the new file or the old one.
    const bool readOnly = info.exists && info.readOnly;
    if (readOnly) {
        if (int rc = files.setReadOnly(target, false); rc < 0)
            return failed(SaveStatus::WriteFailed, reason(files, path, -rc), -rc);
    }
    WriteOutcome out = replaceAtomically(files, target, info, content, true, stillSame);
    if (out.error != 0 && !out.changed && info.exists &&
        (out.renameRefused || out.ownerRefused || out.error == EACCES || out.error == EPERM)) {
        // The file cannot be replaced (a bind mount, an owner we may not give, a new file the folder
        // refused): write it in place, behind a journal.
        out = writeInPlaceJournaled(files, target, info, content, stillSame);
    }
    if (readOnly) {
        result.readOnlyCleared = true;
        if (int rc = files.setReadOnly(target, true); rc < 0)
            result.readOnlyError = -rc;
    }
    if (out.changed)
        return failed(SaveStatus::Changed, changed);
    if (out.error != 0) {
        const std::string& failedPath = out.failedPath == target ? path : out.failedPath;
        return failed(SaveStatus::WriteFailed, reason(files, failedPath, out.error), out.error);
    }
    result.written = out.written;
    return result;
}

} // namespace

SaveResult saveHostsFile(FileSystem& files, const std::string& path, const EntryList& lines, LineConvention convention,
                         const FileFingerprint* expected, WrittenFingerprint fingerprint) {
    return saveContent(files, path, &lines, {}, convention, expected, fingerprint);
}

SaveResult saveHostsBytes(FileSystem& files, const std::string& path, std::string_view bytes,
                          const FileFingerprint* expected) {
    return saveContent(files, path, nullptr, bytes, nativeLineConvention(), expected);
}

std::string hostsFileBytes(const EntryList& lines, std::string_view current, LineConvention convention) {
    return joinLines(lines, lineEndBytes(lineEndFor(current, convention)));
}

} // namespace velmora
