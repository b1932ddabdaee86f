#include "merge/Sort.h"

#include "core/TextUtil.h"

#include <algorithm>
#include <numeric>

namespace velmora {

std::vector<int32_t> AsciiCollation::order(const EntryList& list, const OrderProgress& progress) {
    std::vector<int32_t> order(static_cast<size_t>(list.count()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int32_t a, int32_t b) { return icompare(list.text(a), list.text(b)) < 0; });
    if (progress)
        progress(1, 1);
    return order;
}

} // namespace velmora
