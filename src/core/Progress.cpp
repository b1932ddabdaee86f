#include "core/Progress.h"

#include <cmath>
#include <limits>

namespace velmora {

namespace {
int32_t targetWidth(const ProgressBar& bar, int32_t value, int32_t maxvalue) {
    const double ratio = static_cast<double>(value) / static_cast<double>(maxvalue);
    const double target = std::nearbyint(static_cast<double>(bar.trackWidth) * ratio); // ties to even
    if (target < std::numeric_limits<int32_t>::min() || target > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(target);
}
} // namespace

int32_t progressQuietUntil(const ProgressBar& bar, int32_t value, int32_t maxvalue) {
    if (maxvalue < 0 || bar.trackWidth <= 0)
        return value; // no shortcut for a bar that makes no sense
    const int64_t end = std::min<int64_t>(int64_t{maxvalue} + 1, std::numeric_limits<int32_t>::max());
    if (value >= end || maxvalue == 0)
        return static_cast<int32_t>(std::max<int64_t>(value, end));
    // Where the bar reaches half a twip more than now, less a little for rounding; then exactly.
    const double estimate =
        (static_cast<double>(bar.barWidth) + 0.5) * static_cast<double>(maxvalue) / static_cast<double>(bar.trackWidth);
    int64_t v = std::max<int64_t>(value, static_cast<int64_t>(std::floor(estimate)) - 2);
    while (v < end && targetWidth(bar, static_cast<int32_t>(v), maxvalue) <= bar.barWidth)
        ++v;
    return static_cast<int32_t>(std::min(v, end));
}

bool advanceProgress(ProgressBar& bar, int32_t inc, int32_t& value, int32_t maxvalue) {
    if (value > maxvalue)
        return false;
    bool grew = false;
    if (maxvalue != 0) {
        const double ratio = static_cast<double>(value) / static_cast<double>(maxvalue);
        const int32_t target = targetWidth(bar, value, maxvalue);
        if (bar.barWidth < target) {
            bar.barWidth = target;
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
