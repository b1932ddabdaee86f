// The progress arithmetic over a run of calls with any 32-bit values.
// - A value past maxvalue is frozen: nothing is drawn and the value stays, call after call.
// - Otherwise the value advances by inc, or stays when the sum leaves 32 bits.
// - The bar never shrinks; it grows exactly when the call says so, to the track width times
//   value / maxvalue (within half a twip), and the text changes only then, to that ratio in whole
//   percent (within half a percent), so text and bar agree.
// - With maxvalue not negative the bar stays within [30, track width].

#include "FuzzSupport.h"

#include "core/Progress.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <limits>

using namespace velmora;
using namespace velmora::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    ProgressBar bar;
    if (input.ConsumeBool())
        bar.trackWidth = input.ConsumeIntegralInRange<int32_t>(ProgressBar::kStubWidth, 1 << 20);
    const int32_t maxvalue =
        input.ConsumeBool() ? input.ConsumeIntegral<int32_t>() : input.ConsumeIntegralInRange<int32_t>(-2, 5000);
    int32_t value = input.ConsumeBool() ? input.ConsumeIntegral<int32_t>() : 0;
    bool frozen = false;
    while (input.remaining_bytes() > 0) {
        const int32_t inc =
            input.ConsumeBool() ? input.ConsumeIntegral<int32_t>() : input.ConsumeIntegralInRange<int32_t>(0, 300);
        const int32_t before = value;
        const ProgressBar old = bar;
        const bool grew = advanceProgress(bar, inc, value, maxvalue);

        if (before > maxvalue) {
            FUZZ_CHECK(!grew && value == before && bar.barWidth == old.barWidth && bar.percentText == old.percentText,
                       "past maxvalue nothing is drawn and the value is frozen");
            frozen = true;
            continue;
        }
        FUZZ_CHECK(!frozen, "a frozen value stays frozen");
        const int64_t sum = int64_t{before} + inc;
        const bool fits = sum >= std::numeric_limits<int32_t>::min() && sum <= std::numeric_limits<int32_t>::max();
        FUZZ_CHECK(value == (fits ? sum : before), "the value advances by inc within 32 bits");
        FUZZ_CHECK(bar.barWidth >= old.barWidth, "the bar never shrinks");
        FUZZ_CHECK(grew == (bar.barWidth > old.barWidth), "the call says when the bar grew");
        if (!grew) {
            FUZZ_CHECK(bar.percentText == old.percentText, "the text changes only with the bar");
        } else {
            const double ratio = static_cast<double>(before) / static_cast<double>(maxvalue);
            FUZZ_CHECK(std::fabs(bar.barWidth - bar.trackWidth * ratio) <= 0.5 + 1e-6, "the width is the ratio's");
            FUZZ_CHECK(!bar.percentText.empty() && bar.percentText.back() == '%', "the text ends in a percent sign");
            const double percent = std::stod(bar.percentText.substr(0, bar.percentText.size() - 1));
            FUZZ_CHECK(std::fabs(percent - ratio * 100.0) <= 0.5 + 1e-6, "the text is the ratio in whole percent");
            FUZZ_CHECK(std::fabs(bar.barWidth - bar.trackWidth * percent / 100.0) <= 1.0 + bar.trackWidth / 200.0,
                       "text and bar agree");
        }
        if (maxvalue >= 0)
            FUZZ_CHECK(bar.barWidth >= ProgressBar::kStubWidth && bar.barWidth <= bar.trackWidth,
                       "the bar stays within the track");
    }
    return 0;
}
