#include "merge/DuplicateIndex.h"

#include "core/TextUtil.h"

#include "platform/LargeMemory.h"

#include <cstring>

namespace velmora {

namespace {

constexpr size_t kFirstSlots = 1024;

uint64_t mix(uint64_t state, uint64_t word) {
    state = (state ^ word) * 0x9e3779b97f4a7c15ull;
    return state ^ (state >> 29);
}

// A case-folded hash eight bytes at a time, of prefix + rest as if they were one text.
uint32_t foldHash(std::string_view prefix, std::string_view rest) {
    uint64_t state = 0x243f6a8885a308d3ull;
    const size_t length = prefix.size() + rest.size();
    if (!prefix.empty()) {
        // The prefix (a few bytes) and the start of rest together, up to a whole number of words.
        char head[48] = {};
        const size_t fromPrefix = std::min<size_t>(prefix.size(), 32);
        std::memcpy(head, prefix.data(), fromPrefix);
        size_t headSize = fromPrefix;
        if (fromPrefix < prefix.size()) {
            // A long prefix is never given by the reader; hash it the slow way.
            std::string whole(prefix);
            whole.append(rest);
            return foldHash({}, whole);
        }
        const size_t fromRest = std::min(rest.size(), (8 - headSize % 8) % 8);
        if (fromRest > 0) // an empty rest may have no bytes at all to point at
            std::memcpy(head + headSize, rest.data(), fromRest);
        headSize += fromRest;
        rest.remove_prefix(fromRest);
        size_t i = 0;
        for (; i + 8 <= headSize; i += 8)
            state = mix(state, asciiLowerWord(loadWord(head + i)));
        if (i < headSize) // rest ended inside the head, which is zero after it
            state = mix(state, asciiLowerWord(loadWord(head + i)));
    }
    const char* p = rest.data();
    const char* end = p + rest.size();
    for (; end - p >= 8; p += 8)
        state = mix(state, asciiLowerWord(loadWord(p)));
    if (p < end) {
        char last[8] = {};
        std::memcpy(last, p, static_cast<size_t>(end - p));
        state = mix(state, asciiLowerWord(loadWord(last)));
    }
    uint64_t h = mix(state, length);
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    return static_cast<uint32_t>(h);
}

DuplicateIndex::Slot* freeTable(size_t slots) {
    auto* table = static_cast<DuplicateIndex::Slot*>(allocateLarge(slots * sizeof(DuplicateIndex::Slot)));
    std::memset(table, 0, slots * sizeof(DuplicateIndex::Slot));
    return table;
}

} // namespace

DuplicateIndex::DuplicateIndex(const EntryList& list) : m_list(list) {
    m_slots = freeTable(kFirstSlots);
    m_mask = kFirstSlots - 1;
}

DuplicateIndex::~DuplicateIndex() {
    freeLarge(m_slots, (m_mask + 1) * sizeof(Slot));
}

DuplicateIndex::Key DuplicateIndex::key(std::string_view prefix, std::string_view rest) {
    return Key{prefix, rest, foldHash(prefix, rest)};
}

bool DuplicateIndex::matches(int32_t entry, const Key& key) const {
    const std::string_view text = m_list.text(entry);
    return text.size() == key.prefix.size() + key.rest.size() &&
           iequals(text.substr(0, key.prefix.size()), key.prefix) && iequals(text.substr(key.prefix.size()), key.rest);
}

bool DuplicateIndex::contains(std::string_view text) const {
    const Key k = key(text);
    for (size_t pos = k.hash & m_mask;; pos = (pos + 1) & m_mask) {
        const Slot slot = m_slots[pos];
        if (slot == 0)
            return false;
        if (slot >> 32 == k.hash && matches(static_cast<int32_t>(slot & 0xFFFFFFFFu) - 1, k))
            return true;
    }
}

void DuplicateIndex::prefetch(const Key& key) const {
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(&m_slots[key.hash & m_mask]);
#else
    (void)key;
#endif
}

bool DuplicateIndex::insert(const Key& key, int32_t index) {
    // At most four fifths full: probe runs stay a few slots long, and a million keys fit in 2^21 slots.
    if ((m_size + 1) * 5 > (m_mask + 1) * 4)
        grow();
    for (size_t pos = key.hash & m_mask;; pos = (pos + 1) & m_mask) {
        const Slot slot = m_slots[pos];
        if (slot == 0) {
            m_slots[pos] = (Slot{key.hash} << 32) | (static_cast<uint32_t>(index) + 1u);
            ++m_size;
            return true;
        }
        if (slot >> 32 == key.hash && matches(static_cast<int32_t>(slot & 0xFFFFFFFFu) - 1, key))
            return false;
    }
}

bool DuplicateIndex::add(int32_t index) {
    return insert(key(m_list.text(index)), index);
}

void DuplicateIndex::grow() {
    const size_t slots = (m_mask + 1) * 2;
    Slot* fresh = freeTable(slots);
    const size_t mask = slots - 1;
    for (size_t i = 0; i <= m_mask; ++i) {
        const Slot slot = m_slots[i];
        if (slot == 0)
            continue;
        size_t pos = (slot >> 32) & mask;
        while (fresh[pos] != 0)
            pos = (pos + 1) & mask;
        fresh[pos] = slot;
    }
    freeLarge(m_slots, (m_mask + 1) * sizeof(Slot));
    m_slots = fresh;
    m_mask = mask;
}

} // namespace velmora
