#include "dialogs/InputBoxLogic.h"

#include <gtest/gtest.h>

#include <string>

namespace velmora::inputbox {
namespace {

// Numbers-only mode keeps digits, '-', '.' and backspace, nothing else (control characters included);
// upper-case mode takes every character, whatever the numbers-only flag says.
TEST(InputBoxFilter, EveryCodeInEveryMode) {
    const std::u32string kept = U"0123456789-.\b";
    for (char32_t code = 0; code < 0x3000; ++code) {
        const Typed numeric = kept.find(code) != std::u32string::npos ? Typed::Pass : Typed::Discard;
        EXPECT_TRUE(filterTyped(code, true, false) == numeric && filterTyped(code, false, false) == Typed::Pass &&
                    filterTyped(code, false, true) == Typed::Upper && filterTyped(code, true, true) == Typed::Upper)
            << static_cast<uint32_t>(code);
    }
}

// The number at the start of the text, read like Val, in its shortest decimal form.
TEST(InputBoxNumber, ReadsLikeVal) {
    const std::string nines(400, '9');
    const struct { std::string text, number; } cases[] = {
        {"", "0"}, {"007", "7"}, {"1.2.3", "1.2"}, {"--5", "0"}, {"12abc", "12"}, {"abc", "0"}, {"-", "0"},
        {".", "0"}, {"-.", "0"}, {"-0.000", "0"}, {"\t-\n8", "-8"}, {"1 2 3", "123"}, {"+7", "7"}, {"+-7", "0"},
        {"1-2", "1"}, {"12,5", "12"}, {"1e3", "1"}, {"-3.50", "-3.5"}, {"-.5", "-0.5"}, {"5.", "5"},
        {"123456789012", "123456789012"}, {"0.000001", "0.000001"}, {"0." + std::string(400, '0') + "1", "0"},
        {nines, "1.7976931348623157e+308"}, {"-" + nines, "-1.7976931348623157e+308"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(numberText(c.text), c.number) << '"' << c.text << '"';
}

} // namespace
} // namespace velmora::inputbox
