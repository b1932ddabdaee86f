#pragma once

#include "platform/LargeMemory.h"

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
    template <typename OnNew> void insertAll(const std::vector<std::string_view>& names, OnNew&& onNew) {
        insertEach(
            [&](auto&& give) {
                for (const std::string_view name : names)
                    give(name);
            },
            onNew);
    }
    // The same for the names each(give) gives one by one (give(name) for each), as a parse finds them:
    // the set fetches ahead without their being gathered first.
    template <typename Each, typename OnNew> void insertEach(Each&& each, OnNew&& onNew);
    bool contains(std::string_view name) const;
    // For each name each(give) gives that is in the set, onFound(n): it was the nth name put in (see
    // nameAt). Fetches ahead as insertEach does.
    template <typename Each, typename OnFound> void findEach(Each&& each, OnFound&& onFound) const;
    std::string_view nameAt(size_t n) const { return m_names[n]; }
    // How many of names are not in the set, fetching ahead as insertAll does.
    size_t countMissing(const std::vector<std::string_view>& names) const;
    size_t size() const { return m_names.size(); }
    // A copy of name held by the set, for a name whose own bytes will not last.
    std::string_view keep(std::string_view name);

private:
    static constexpr size_t kAhead = 8;
    bool insert(std::string_view name, uint32_t hash);
    // Calls take(name, hash) for each name each(give) gives, a few names after fetching its slot, so
    // that the lookups overlap instead of each waiting for memory in turn.
    template <typename Each, typename Take> void fetchingAhead(Each&& each, Take&& take) const;
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

template <typename Each, typename Take> void NameSet::fetchingAhead(Each&& each, Take&& take) const {
    std::string_view pending[kAhead];
    uint32_t hashes[kAhead] = {};
    size_t count = 0;
    each([&](std::string_view name) {
        const size_t at = count % kAhead;
        if (count >= kAhead)
            take(pending[at], hashes[at]);
        pending[at] = name;
        hashes[at] = hashOf(name);
        prefetch(hashes[at]);
        ++count;
    });
    for (size_t k = count > kAhead ? count - kAhead : 0; k < count; ++k)
        take(pending[k % kAhead], hashes[k % kAhead]);
}

template <typename Each, typename OnNew> void NameSet::insertEach(Each&& each, OnNew&& onNew) {
    // A table that grows drops what was fetched, which costs only time.
    fetchingAhead(each, [&](std::string_view name, uint32_t hash) {
        if (insert(name, hash))
            onNew(name);
    });
}

template <typename Each, typename OnFound> void NameSet::findEach(Each&& each, OnFound&& onFound) const {
    fetchingAhead(each, [&](std::string_view name, uint32_t hash) {
        if (const Slot slot = m_slots[find(name, hash)]; slot != 0)
            onFound(static_cast<size_t>(slot & 0xFFFFFFFFu) - 1);
    });
}

} // namespace velmora
