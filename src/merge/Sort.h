#pragma once

#include "core/EntryList.h"

#include <cstdint>
#include <vector>

namespace velmora {

// The order of the sorted list: which entry of a list comes first, second, ... Entries that compare as
// equal keep their relative order.
class Collation {
public:
    virtual ~Collation() = default;
    virtual std::vector<int32_t> order(const EntryList& list) = 0;
};

// Byte order with ASCII letter case ignored; the order used where no locale collation is available.
class AsciiCollation : public Collation {
public:
    std::vector<int32_t> order(const EntryList& list) override;
};

} // namespace velmora
