#include "core/Progress.h"

#include <cmath>
#include <limits>

namespace velmora {

bool advanceProgress(ProgressBar& bar, int32_t inc, int32_t& value, int32_t maxvalue) {
    if (value > maxvalue)
        return false;
    bool grew = false;
    if (maxvalue != 0) {
        const double ratio = static_cast<double>(value) / static_cast<double>(maxvalue);
        const double target = std::nearbyint(static_cast<double>(bar.trackWidth) * ratio); // ties to even
        if (target >= std::numeric_limits<int32_t>::min() && target <= std::numeric_limits<int32_t>::max() &&
            bar.barWidth < static_cast<int32_t>(target)) {
            bar.barWidth = static_cast<int32_t>(target);
            bar.percentText = std::to_string(static_cast<long long>(std::round(ratio * 100.0))) + "%";
            grew = true;
        }
    }
    const int64_t next = int64_t{value} + inc;
    if (next >= std::numeric_limits<int32_t>::min() && next <= std::numeric_limits<int32_t>::max())
        value = static_cast<int32_t>(next);
    return grew;
}

} // namespace velmora
