#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace velmora {

// A set of host names compared byte for byte (callers give them in lower case). It keeps views, not
// copies: a name's bytes must outlive the set, unless the set was asked to keep a copy (keep()).
// Open addressing over 8-byte slots, at most half full, so a million names cost two allocations and
// a probe or two each.
class NameSet {
public:
    explicit NameSet(size_t expected = 0);
    ~NameSet();
    NameSet(const NameSet&) = delete;
    NameSet& operator=(const NameSet&) = delete;

    // True when the name was not there yet (it is now).
    bool insert(std::string_view name);
    // The same for each of names in turn, with onNew(name) for each that was new. The slots of the
    // names a few ahead are fetched meanwhile, so that their lookups overlap instead of each waiting
    // for memory in turn.
    template <typename OnNew> void insertAll(const std::vector<std::string_view>& names, OnNew&& onNew);
    bool contains(std::string_view name) const;
    size_t size() const { return m_names.size(); }
    // A copy of name held by the set, for a name whose own bytes will not last.
    std::string_view keep(std::string_view name);

private:
    static constexpr size_t kAhead = 8;
    bool insert(std::string_view name, uint32_t hash);
    void prefetch(uint32_t hash) const {
#if defined(__GNUC__) || defined(__clang__)
        __builtin_prefetch(&m_slots[hash & m_mask]);
#else
        (void)hash;
#endif
    }
    // A slot is the name's hash in the high half and its number + 1 in the low half; 0 is free.
    using Slot = uint64_t;
    static uint32_t hashOf(std::string_view name);
    size_t find(std::string_view name, uint32_t hash) const;
    void grow();

    Slot* m_slots = nullptr;
    size_t m_mask = 0;
    std::vector<std::string_view> m_names;
    std::vector<std::unique_ptr<char[]>> m_kept;
    size_t m_keptUsed = 0;
    size_t m_keptSize = 0;
};

template <typename OnNew> void NameSet::insertAll(const std::vector<std::string_view>& names, OnNew&& onNew) {
    uint32_t hashes[kAhead] = {};
    const size_t n = names.size();
    for (size_t i = 0; i < n + kAhead; ++i) {
        if (i >= kAhead) {
            const size_t k = i - kAhead;
            // A table that grows drops what was fetched, which costs only time.
            if (insert(names[k], hashes[k % kAhead]))
                onNew(names[k]);
        }
        if (i < n) {
            hashes[i % kAhead] = hashOf(names[i]);
            prefetch(hashes[i % kAhead]);
        }
    }
}

} // namespace velmora
