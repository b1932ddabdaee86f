#pragma once

#include "merge/Sort.h"

namespace velmora {

// The order of the HOSTS list's sort in the Win32 window, as QtCollation is the Qt window's: the
// collation of the user's locale with letter case ignored. Each line's sort key is made once by the
// system (LCMapStringEx) and the lines are put in order by one stable sort, so lines that compare as
// equal keep their relative order. Lines are bytes; they compare as the text they show on screen.
class Win32Collation : public Collation {
public:
    using Collation::order;
    std::vector<int32_t> order(const EntryList& list, const OrderProgress& progress) override;
};

} // namespace velmora
