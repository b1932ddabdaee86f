#include "core/Progress.h"

#include <gtest/gtest.h>

#include <limits>

using velmora::advanceProgress;
using velmora::ProgressBar;

// With maxvalue 1000 and steps of 1 the bar first grows at 13 (2445 x 0.013 = 31.785 > 30) and reads 1%.
TEST(Progress, FirstDrawAtThirteenOfAThousand) {
    ProgressBar bar;
    int32_t value = 0;
    int firstGrow = -1;
    for (int step = 0; step <= 1000; ++step) {
        const int32_t before = value;
        if (advanceProgress(bar, 1, value, 1000) && firstGrow < 0) {
            firstGrow = before;
            EXPECT_EQ(bar.percentText, "1%");
            EXPECT_EQ(bar.barWidth, 32);
        }
    }
    EXPECT_EQ(firstGrow, 13);
    EXPECT_EQ(bar.barWidth, 2445);
    EXPECT_EQ(bar.percentText, "100%");
    EXPECT_EQ(value, 1001);
}

struct ProgressCase {
    const char* name;
    int32_t barWidth;
    int32_t inc, value, maxvalue;
    bool grows;
    int32_t barAfter;
    const char* text;
    int32_t valueAfter;
};

class ProgressStep : public ::testing::TestWithParam<ProgressCase> {};

TEST_P(ProgressStep, DrawsAndAdvances) {
    const ProgressCase& c = GetParam();
    ProgressBar bar;
    bar.barWidth = c.barWidth;
    int32_t value = c.value;
    EXPECT_EQ(advanceProgress(bar, c.inc, value, c.maxvalue), c.grows);
    EXPECT_EQ(bar.barWidth, c.barAfter);
    EXPECT_EQ(bar.percentText, c.text);
    EXPECT_EQ(value, c.valueAfter);
}

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

INSTANTIATE_TEST_SUITE_P(
    Cases, ProgressStep,
    ::testing::Values(
        ProgressCase{"FullAtMax", 30, 5, 10, 10, true, 2445, "100%", 15},
        ProgressCase{"PastMaxFrozen", 30, 5, 11, 10, false, 30, "", 11},
        ProgressCase{"ZeroMaxNothingDrawn", 30, 3, 0, 0, false, 30, "", 3},
        ProgressCase{"NegativeRatio", 30, 1, -5, 10, false, 30, "", -4},
        ProgressCase{"OverflowKeepsValue", 2445, 10, kMax - 5, kMax, false, 2445, "", kMax - 5},
        // 2445 x 0.5 = 1222.5: ties go to the even width; 50% as text.
        ProgressCase{"WidthTieToEven", 30, 0, 1, 2, true, 1222, "50%", 1},
        // 0.456 is shown as 46%; 0.005 rounds away from zero to 1% (only once the bar passes the stub).
        ProgressCase{"PercentRounded", 30, 0, 456, 1000, true, 1115, "46%", 456},
        ProgressCase{"PercentHalfAwayFromZero", 0, 0, 5, 1000, true, 12, "1%", 5},
        ProgressCase{"NoShrink", 2000, 1, 1, 2, false, 2000, "", 2}),
    [](const auto& p) { return std::string(p.param.name); });
