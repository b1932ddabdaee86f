#include "merge/SourceList.h"

#include "core/HostsFile.h"
#include "core/Progress.h"
#include "core/TextUtil.h"
#include "merge/Blocks.h"

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

SourceReadResult readSourceFile(FileSystem& files, const std::string& path, EntryList& hosts, DuplicateIndex& index,
                                ProgressSink& progress, FileFingerprint* fingerprint, const AllowList* allow,
                                bool asList) {
    const PathInfo info = files.stat(path, true);
    reserveForFile(hosts, files, path, info.size);
    ProgressSteps steps(progress, clampToInt32(info.size));
    SourceListReader reader(hosts, index);
    reader.setAllowList(allow);
    reader.setDropsSourceNotes(asList);
    SourceReadResult result;
    result.error = readFileBlocks(
        files, path,
        [&](std::string_view block) {
            forEachLine(block, [&](std::string_view line) {
                steps.step(clampToInt32(line.size()));
                reader.line(line);
            });
            reader.flush(); // the block's bytes go when this returns
        },
        kReadChunk, fingerprint);
    reader.finish();
    result.appended = reader.appended();
    result.keptOut = reader.keptOut();
    return result;
}

void indexHostsLines(const EntryList& hosts, DuplicateIndex& index, ProgressSink& progress) {
    const int32_t last = hosts.count() - 1;
    ProgressSteps steps(progress, last);
    for (int32_t i = 0; i < hosts.count(); ++i) {
        index.addExisting(i);
        steps.step(1);
    }
}

} // namespace velmora
