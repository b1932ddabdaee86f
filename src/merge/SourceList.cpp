#include "merge/SourceList.h"

#include "core/HostsFile.h"
#include "core/Progress.h"
#include "core/TextUtil.h"
#include "merge/Blocks.h"

#include <algorithm>
#include <limits>

namespace velmora {

namespace {
constexpr std::string_view kLocal = kLocalAddressPrefix;

std::string_view dropLeadingSpaces(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Four decimal octets up to 255, without leading zeros.
bool isDottedQuad(std::string_view text) {
    int octets = 0;
    size_t i = 0;
    for (;;) {
        const size_t start = i;
        int value = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && i - start < 3)
            value = value * 10 + (text[i++] - '0');
        if (i == start || value > 255 || (i - start > 1 && text[start] == '0'))
            return false;
        ++octets;
        if (i == text.size())
            return octets == 4;
        if (text[i] != '.' || octets == 4)
            return false;
        ++i;
    }
}

// Counts the 16-bit groups of colon-separated hex groups; the last may be a dotted quad (two groups)
// where allowed. False for an empty group or one of more than four digits.
bool countGroups(std::string_view part, bool quadAtEnd, int& groups) {
    if (part.empty())
        return true;
    for (size_t start = 0;;) {
        const size_t colon = part.find(':', start);
        const std::string_view group = part.substr(start, colon == std::string_view::npos ? colon : colon - start);
        if (colon == std::string_view::npos && quadAtEnd && group.find('.') != std::string_view::npos) {
            groups += 2;
            return isDottedQuad(group);
        }
        if (group.empty() || group.size() > 4 || !std::all_of(group.begin(), group.end(), isHexDigit))
            return false;
        ++groups;
        if (colon == std::string_view::npos)
            return true;
        start = colon + 1;
    }
}
} // namespace

bool isIpv6Address(std::string_view text) {
    const size_t percent = text.find('%');
    if (percent != std::string_view::npos) {
        if (percent + 1 == text.size())
            return false;
        text = text.substr(0, percent);
    }
    // "::" stands for one or more zero groups, and may appear once.
    const size_t gap = text.find("::");
    int groups = 0;
    if (gap == std::string_view::npos)
        return countGroups(text, true, groups) && groups == 8;
    if (text.find("::", gap + 1) != std::string_view::npos)
        return false;
    return countGroups(text.substr(0, gap), false, groups) && countGroups(text.substr(gap + 2), true, groups) &&
           groups <= 7;
}

NormalisedLine normaliseLine(std::string_view line) {
    if (line.starts_with("127.1 "))
        return {{}, line};
    if (line.starts_with(kLocal))
        return {kLocal, dropLeadingSpaces(line.substr(kLocal.size()))};
    if (line.starts_with("127.0.0.1\t"))
        return {kLocal, dropLeadingSpaces(line.substr(kLocal.size()))};
    const char first = line.front();
    if ((first >= '0' && first <= '9') || first == '#' || first == ';')
        return {{}, line};
    if (isIpv6Address(line.substr(0, line.find_first_of(" \t"))))
        return {{}, line};
    return {kLocal, line};
}

SourceListReader::SourceListReader(EntryList& hosts, DuplicateIndex& index)
    : m_hosts(hosts), m_index(index), m_first(hosts.count()) {
    m_hosts.beginAppend();
}

void SourceListReader::line(std::string_view raw) {
    if (m_atStart) {
        m_atStart = false;
        if (raw.starts_with("\xEF\xBB\xBF"))
            raw.remove_prefix(3);
    }
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

int32_t readSourceText(std::string_view bytes, LineConvention convention, EntryList& hosts, DuplicateIndex& index) {
    SourceListReader reader(hosts, index);
    forEachLine(bytes, convention, [&](std::string_view raw) { reader.line(raw); });
    reader.finish();
    return reader.appended();
}

SourceReadResult readSourceFile(FileSystem& files, const std::string& path, LineConvention convention, EntryList& hosts,
                                DuplicateIndex& index, ProgressSink& progress, FileFingerprint* fingerprint,
                                const AllowList* allow, bool asList) {
    const PathInfo info = files.stat(path, true);
    reserveForFile(hosts, files, path, info.size, convention);
    ProgressSteps steps(progress, clampToInt32(info.size));
    SourceListReader reader(hosts, index);
    reader.setAllowList(allow);
    reader.setDropsSourceNotes(asList);
    SourceReadResult result;
    result.error = readFileBlocks(
        files, path, convention,
        [&](std::string_view block) {
            forEachLine(block, convention, [&](std::string_view line) {
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
        const std::string_view text = hosts.text(i);
        if (text.empty() || text.front() != '#')
            index.add(i);
        steps.step(1);
    }
}

} // namespace velmora
