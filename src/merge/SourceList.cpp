#include "merge/SourceList.h"

#include "core/HostsFile.h"
#include "core/TextUtil.h"

#include <algorithm>
#include <limits>

namespace velmora {

namespace {
constexpr std::string_view kLocal = "127.0.0.1 ";

int32_t clampToInt32(uint64_t value) {
    return static_cast<int32_t>(std::min<uint64_t>(value, std::numeric_limits<int32_t>::max()));
}

std::string_view dropLeadingSpaces(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    return first == std::string_view::npos ? std::string_view() : text.substr(first);
}
} // namespace

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
                                EntryList* added, DuplicateIndex& index, ProgressSink& progress) {
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
    result.error = readFileLines(files, path, convention, [&](std::string_view line) {
        progress.step(clampToInt32(line.size()), value, maximum);
        reader.line(line);
    });
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
