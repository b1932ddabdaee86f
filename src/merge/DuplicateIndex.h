#pragma once

#include "core/EntryList.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace velmora {

// The duplicate index of one merge: a set of entries of one list, keyed by their whole text with ASCII
// letter case folded (A-Z equals a-z; other bytes compare as themselves). Open addressing over entry
// numbers, so keys are the list's own stored text and cost no copies. Average constant time per line.
class DuplicateIndex {
public:
    explicit DuplicateIndex(const EntryList& list);

    // True when a key equal to text (case folded) is present.
    bool contains(std::string_view text) const;
    // Enters entry `index` of the list; false (and nothing entered) when its key is already present.
    bool add(int32_t index);
    // Enters the text that will be entry `index` of the list once appended; false when present.
    bool addPending(std::string_view text, int32_t index);
    size_t size() const { return m_size; }

private:
    static uint32_t hash(std::string_view text);
    void rehash(size_t slots);
    bool insert(std::string_view text, uint32_t h, int32_t index);

    const EntryList& m_list;
    std::vector<int32_t> m_slots;   // entry number, -1 when free
    std::vector<uint32_t> m_hashes; // each key's hash, so growing never reads the texts again
    size_t m_size = 0;
    size_t m_mask = 0;
};

} // namespace velmora
