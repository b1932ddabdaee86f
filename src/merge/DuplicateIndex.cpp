#include "merge/DuplicateIndex.h"

#include "core/TextUtil.h"

#include "platform/LargeMemory.h"

#include <algorithm>
#include <cstring>

namespace velmora {

namespace {

constexpr size_t kFirstSlots = 1024;

uint64_t mix(uint64_t state, uint64_t word) {
    state = (state ^ word) * 0x9e3779b97f4a7c15ull;
    return state ^ (state >> 29);
}

// Letter case out of a word for hashing: bit 5 set in every byte makes A-Z a-z, so texts that iequals
// calls equal hash equal. A few other bytes then hash alike ('@' and '`', NUL and space), which only
// costs a comparison.
uint64_t caseless(uint64_t word) {
    return word | 0x2020202020202020ull;
}

uint64_t load4(const char* p) {
    uint32_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// A case-folded hash of prefix + rest as one text, eight bytes at a time. A text that begins with the
// address prefix hashes as the rest of it, from another seed: so a line given in two pieces (the
// prefix, the line) is hashed without being joined, and the same text hashes the same however it is
// given. Any other prefix is joined first (the reader never gives one).
uint32_t foldHash(std::string_view prefix, std::string_view rest) {
    if (prefix.empty() && rest.starts_with(kLocalAddressPrefix)) {
        prefix = kLocalAddressPrefix;
        rest.remove_prefix(kLocalAddressPrefix.size());
    } else if (!prefix.empty() && prefix != kLocalAddressPrefix) {
        std::string whole(prefix);
        whole.append(rest);
        return foldHash({}, whole);
    }
    uint64_t state = prefix.empty() ? 0x243f6a8885a308d3ull : 0x13198a2e03707344ull;
    const char* p = rest.data();
    const size_t n = rest.size();
    size_t i = 0;
    for (; i + 8 <= n; i += 8)
        state = mix(state, caseless(loadWord(p + i)));
    if (i < n) {
        // The bytes left, read as whole words that may overlap what came before: the length is
        // hashed too, so the same text always gives the same words.
        uint64_t last = 0;
        if (n >= 8)
            last = loadWord(p + n - 8);
        else if (n >= 4)
            last = load4(p) | (load4(p + n - 4) << 32);
        else
            last = static_cast<unsigned char>(p[0]) | uint64_t{static_cast<unsigned char>(p[n / 2])} << 8 |
                   uint64_t{static_cast<unsigned char>(p[n - 1])} << 16;
        state = mix(state, caseless(last));
    }
    uint64_t h = mix(state, n);
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    return static_cast<uint32_t>(h);
}

DuplicateIndex::Slot* freeTable(size_t slots) {
    return static_cast<DuplicateIndex::Slot*>(allocateLargeZeroed(slots * sizeof(DuplicateIndex::Slot)));
}

// At most four fifths full: probe runs stay a few slots long, and a million keys fit in 2^21 slots.
bool overFull(size_t keys, size_t slots) {
    return keys * 5 > slots * 4;
}

} // namespace

DuplicateIndex::DuplicateIndex(const EntryList& list) : m_list(list) {
    m_slots = freeTable(kFirstSlots);
    m_mask = kFirstSlots - 1;
}

size_t DuplicateIndex::capacity() const {
    return (m_mask + 1) * 4 / 5;
}

void DuplicateIndex::reserve(size_t keys) {
    size_t slots = m_mask + 1;
    while (overFull(keys, slots))
        slots *= 2;
    if (slots > m_mask + 1)
        rehash(slots);
}

DuplicateIndex::~DuplicateIndex() {
    freeLarge(m_slots, (m_mask + 1) * sizeof(Slot));
}

DuplicateIndex::Key DuplicateIndex::key(std::string_view prefix, std::string_view rest) {
    return Key{prefix, rest, foldHash(prefix, rest)};
}

bool DuplicateIndex::matches(int32_t entry, const Key& key) const {
    if (entry < m_keyedBelow) {
        // Both are keys, and a key that begins with the address always has it as its prefix.
        const Key stored = keyOf(entry);
        return stored.prefix.size() == key.prefix.size() && iequals(stored.rest, key.rest);
    }
    const std::string_view text = m_list.text(entry);
    return text.size() == key.prefix.size() + key.rest.size() &&
           iequals(text.substr(0, key.prefix.size()), key.prefix) && iequals(text.substr(key.prefix.size()), key.rest);
}

DuplicateIndex::Key DuplicateIndex::keyOf(int32_t entry) const {
    const std::optional<NormalisedLine> stored = lineKey(m_list.text(entry));
    return stored ? Key{stored->prefix, stored->rest, 0} : Key{};
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

bool DuplicateIndex::insert(const Key& key, int32_t index) {
    if (overFull(m_size + 1, m_mask + 1))
        rehash((m_mask + 1) * 2);
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

bool DuplicateIndex::addExisting(int32_t index) {
    const std::optional<NormalisedLine> stored = lineKey(m_list.text(index));
    if (!stored)
        return false;
    m_keyedBelow = std::max(m_keyedBelow, index + 1);
    return insert(key(stored->prefix, stored->rest), index);
}

void DuplicateIndex::rehash(size_t slots) {
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
