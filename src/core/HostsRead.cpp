#include "core/WriteSteps.h"

#include "core/TextUtil.h"
#include "platform/LargeMemory.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <memory>
#include <string_view>

namespace velmora {

using saving::fingerprintOf;
using saving::kFirstChunk;

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

namespace saving {

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

} // namespace saving

bool looksUnchanged(FileSystem& files, const std::string& path, const FileFingerprint& read, bool followLinks) {
    const PathInfo now = files.stat(path, followLinks);
    if (!read.hasData)
        return !now.exists || now.size == 0;
    return now.exists && now.device == read.device && now.inode == read.inode && now.size == read.size &&
           now.modifiedNs == read.modifiedNs;
}

bool fileHasData(FileSystem& files, const std::string& path) {
    if (path.empty())
        return false;
    const PathInfo info = files.stat(path, true);
    return info.exists && info.isRegular && info.size > 0;
}

FileBytes readFileBytes(FileSystem& files, const std::string& path, bool followLinks, bool fingerprint) {
    FileBytes result;
    const int fd = files.openRead(path, followLinks);
    if (fd < 0) {
        result.error = -fd;
        return result;
    }
    const PathInfo info = files.fileInfo(fd);
    if (info.exists && info.size < (uint64_t{1} << 40)) {
        result.bytes.reserve(static_cast<size_t>(info.size) + 1); // one more, to see the end without growing
        adviseHugePages(result.bytes.data(), result.bytes.capacity());
    }
    for (size_t piece = kFirstChunk;;) {
        const size_t old = result.bytes.size();
        const size_t room = result.bytes.capacity() - old;
        const size_t want = room > 0 ? std::min(room, kReadChunk) : piece;
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
            piece = std::min(piece * 2, kReadChunk);
    }
    files.close(fd);
    if (fingerprint) {
        ContentHash hash;
        hash.add(result.bytes);
        result.fingerprint = fingerprintOf(info, result.bytes.size(), hash);
    }
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
            // At the end the last line is whole without its line end; after a failure it may be torn.
            size_t keep = size;
            if (n < 0) {
                error = static_cast<int>(-n);
                while (keep > 0 && buffer[keep - 1] != '\n' && buffer[keep - 1] != '\r')
                    --keep;
            }
            if (keep > 0)
                onBlock(std::string_view(buffer.get(), keep));
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

} // namespace velmora
