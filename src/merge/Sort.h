#pragma once

#include "core/EntryList.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace velmora {

// The order of the sorted list: which entry of a list comes first, second, ... Entries that compare as
// equal keep their relative order.
//
// While it works, the order is told how far it has come (done out of total, on the calling thread),
// so that a million lines do not freeze the window without a moving bar.
using OrderProgress = std::function<void(int64_t done, int64_t total)>;

class Collation {
public:
    virtual ~Collation() = default;
    std::vector<int32_t> order(const EntryList& list) { return order(list, {}); }
    virtual std::vector<int32_t> order(const EntryList& list, const OrderProgress& progress) = 0;
};

// Byte order with ASCII letter case ignored; the order used where no locale collation is available.
class AsciiCollation : public Collation {
public:
    using Collation::order;
    std::vector<int32_t> order(const EntryList& list, const OrderProgress& progress) override;
};

} // namespace velmora
