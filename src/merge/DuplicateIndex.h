#pragma once

#include "core/EntryList.h"
#include "merge/Normalise.h"

#include <cstdint>
#include <string_view>

namespace velmora {

// The duplicate index of one merge: a set of entries of one list, keyed by their whole text with ASCII
// letter case folded (A-Z equals a-z; other bytes compare as themselves). Open addressing over entry
// numbers, so keys are the list's own stored text and cost no copies. Average constant time per line.
//
// A key may be given in two pieces (a prefix the reader puts in front, and the line), so that a line
// is looked up before it is stored and stored only when it is new.
class DuplicateIndex {
public:
    struct Key {
        std::string_view prefix;
        std::string_view rest;
        uint32_t hash = 0;
    };

    explicit DuplicateIndex(const EntryList& list);
    // Room for this many keys in all, so that the index is sized once for the files a merge reads
    // instead of growing as they are read (it still grows past a guess that was too small).
    void reserve(size_t keys);
    ~DuplicateIndex();
    DuplicateIndex(const DuplicateIndex&) = delete;
    DuplicateIndex& operator=(const DuplicateIndex&) = delete;

    static Key key(std::string_view prefix, std::string_view rest);
    // The key of a whole text; one that begins with the address is given as the reader gives it.
    static Key key(std::string_view text) {
        return text.starts_with(kLocalAddressPrefix) ? key(kLocalAddressPrefix, text.substr(kLocalAddressPrefix.size()))
                                                     : key({}, text);
    }

    // True when a key equal to text (case folded) is present.
    bool contains(std::string_view text) const;
    // Enters entry `index` of the list, a line the list held before this merge, under its key (see
    // lineKey): it is found as the list line it would have been, and stays as it is written. False (and
    // nothing entered) when that key is already present or the line has none (blank, a comment).
    // Entries entered this way must come before every entry given to insert.
    bool addExisting(int32_t index);
    // Enters the key that will be entry `index` of the list once stored; false when present.
    bool insert(const Key& key, int32_t index);
    // Asks the processor for the key's slot ahead of its insert, so that the lookups of a few lines
    // overlap instead of each waiting for memory in turn.
    void prefetch(const Key& key) const {
#if defined(__GNUC__) || defined(__clang__)
        __builtin_prefetch(&m_slots[key.hash & m_mask]);
#else
        (void)key;
#endif
    }
    size_t size() const {
        return m_size;
    }
    // How many keys it holds before it grows.
    size_t capacity() const;

    // A slot is the key's hash in the high half and the entry number + 1 in the low half; 0 is free.
    // The position comes from the hash's low bits, so growing needs neither a second array nor the texts.
    using Slot = uint64_t;

private:
    bool matches(int32_t entry, const Key& key) const;
    Key keyOf(int32_t entry) const;
    // Moves every slot into a fresh table of `slots` slots, by its stored hash.
    void rehash(size_t slots);

    const EntryList& m_list;
    Slot* m_slots = nullptr;
    size_t m_mask = 0;
    size_t m_size = 0;
    int32_t m_keyedBelow = 0; // entries below this are compared by their key, not their text
};

} // namespace velmora
