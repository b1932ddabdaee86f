#include "merge/SourceList.h"

#include "core/HostsFile.h"
#include "core/Progress.h"
#include "core/TextUtil.h"

#include <algorithm>
#include <limits>

namespace velmora {

namespace {
constexpr std::string_view kLocal = "127.0.0.1 ";

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

std::string_view normaliseLine(std::string_view line, std::string& scratch) {
    if (line.starts_with("127.1 "))
        return line;
    if (line.starts_with(kLocal)) {
        const std::string_view rest = dropLeadingSpaces(line.substr(kLocal.size()));
        if (rest.size() + kLocal.size() == line.size())
            return line;
        scratch.assign(kLocal);
        scratch.append(rest);
        return scratch;
    }
    if (line.starts_with("127.0.0.1\t")) {
        scratch.assign(kLocal);
        scratch.append(dropLeadingSpaces(line.substr(kLocal.size())));
        return scratch;
    }
    const char first = line.front();
    if ((first >= '0' && first <= '9') || first == '#' || first == ';')
        return line;
    if (isIpv6Address(line.substr(0, line.find_first_of(" \t"))))
        return line;
    scratch.assign(kLocal);
    scratch.append(line);
    return scratch;
}

SourceListReader::SourceListReader(EntryList& hosts, EntryList* added, DuplicateIndex& index)
    : m_hosts(hosts), m_added(added), m_index(index) {
    m_hosts.beginAppend();
    if (m_added)
        m_added->beginAppend();
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
    const std::string_view stored = normaliseLine(trimmed, m_scratch);
    if (stored.front() != '#') {
        // Entered as the entry it is about to become; appended before the index reads it again.
        if (!m_index.addPending(stored, m_hosts.count()))
            return;
        if (!m_hosts.append(stored))
            return;
    } else if (!m_hosts.append(stored)) {
        return;
    }
    if (m_added)
        m_added->append(stored);
    ++m_appended;
}

void SourceListReader::finish() {
    if (m_added)
        m_added->endAppend();
    m_hosts.endAppend();
}

int32_t readSourceText(std::string_view bytes, LineConvention convention, EntryList& hosts, EntryList* added,
                       DuplicateIndex& index) {
    SourceListReader reader(hosts, added, index);
    forEachLine(bytes, convention, [&](std::string_view raw) { reader.line(raw); });
    reader.finish();
    return reader.appended();
}

SourceReadResult readSourceFile(FileSystem& files, const std::string& path, LineConvention convention, EntryList& hosts,
                                EntryList* added, DuplicateIndex& index, ProgressSink& progress,
                                FileFingerprint* fingerprint) {
    const PathInfo info = files.stat(path, true);
    const int32_t maximum = clampToInt32(info.size);
    int32_t value = 0;
    // The texts' room in one piece, so a large list is not copied as it grows.
    const auto bytes = static_cast<size_t>(std::min<uint64_t>(info.size, uint64_t{1} << 32));
    hosts.reserveBytes(bytes);
    if (added)
        added->reserveBytes(bytes);
    SourceListReader reader(hosts, added, index);
    SourceReadResult result;
    result.error = readFileLines(
        files, path, convention,
        [&](std::string_view line) {
            progress.step(clampToInt32(line.size()), value, maximum);
            reader.line(line);
        },
        kReadChunk, fingerprint);
    reader.finish();
    result.appended = reader.appended();
    return result;
}

void indexHostsLines(const EntryList& hosts, DuplicateIndex& index, ProgressSink& progress) {
    const int32_t last = hosts.count() - 1;
    int32_t value = 0;
    for (int32_t i = 0; i < hosts.count(); ++i) {
        const std::string_view text = hosts.text(i);
        if (text.empty() || text.front() != '#')
            index.add(i);
        progress.step(1, value, last);
    }
}

} // namespace velmora
