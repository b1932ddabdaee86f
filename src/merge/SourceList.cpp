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

DuplicateIndex::DuplicateIndex(const EntryList& list) : m_list(list) {
    m_slots.assign(1024, -1);
    m_hashes.assign(1024, 0);
    m_mask = 1023;
}

uint64_t DuplicateIndex::hash(std::string_view text) {
    // FNV-1a over the case-folded bytes, finished with a mixer so the low bits spread well.
    uint64_t h = 1469598103934665603ull;
    for (char c : text) {
        h ^= static_cast<unsigned char>(asciiLower(c));
        h *= 1099511628211ull;
    }
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    return h;
}

bool DuplicateIndex::contains(std::string_view text) const {
    const uint64_t h = hash(text);
    const auto tag = static_cast<uint32_t>(h >> 32);
    for (size_t pos = h & m_mask;; pos = (pos + 1) & m_mask) {
        const int32_t entry = m_slots[pos];
        if (entry < 0)
            return false;
        if (m_hashes[pos] == tag && iequals(m_list.view(entry), text))
            return true;
    }
}

bool DuplicateIndex::insert(std::string_view text, uint64_t h, int32_t index) {
    if ((m_size + 1) * 4 > m_slots.size() * 3) {
        grow();
    }
    const auto tag = static_cast<uint32_t>(h >> 32);
    for (size_t pos = h & m_mask;; pos = (pos + 1) & m_mask) {
        const int32_t entry = m_slots[pos];
        if (entry < 0) {
            m_slots[pos] = index;
            m_hashes[pos] = tag;
            ++m_size;
            return true;
        }
        if (m_hashes[pos] == tag && iequals(m_list.view(entry), text))
            return false;
    }
}

bool DuplicateIndex::add(int32_t index) {
    const std::string_view text = m_list.view(index);
    return insert(text, hash(text), index);
}

bool DuplicateIndex::addPending(std::string_view text, int32_t index) { return insert(text, hash(text), index); }

void DuplicateIndex::grow() {
    std::vector<int32_t> oldSlots(m_slots.size() * 2, -1);
    std::vector<uint32_t> oldHashes(m_slots.size() * 2, 0);
    oldSlots.swap(m_slots);
    oldHashes.swap(m_hashes);
    m_mask = m_slots.size() - 1;
    for (int32_t entry : oldSlots) {
        if (entry < 0)
            continue;
        const uint64_t h = hash(m_list.view(entry));
        size_t pos = h & m_mask;
        while (m_slots[pos] >= 0)
            pos = (pos + 1) & m_mask;
        m_slots[pos] = entry;
        m_hashes[pos] = static_cast<uint32_t>(h >> 32);
    }
}

int32_t readSourceLines(std::string_view bytes, LineConvention convention, EntryList& hosts, EntryList* added,
                        DuplicateIndex& index, const std::function<void(int32_t)>& onLine) {
    int32_t appended = 0;
    std::string scratch;
    hosts.beginAppend();
    if (added)
        added->beginAppend();
    forEachLine(bytes, convention, [&](std::string_view raw) {
        if (onLine)
            onLine(static_cast<int32_t>(std::min<size_t>(raw.size(), std::numeric_limits<int32_t>::max())));
        const std::string_view line = trimSpaces(raw);
        if (line.empty())
            return;
        const std::string_view stored = normaliseLine(line, scratch);
        if (stored.front() != '#') {
            // Entered as the entry it is about to become; appended before the index reads it again.
            if (!index.addPending(stored, hosts.count()))
                return;
            if (hosts.addItemText(stored) < 0)
                return;
        } else if (hosts.addItemText(stored) < 0) {
            return;
        }
        if (added)
            added->addItemText(stored);
        ++appended;
    });
    if (added)
        added->endAppend();
    hosts.endAppend();
    return appended;
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
