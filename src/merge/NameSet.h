#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace velmora {

// A set of host names compared byte for byte (callers give them in lower case). It keeps views, not
// copies: a name's bytes must outlive the set, unless the set was asked to keep a copy (keep()).
// Open addressing, at most half full, so a million names cost one allocation and a few probes each.
class NameSet {
public:
    explicit NameSet(size_t expected = 0);

    // True when the name was not there yet (it is now).
    bool insert(std::string_view name);
    bool contains(std::string_view name) const;
    size_t size() const { return m_size; }
    // A copy of name held by the set, for a name whose own bytes will not last.
    std::string_view keep(std::string_view name);

private:
    struct Slot {
        const char* data = nullptr;
        uint32_t size = 0;
        uint32_t hash = 0;
    };
    static uint32_t hashOf(std::string_view name);
    size_t find(std::string_view name, uint32_t hash) const;
    void grow();

    std::vector<Slot> m_slots;
    size_t m_size = 0;
    std::vector<std::unique_ptr<char[]>> m_kept;
    size_t m_keptUsed = 0;
    size_t m_keptSize = 0;
};

} // namespace velmora
