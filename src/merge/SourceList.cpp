#include "merge/SourceList.h"

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

DuplicateIndex::DuplicateIndex(const EntryList& list) : m_list(list) { rehash(1024); }

uint32_t DuplicateIndex::hash(std::string_view text) {
    // FNV-1a over the case-folded bytes, finished with a mixer so that the low bits spread well.
    uint64_t h = 1469598103934665603ull;
    for (char c : text) {
        h ^= static_cast<unsigned char>(asciiLower(c));
        h *= 1099511628211ull;
    }
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    return static_cast<uint32_t>(h);
}

void DuplicateIndex::reserve(size_t keys) {
    size_t slots = m_slots.size();
    while (keys * 5 > slots * 4)
        slots *= 2;
    if (slots != m_slots.size())
        rehash(slots);
}

bool DuplicateIndex::contains(std::string_view text) const {
    const uint32_t h = hash(text);
    for (size_t pos = h & m_mask;; pos = (pos + 1) & m_mask) {
        const int32_t entry = m_slots[pos];
        if (entry < 0)
            return false;
        if (m_hashes[pos] == h && iequals(m_list.view(entry), text))
            return true;
    }
}

bool DuplicateIndex::insert(std::string_view text, uint32_t h, int32_t index) {
    // At most four fifths full: probe runs stay a few slots long (the stored hashes are compared
    // first, in one run of memory), and a million keys fit in 2^20 slots.
    if ((m_size + 1) * 5 > m_slots.size() * 4)
        rehash(m_slots.size() * 2);
    for (size_t pos = h & m_mask;; pos = (pos + 1) & m_mask) {
        const int32_t entry = m_slots[pos];
        if (entry < 0) {
            m_slots[pos] = index;
            m_hashes[pos] = h;
            ++m_size;
            return true;
        }
        if (m_hashes[pos] == h && iequals(m_list.view(entry), text))
            return false;
    }
}

bool DuplicateIndex::add(int32_t index) {
    const std::string_view text = m_list.view(index);
    return insert(text, hash(text), index);
}

bool DuplicateIndex::addPending(std::string_view text, int32_t index) { return insert(text, hash(text), index); }

void DuplicateIndex::rehash(size_t slots) {
    std::vector<int32_t> oldSlots(slots, -1);
    std::vector<uint32_t> oldHashes(slots, 0);
    oldSlots.swap(m_slots);
    oldHashes.swap(m_hashes);
    m_mask = slots - 1;
    for (size_t i = 0; i < oldSlots.size(); ++i) {
        if (oldSlots[i] < 0)
            continue;
        size_t pos = oldHashes[i] & m_mask;
        while (m_slots[pos] >= 0)
            pos = (pos + 1) & m_mask;
        m_slots[pos] = oldSlots[i];
        m_hashes[pos] = oldHashes[i];
    }
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
        if (m_hosts.addItemText(stored) < 0)
            return;
    } else if (m_hosts.addItemText(stored) < 0) {
        return;
    }
    if (m_added)
        m_added->addItemText(stored);
    ++m_appended;
}

void SourceListReader::finish() {
    if (m_added)
        m_added->endAppend();
    m_hosts.endAppend();
}

int32_t readSourceLines(std::string_view bytes, LineConvention convention, EntryList& hosts, EntryList* added,
                        DuplicateIndex& index, const std::function<void(int32_t)>& onLine) {
    SourceListReader reader(hosts, added, index);
    forEachLine(bytes, convention, [&](std::string_view raw) {
        if (onLine)
            onLine(static_cast<int32_t>(std::min<size_t>(raw.size(), std::numeric_limits<int32_t>::max())));
        reader.line(raw);
    });
    reader.finish();
    return reader.appended();
}

void indexHostsLines(const EntryList& hosts, DuplicateIndex& index, const std::function<void()>& onLine) {
    for (int32_t i = 0; i < hosts.count(); ++i) {
        const std::string_view text = hosts.view(i);
        if (text.empty() || text.front() != '#')
            index.add(i);
        if (onLine)
            onLine();
    }
}

} // namespace velmora
