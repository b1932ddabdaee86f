#include "merge/DuplicateIndex.h"

#include "core/TextUtil.h"

namespace velmora {

DuplicateIndex::DuplicateIndex(const EntryList& list) : m_list(list) {
    rehash(1024);
}

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

bool DuplicateIndex::contains(std::string_view text) const {
    const uint32_t h = hash(text);
    for (size_t pos = h & m_mask;; pos = (pos + 1) & m_mask) {
        const int32_t entry = m_slots[pos];
        if (entry < 0)
            return false;
        if (m_hashes[pos] == h && iequals(m_list.text(entry), text))
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
        if (m_hashes[pos] == h && iequals(m_list.text(entry), text))
            return false;
    }
}

bool DuplicateIndex::add(int32_t index) {
    const std::string_view text = m_list.text(index);
    return insert(text, hash(text), index);
}

bool DuplicateIndex::addPending(std::string_view text, int32_t index) {
    return insert(text, hash(text), index);
}

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

} // namespace velmora
