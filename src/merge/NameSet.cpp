#include "merge/NameSet.h"

#include "core/TextUtil.h"

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

uint64_t mix(uint64_t state, uint64_t word) {
    state = (state ^ word) * 0x9e3779b97f4a7c15ull;
    return state ^ (state >> 29);
}

constexpr size_t kKeptPiece = size_t{1} << 16;

} // namespace

NameSet::NameSet(size_t expected) : m_slots(slotsFor(expected)) {}

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
    const size_t mask = m_slots.size() - 1;
    for (size_t pos = hash & mask;; pos = (pos + 1) & mask) {
        const Slot& slot = m_slots[pos];
        if (!slot.data || (slot.hash == hash && std::string_view(slot.data, slot.size) == name))
            return pos;
    }
}

bool NameSet::insert(std::string_view name) {
    if ((m_size + 1) * 2 > m_slots.size())
        grow();
    const uint32_t hash = hashOf(name);
    Slot& slot = m_slots[find(name, hash)];
    if (slot.data)
        return false;
    // An empty name still needs a place that is not null.
    slot = Slot{name.empty() ? "" : name.data(), static_cast<uint32_t>(name.size()), hash};
    ++m_size;
    return true;
}

bool NameSet::contains(std::string_view name) const {
    return m_slots[find(name, hashOf(name))].data != nullptr;
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
    std::vector<Slot> old(m_slots.size() * 2);
    old.swap(m_slots);
    const size_t mask = m_slots.size() - 1;
    for (const Slot& slot : old) {
        if (!slot.data)
            continue;
        size_t pos = slot.hash & mask;
        while (m_slots[pos].data)
            pos = (pos + 1) & mask;
        m_slots[pos] = slot;
    }
}

} // namespace velmora
