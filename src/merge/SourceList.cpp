#include "merge/SourceList.h"

#include "core/HostsFile.h"
#include "core/Progress.h"
#include "core/TextUtil.h"
#include "merge/Blocks.h"
#include "platform/Gzip.h"

#include <cerrno>

#include <algorithm>
#include <limits>

namespace velmora {

SourceListReader::SourceListReader(EntryList& hosts, DuplicateIndex& index)
    : m_hosts(hosts), m_index(index), m_first(hosts.count()) {
    m_hosts.beginAppend();
}

void SourceListReader::line(std::string_view raw) {
    // Lists are often several lists one after another, so a byte-order mark can begin any line.
    if (raw.starts_with(kByteOrderMark))
        raw.remove_prefix(kByteOrderMark.size());
    const std::string_view trimmed = trimSpaces(raw);
    if (trimmed.empty())
        return;
    const NormalisedLine stored = normaliseLine(trimmed);
    Pending pending;
    pending.comment = stored.prefix.empty() && stored.rest.front() == '#';
    if (pending.comment && m_dropSourceNotes && stored.rest.starts_with(kBlockSource))
        return;
    if (pending.comment && !m_sawMarkers)
        m_sawMarkers = istartsWith(stored.rest, kBlockBegin) || istartsWith(stored.rest, kBlockEnd);
    if (m_allow && !pending.comment && m_allow->keepsOut(stored.prefix, stored.rest)) {
        ++m_keptOut;
        return;
    }
    if (pending.comment) {
        pending.key = DuplicateIndex::Key{stored.prefix, stored.rest, 0};
    } else {
        pending.key = DuplicateIndex::key(stored.prefix, stored.rest);
        m_index.prefetch(pending.key);
    }
    if (m_waiting == kAhead) {
        store(m_pending[m_oldest]);
        m_oldest = (m_oldest + 1) % kAhead;
        --m_waiting;
    }
    m_pending[(m_oldest + m_waiting) % kAhead] = pending;
    ++m_waiting;
}

void SourceListReader::store(const Pending& line) {
    // Entered as the entry it is about to become; appended before the index reads it again.
    if (!line.comment && !m_index.insert(line.key, m_hosts.count()))
        return;
    if (m_hosts.append(line.key.prefix, line.key.rest))
        ++m_appended;
}

void SourceListReader::flush() {
    for (; m_waiting > 0; --m_waiting) {
        store(m_pending[m_oldest]);
        m_oldest = (m_oldest + 1) % kAhead;
    }
}

void SourceListReader::finish() {
    flush();
    m_hosts.endAppend();
}

int32_t readSourceText(std::string_view bytes, EntryList& hosts, DuplicateIndex& index) {
    SourceListReader reader(hosts, index);
    forEachLine(bytes, [&](std::string_view raw) { reader.line(raw); });
    reader.finish();
    return reader.appended();
}

namespace {

// Room for the lines of a text of `size` bytes beginning with `sample`, in the list and in the index.
void sizeFor(std::string_view sample, uint64_t size, EntryList& hosts, DuplicateIndex& index) {
    const size_t lines = estimateLines(sample, size);
    reserveForLines(hosts, size, lines);
    index.reserve(index.size() + lines);
}

// A gzip file is read whole and decompressed; its lines are then taken as any list's.
bool isGzipFile(FileSystem& files, const std::string& path) {
    const int fd = files.openRead(path, true);
    if (fd < 0)
        return false;
    char head[2] = {};
    const ssize_t n = files.read(fd, head, sizeof head);
    files.close(fd);
    return n == 2 && isGzip(std::string_view(head, 2));
}

} // namespace

SourceReadResult readSourceFile(FileSystem& files, const std::string& path, EntryList& hosts, DuplicateIndex& index,
                                ProgressSink& progress, const AllowList* allow, bool asList) {
    const int32_t first = hosts.count();
    SourceListReader reader(hosts, index);
    reader.setAllowList(allow);
    reader.setDropsSourceNotes(asList);
    SourceReadResult result;
    if (asList && isGzipFile(files, path)) {
        const FileBytes bytes = readFileBytes(files, path);
        const GunzipResult text = gunzip(bytes.bytes, kListTextLimit);
        if (bytes.error != 0 || text.status != GunzipStatus::Done) {
            result.error = bytes.error != 0 ? bytes.error : EINVAL;
            result.problem = bytes.error != 0 ? std::string()
                             : text.status == GunzipStatus::Damaged
                                 ? std::string("its gzip data is damaged")
                                 : "it is larger than " + std::to_string(kListTextLimit) + " bytes once decompressed";
        } else {
            const std::string_view all(text.text);
            sizeFor(all.substr(0, kReadChunk), all.size(), hosts, index);
            forEachLine(all, [&](std::string_view line) { reader.line(line); });
            ProgressSteps(progress, clampToInt32(all.size())).step(clampToInt32(all.size()));
            reader.flush(); // the text goes when this branch ends
        }
    } else {
        const PathInfo info = files.stat(path, true);
        ProgressSteps steps(progress, clampToInt32(info.size));
        bool sized = false;
        result.error = readFileBlocks(files, path, [&](std::string_view block) {
            if (!sized) {
                sizeFor(block, info.size, hosts, index);
                sized = true;
            }
            forEachLine(block, [&](std::string_view line) { reader.line(line); });
            reader.flush(); // the block's bytes go when this returns
            steps.step(clampToInt32(block.size()));
        });
    }
    reader.finish();
    if (asList && reader.sawMarkers()) {
        // A list's markers that do not pair would make a block of every line after them.
        const std::vector<uint8_t> unpaired = unpairedMarkers(hosts, first);
        if (std::find(unpaired.begin(), unpaired.end(), uint8_t{1}) != unpaired.end())
            hosts.removeWhere(unpaired);
    }
    result.appended = hosts.count() - first;
    result.keptOut = reader.keptOut();
    return result;
}

void indexHostsLines(const EntryList& hosts, DuplicateIndex& index, ProgressSink& progress) {
    const int32_t last = hosts.count() - 1;
    ProgressSteps steps(progress, last);
    index.reserve(static_cast<size_t>(hosts.count()));
    for (int32_t i = 0; i < hosts.count(); ++i) {
        index.addExisting(i);
        steps.step(1);
    }
}

} // namespace velmora
