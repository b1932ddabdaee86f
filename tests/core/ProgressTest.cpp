#include "core/Progress.h"
#include "core/UserInterface.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

using velmora::advanceProgress;
using velmora::ProgressBar;

// One step each: {bar before, inc, value, max} -> {grew, bar after, text, value after}.
TEST(Progress, DrawsAndAdvances) {
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    struct Case {
        int32_t barWidth, inc, value, maxvalue;
        bool grows;
        int32_t barAfter;
        const char* text;
        int32_t valueAfter;
    } cases[] = {
        {30, 5, 10, 10, true, 2445, "100%", 15},               // value equal to max: full bar
        {30, 5, 11, 10, false, 30, "", 11},                    // past max: nothing, value frozen
        {30, 3, 0, 0, false, 30, "", 3},                       // max 0: nothing drawn, value advanced
        {30, 1, -5, 10, false, 30, "", -4},                    // negative ratio
        {2445, 10, kMax - 5, kMax, false, 2445, "", kMax - 5}, // a sum past 32 bits keeps value
        {30, 0, 1, 2, true, 1222, "50%", 1},                   // 1222.5 twips: ties to even
        {30, 0, 456, 1000, true, 1115, "46%", 456},
        {30, 1, 12, 1000, false, 30, "", 13},  // 29.34 twips: not past the fresh bar's stub
        {30, 1, 13, 1000, true, 32, "1%", 14}, // 31.785 twips: the first draw of a fresh bar
        {0, 0, 5, 1000, true, 12, "1%", 5},    // 0.5 % rounds away from zero
        {2000, 1, 1, 2, false, 2000, "", 2},   // the bar never shrinks
    };
    for (const Case& c : cases) {
        ProgressBar bar;
        bar.barWidth = c.barWidth;
        int32_t value = c.value;
        EXPECT_EQ(advanceProgress(bar, c.inc, value, c.maxvalue), c.grows) << c.value << "/" << c.maxvalue;
        EXPECT_EQ(bar.barWidth, c.barAfter) << c.value << "/" << c.maxvalue;
        EXPECT_EQ(bar.percentText, c.text) << c.value << "/" << c.maxvalue;
        EXPECT_EQ(value, c.valueAfter) << c.value << "/" << c.maxvalue;
    }
}

namespace {
// A bar that counts its calls and lets steps that change nothing be left out.
class CountingSink : public velmora::ProgressSink {
public:
    void setTitle(const std::string&) override {}
    void show() override {}
    void close() override {}
    void step(int32_t increment, int32_t& value, int32_t maximum) override {
        ++calls;
        if (advanceProgress(bar, increment, value, maximum))
            drawn.push_back(bar.percentText + "@" + std::to_string(bar.barWidth));
    }
    int32_t quietUntil(int32_t value, int32_t maximum) const override {
        return velmora::progressQuietUntil(bar, value, maximum);
    }
    ProgressBar bar;
    std::vector<std::string> drawn;
    int64_t calls = 0;
};
} // namespace

// Steps left out where the bar would not move draw exactly what every step drawn would, for any
// maximum and step sizes; a million one-byte steps reach the bar a few thousand times.
TEST(Progress, StepsLeftOutChangeNothing) {
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    const struct {
        int32_t maximum, steps, increment;
    } cases[] = {{0, 10, 1},
                 {1, 5, 1},
                 {7, 20, 1},
                 {1000, 400, 3},
                 {2445, 3000, 1},
                 {12345, 2000, 17},
                 {1000000, 1000000, 1},
                 {kMax, 1000, kMax / 900},
                 {100, 50, 0},
                 {-5, 10, 1}};
    for (const auto& c : cases) {
        CountingSink every;
        int32_t value = 0;
        for (int32_t i = 0; i < c.steps; ++i)
            every.step(c.increment, value, c.maximum);
        CountingSink some;
        velmora::ProgressSteps steps(some, c.maximum);
        for (int32_t i = 0; i < c.steps; ++i)
            steps.step(c.increment);
        EXPECT_EQ(some.drawn, every.drawn) << c.maximum;
        if (c.maximum == 1000000) {
            EXPECT_LT(some.calls, 5000);
        }
    }
}
