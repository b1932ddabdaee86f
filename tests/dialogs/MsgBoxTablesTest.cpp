#include "dialogs/MsgBoxTables.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace velmora::msgbox {
namespace {

// The listed values of `Buttons`, by the standard buttons they show: captions "slot0|slot1|slot2|slot3",
// the cancel slot when every standard button is filled in, and the focused slot.
struct ButtonsRow {
    std::vector<int32_t> values;
    const char* captions;
    int cancel;
    int focus;
};

const ButtonsRow kButtonRows[] = {
    {{0, 16, 48, 64}, "OK|||", 0, 0},
    {{1, 17, 33, 49, 65}, "|OK|Cancel|", 2, 1},
    {{257, 273, 289, 305, 321}, "|OK|Cancel|", 2, 2},
    {{3, 19, 35, 51, 67}, "|&Yes|&No|Cancel", 3, 1},
    {{259, 275, 291, 307, 323}, "|&Yes|&No|Cancel", 3, 2},
    {{515, 531, 547, 563, 579}, "|&Yes|&No|Cancel", 3, 3},
    {{4, 20, 32, 36, 52, 68}, "|&Yes|&No|", 2, 1},
    {{260, 276, 288, 292, 308, 324}, "|&Yes|&No|", 2, 2},
    {{516}, "|&Yes|&No|", 2, 3},
    {{5, 21, 37, 53, 69}, "|Retry|Cancel|", 2, 1},
    {{261, 277, 293, 309, 325}, "|Retry|Cancel|", 2, 2},
};

// The same values by picture (-1: the caller's `Icon` is kept) and sound.
struct IconRow {
    std::vector<int32_t> values;
    int32_t picture;
    const char* sound;
};

const IconRow kIconRows[] = {
    {{16, 17, 273, 19, 20, 275, 276, 531, 21, 277}, 1, "SystemHand"},
    {{33, 289, 32, 35, 36, 288, 291, 292, 547, 37, 293}, 3, "SystemQuestion"},
    {{48, 49, 305, 51, 52, 307, 308, 563, 53, 309}, 2, "SystemExclamation"},
    {{64, 65, 321, 67, 68, 323, 324, 579, 69, 325}, 0, "SystemAsterisk"},
    {{0}, 0, "SystemQuestion"},
    {{1, 257, 5, 261}, -1, "SystemExclamation"},
    {{3, 4, 259, 260, 515, 516}, -1, "SystemQuestion"},
};

std::string joinedCaptions(const std::array<StandardButton, kSlots>& buttons) {
    std::string joined;
    for (size_t i = 0; i < buttons.size(); ++i)
        joined += std::string(buttons[i].caption) + (i + 1 < buttons.size() ? "|" : "");
    return joined;
}

// "1010": Button1 and Button3 given.
std::array<bool, kSlots> flags(const char* given) {
    std::array<bool, kSlots> result{};
    for (size_t k = 0; k < kSlots; ++k)
        result[k] = given[k] == '1';
    return result;
}

int16_t expectedCode(std::string_view caption) {
    if (caption == "OK")
        return 1;
    if (caption == "Cancel")
        return 2;
    if (caption == "Retry")
        return 4;
    if (caption == "&Yes")
        return 6;
    return caption == "&No" ? 7 : 0;
}

// Every listed value: captions, result codes, cancel slot, focused slot, picture and sound.
TEST(MsgBoxButtonSets, EveryListedValueDecodesAsTabled) {
    std::multiset<int32_t> byButtons, byIcon;
    for (const ButtonsRow& row : kButtonRows) {
        for (const int32_t value : row.values) {
            SCOPED_TRACE(value);
            byButtons.insert(value);
            const ButtonSet set = decodeButtons(value);
            EXPECT_EQ(joinedCaptions(set.buttons), row.captions);
            for (const StandardButton& button : set.buttons)
                EXPECT_EQ(button.result, expectedCode(button.caption)) << button.caption;
            EXPECT_EQ(fillStandardButtons(set, {}).cancelSlot, row.cancel);
            EXPECT_EQ(set.focusSlot, row.focus);
        }
    }
    for (const IconRow& row : kIconRows) {
        for (const int32_t value : row.values) {
            byIcon.insert(value);
            EXPECT_EQ(decodeButtons(value).picture, row.picture) << value;
            EXPECT_EQ(decodeButtons(value).sound, row.sound) << value;
        }
    }
    EXPECT_EQ(byButtons.size(), 52u);
    EXPECT_EQ(byButtons, byIcon) << "both tables list every value once";
}

// Values that merely look like listed ones bit-wise (2, 256, 272, 532, ...) show nothing and change
// neither focus, picture nor the starting sound.
TEST(MsgBoxButtonSets, EveryUnlistedValueShowsNoStandardButton) {
    std::set<int32_t> listed;
    for (const ButtonsRow& row : kButtonRows)
        listed.insert(row.values.begin(), row.values.end());
    std::vector<int32_t> values = {INT32_MIN, INT32_MIN + 1, -65536, 65536 + 64, 65536 + 3, INT32_MAX};
    for (int32_t v = -1100; v <= 1100; ++v)
        values.push_back(v);
    for (const int32_t value : values) {
        if (listed.count(value))
            continue;
        SCOPED_TRACE(value);
        const ButtonSet set = decodeButtons(value);
        EXPECT_EQ(set.group, ButtonGroup::None);
        EXPECT_EQ(joinedCaptions(set.buttons), "|||");
        EXPECT_EQ(set.focusSlot, -1);
        EXPECT_EQ(set.picture, -1);
        EXPECT_EQ(set.sound, "SystemExclamation");
    }
}

// Custom captions drop the standard buttons meant for their slots, with their cancel flag; a caption
// moved on out of slot 0 keeps "OK" away too. The OK-only group keeps slot 0 centred, default and
// cancel whatever it shows.
TEST(MsgBoxButtonSets, CustomCaptionsDisplaceStandardButtons) {
    struct Case {
        int32_t buttons;
        const char* given; // Button1..Button4, "1" non-empty
        const char* filled;
        int cancel;
        int defaultSlot;
        bool centre;
    };
    const Case cases[] = {
        {3, "0001", "|&Yes|&No|", 2, -1, false},
        {3, "0011", "|&Yes||", -1, -1, false},
        {3, "0010", "|&Yes||Cancel", 3, -1, false},
        {4, "1100", "|||", -1, -1, false},
        {3, "1100", "|||Cancel", 3, -1, false},
        {1, "1000", "|OK|Cancel|", 2, -1, false},
        {64, "0000", "OK|||", 0, 0, true},
        {64, "1000", "|||", 0, 0, true},
        {64, "1100", "|||", 0, 0, true},
        {64, "0110", "OK|||", 0, 0, true},
        {2, "1111", "|||", -1, -1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.buttons << " given " << c.given);
        const SlotFill fill = fillStandardButtons(decodeButtons(c.buttons), flags(c.given));
        EXPECT_EQ(joinedCaptions(fill.filled), c.filled);
        EXPECT_EQ(fill.cancelSlot, c.cancel);
        EXPECT_EQ(fill.defaultSlot, c.defaultSlot);
        EXPECT_EQ(fill.centreSlot0, c.centre);
    }
}

// All sixteen combinations of given captions: which caption lands in which slot ("." none), and the
// code each slot yields. Only the groups of three and of two move right.
TEST(MsgBoxCustomCaptions, EveryCombinationLandsAsTabled) {
    struct Case {
        const char* given; // Button1..Button4, "1" non-empty
        const char* slots; // caption number shown by slots 0..3
        std::array<int16_t, kSlots> results;
    };
    const Case cases[] = {
        {"0000", "....", {1, 2, 3, 4}}, {"1000", "1...", {1, 2, 3, 4}}, {"0100", ".2..", {1, 2, 3, 4}},
        {"1100", ".12.", {0, 1, 2, 0}}, {"0010", "..3.", {1, 2, 3, 4}}, {"1010", "1.3.", {1, 2, 3, 4}},
        {"0110", ".23.", {1, 2, 3, 4}}, {"1110", ".123", {0, 1, 2, 3}}, {"0001", "...4", {1, 2, 3, 4}},
        {"1001", "1..4", {1, 2, 3, 4}}, {"0101", ".2.4", {1, 2, 3, 4}}, {"1101", "12.4", {1, 2, 3, 4}},
        {"0011", "..34", {1, 2, 3, 4}}, {"1011", "1.34", {1, 2, 3, 4}}, {"0111", ".234", {1, 2, 3, 4}},
        {"1111", "1234", {1, 2, 3, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.given);
        const CaptionPlacement placement = placeCustomCaptions(flags(c.given));
        std::string slots;
        for (size_t i = 0; i < kSlots; ++i) {
            const int k = placement.captionForSlot[i];
            slots += k < 0 ? '.' : static_cast<char>('1' + k);
            if (k >= 0) { // caption parameter K always yields K
                EXPECT_EQ(placement.slotResult[i], k + 1) << "slot " << i;
            }
        }
        EXPECT_EQ(slots, c.slots);
        EXPECT_EQ(placement.slotResult, c.results);
    }
}

TEST(MsgBoxFocus, SetDefaultButtonTabPositions) {
    const std::array<int, kSlots> design{0, 1, 2, 3};
    const std::array<std::array<int, kSlots>, kSlots> expected{
        {{0, 1, 2, 3}, {3, 0, 1, 2}, {2, 3, 0, 1}, {1, 2, 3, 0}}};
    for (int d = 0; d < kSlots; ++d) {
        EXPECT_EQ(tabPositionsAfter(d, design), expected[static_cast<size_t>(d)]) << d;
        EXPECT_EQ(tabPositionsAfter(d, {3, 0, 1, 2}), expected[static_cast<size_t>(d)]) << d << " from d=1";
    }
    for (const int ignored : {-1, 4, 7, -32768, 32767})
        EXPECT_EQ(tabPositionsAfter(ignored, {2, 3, 0, 1}), (std::array<int, kSlots>{2, 3, 0, 1})) << ignored;
}

// Activation focuses the lowest visible slot, then the slot at tab position 0 when it is visible.
TEST(MsgBoxFocus, ActivationFocus) {
    struct Case {
        const char* scenario;
        std::array<bool, kSlots> visible;
        int tabFirst; // SetDefaultButton argument (-1: design order)
        int focus;
    };
    const Case cases[] = {
        {"OK only", {true, false, false, false}, 0, 0},
        {"Yes No Cancel, Yes first", {false, true, true, true}, 1, 1},
        {"516: slot 3 hidden keeps Yes", {false, true, true, false}, 3, 1},
        {"292: No first", {false, true, true, false}, 2, 2},
        {"custom A B with 64: slot 0 hidden", {false, true, true, false}, 0, 1},
        {"four custom, design order", {true, true, true, true}, -1, 0},
        {"four custom, last first", {true, true, true, true}, 3, 3},
        {"no button", {false, false, false, false}, 1, -1},
    };
    for (const Case& c : cases) {
        const auto tabs = tabPositionsAfter(c.tabFirst, {0, 1, 2, 3});
        EXPECT_EQ(activationFocusSlot(c.visible, tabs), c.focus) << c.scenario;
    }
}

// Difference rounded half to even, then halved toward zero.
TEST(MsgBoxLayout, CentringArithmetic) {
    struct Case {
        double window, button;
        int32_t left;
    };
    const Case cases[] = {
        {5670, 1260, 2205}, {378, 84, 147}, {5715, 1260, 2227}, {4411.5, 1, 2205}, {4412.5, 1, 2206},
        {3.5, 0, 2},        {2.5, 0, 1},    {4.5, 0, 2},        {5.5, 0, 3},       {0.4, 0, 0},
        {1260, 1263, -1},   {0, 2.5, -1},   {0, 3.5, -2},       {1, 0, 0},         {4410.49, 0, 2205},
    };
    for (const Case& c : cases)
        EXPECT_EQ(centredLeft(c.window, c.button), c.left) << c.window << " - " << c.button;
}

// The typed code OR 32 against each caption's first character, or the one after a leading "&".
TEST(MsgBoxKeyboard, AccessLetters) {
    using Captions = std::array<std::u16string_view, kSlots>;
    struct Case {
        Captions captions;
        char16_t typed;
        int slot;
    };
    const Captions yesNoCancel{u"", u"&Yes", u"&No", u"Cancel"};
    const Case cases[] = {
        {yesNoCancel, u'y', 1},
        {yesNoCancel, u'N', 2},
        {yesNoCancel, u'c', 3},
        {yesNoCancel, u'x', -1},
        {yesNoCancel, u'&', 1}, // the "&" itself is a first character
        {{u"OK", u"", u"", u""}, u'O', 0},
        {{u"OK", u"", u"", u""}, u'k', -1},
        {{u"Apply", u"&Abort", u"", u""}, u'a', 0}, // lowest slot wins
        {{u"", u"&", u"", u""}, u'a', -1},
        {{u"-1", u"", u"", u""}, u'\r', 0}, // 13 OR 32 is "-"
        {{u"\u00c4rger", u"", u"", u""}, u'\u00e4', 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(accessLetterSlot(c.captions, c.typed), c.slot) << static_cast<int>(c.typed);
}

} // namespace
} // namespace velmora::msgbox
