#include "merge/NameSet.h"

#include "core/TextUtil.h"
#include "platform/LargeMemory.h"

#include <algorithm>
#include <cstring>

namespace velmora {

namespace {

size_t slotsFor(size_t names) {
    size_t slots = 64;
    while (slots < names * 2)
        slots *= 2;
    return slots;
}

uint64_t* freeSlots(size_t slots) {
    return static_cast<uint64_t*>(allocateLargeZeroed(slots * sizeof(uint64_t)));
}

uint64_t mix(uint64_t state, uint64_t word) {
    state = (state ^ word) * 0x9e3779b97f4a7c15ull;
    return state ^ (state >> 29);
}

constexpr size_t kKeptPiece = size_t{1} << 16;

} // namespace

NameSet::NameSet(size_t expected) {
    const size_t slots = slotsFor(expected);
    m_slots = freeSlots(slots);
    m_mask = slots - 1;
    m_names.reserve(expected);
    adviseHugePages(m_names.data(), m_names.capacity() * sizeof(std::string_view));
}

NameSet::~NameSet() {
    freeLarge(m_slots, (m_mask + 1) * sizeof(Slot));
}

uint32_t NameSet::hashOf(std::string_view name) {
    uint64_t state = 0x243f6a8885a308d3ull ^ name.size();
    size_t i = 0;
    for (; i + 8 <= name.size(); i += 8)
        state = mix(state, loadWord(name.data() + i));
    uint64_t last = 0;
    for (size_t k = name.size(); k-- > i;)
        last = (last << 8) | static_cast<unsigned char>(name[k]);
    state = mix(state, last);
    state ^= state >> 33;
    state *= 0xff51afd7ed558ccdull;
    return static_cast<uint32_t>(state ^ (state >> 32));
}

size_t NameSet::find(std::string_view name, uint32_t hash) const {
    for (size_t pos = hash & m_mask;; pos = (pos + 1) & m_mask) {
        const Slot slot = m_slots[pos];
        if (slot == 0 || (slot >> 32 == hash && m_names[(slot & 0xFFFFFFFFu) - 1] == name))
            return pos;
    }
}

bool NameSet::insert(std::string_view name) {
    return insert(name, hashOf(name));
}

bool NameSet::insert(std::string_view name, uint32_t hash) {
    if ((m_names.size() + 1) * 2 > m_mask + 1)
        grow();
    Slot& slot = m_slots[find(name, hash)];
    if (slot != 0)
        return false;
    m_names.push_back(name);
    slot = (Slot{hash} << 32) | static_cast<uint32_t>(m_names.size());
    return true;
}

bool NameSet::contains(std::string_view name) const {
    return m_slots[find(name, hashOf(name))] != 0;
}

size_t NameSet::countMissing(const std::vector<std::string_view>& names) const {
    size_t found = 0;
    findEach(
        [&](auto&& give) {
            for (const std::string_view name : names)
                give(name);
        },
        [&](size_t) { ++found; });
    return names.size() - found;
}

std::string_view NameSet::keep(std::string_view name) {
    if (m_kept.empty() || m_keptUsed + name.size() > m_keptSize) {
        m_keptSize = std::max(kKeptPiece, name.size());
        m_kept.push_back(std::make_unique<char[]>(m_keptSize));
        m_keptUsed = 0;
    }
    char* at = m_kept.back().get() + m_keptUsed;
    std::memcpy(at, name.data(), name.size());
    m_keptUsed += name.size();
    return std::string_view(at, name.size());
}

void NameSet::grow() {
    const size_t slots = (m_mask + 1) * 2;
    Slot* fresh = freeSlots(slots);
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
