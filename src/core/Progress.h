#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

namespace velmora {

// The progress bar's arithmetic, in twips. A fresh bar is the 30-twip stub with no text.
struct ProgressBar {
    static constexpr int32_t kTrackWidth = 2445;
    static constexpr int32_t kStubWidth = 30;
    int32_t trackWidth = kTrackWidth;
    int32_t barWidth = kStubWidth;
    std::string percentText;
};

// A size as a progress amount: progress counts in 32 bits, so larger sizes stop at the top.
inline int32_t clampToInt32(uint64_t value) {
    return static_cast<int32_t>(std::min<uint64_t>(value, std::numeric_limits<int32_t>::max()));
}

// One step of the progress protocol: draws value / maxvalue and then advances value by inc.
// Nothing happens at all when value is past maxvalue. The bar only grows: the width is rounded half
// to even, the percentage half away from zero, and both change only when the bar grows. maxvalue 0
// draws nothing; a sum outside 32 bits leaves value as it was. Returns true when the bar grew.
bool advanceProgress(ProgressBar& bar, int32_t inc, int32_t& value, int32_t maxvalue);

// The least value, from value on, at which advanceProgress would grow the bar; at most maxvalue + 1.
// Below it a step only advances the value, so a caller may count on its own until it gets there.
int32_t progressQuietUntil(const ProgressBar& bar, int32_t value, int32_t maxvalue);

} // namespace velmora
