#include "dialogs/MsgBoxTables.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace velmora::msgbox {
namespace {

// One listed value of `Buttons`: the row's captions as "slot0|slot1|slot2|slot3", the cancel slot
// when every standard button is filled in, the focused slot, the picture (-1: `Icon` kept), the sound.
struct ButtonsRow {
    int32_t value;
    const char* captions;
    int cancel;
    int focus;
    int32_t picture;
    const char* sound;
};

constexpr const char* kOkOnly = "OK|||";
constexpr const char* kOkCancel = "|OK|Cancel|";
constexpr const char* kYesNo = "|&Yes|&No|";
constexpr const char* kYesNoCancel = "|&Yes|&No|Cancel";
constexpr const char* kRetryCancel = "|Retry|Cancel|";
constexpr const char* kHand = "SystemHand";
constexpr const char* kQuestion = "SystemQuestion";
constexpr const char* kExclamation = "SystemExclamation";
constexpr const char* kAsterisk = "SystemAsterisk";

const ButtonsRow kListed[] = {
    {0, kOkOnly, 0, 0, 0, kQuestion},
    {16, kOkOnly, 0, 0, 1, kHand},
    {48, kOkOnly, 0, 0, 2, kExclamation},
    {64, kOkOnly, 0, 0, 0, kAsterisk},

    {1, kOkCancel, 2, 1, -1, kExclamation},
    {17, kOkCancel, 2, 1, 1, kHand},
    {33, kOkCancel, 2, 1, 3, kQuestion},
    {49, kOkCancel, 2, 1, 2, kExclamation},
    {65, kOkCancel, 2, 1, 0, kAsterisk},
    {257, kOkCancel, 2, 2, -1, kExclamation},
    {273, kOkCancel, 2, 2, 1, kHand},
    {289, kOkCancel, 2, 2, 3, kQuestion},
    {305, kOkCancel, 2, 2, 2, kExclamation},
    {321, kOkCancel, 2, 2, 0, kAsterisk},

    {3, kYesNoCancel, 3, 1, -1, kQuestion},
    {4, kYesNo, 2, 1, -1, kQuestion},
    {19, kYesNoCancel, 3, 1, 1, kHand},
    {20, kYesNo, 2, 1, 1, kHand},
    {32, kYesNo, 2, 1, 3, kQuestion},
    {35, kYesNoCancel, 3, 1, 3, kQuestion},
    {36, kYesNo, 2, 1, 3, kQuestion},
    {51, kYesNoCancel, 3, 1, 2, kExclamation},
    {52, kYesNo, 2, 1, 2, kExclamation},
    {67, kYesNoCancel, 3, 1, 0, kAsterisk},
    {68, kYesNo, 2, 1, 0, kAsterisk},
    {259, kYesNoCancel, 3, 2, -1, kQuestion},
    {260, kYesNo, 2, 2, -1, kQuestion},
    {275, kYesNoCancel, 3, 2, 1, kHand},
    {276, kYesNo, 2, 2, 1, kHand},
    {288, kYesNo, 2, 2, 3, kQuestion},
    {291, kYesNoCancel, 3, 2, 3, kQuestion},
    {292, kYesNo, 2, 2, 3, kQuestion},
    {307, kYesNoCancel, 3, 2, 2, kExclamation},
    {308, kYesNo, 2, 2, 2, kExclamation},
    {323, kYesNoCancel, 3, 2, 0, kAsterisk},
    {324, kYesNo, 2, 2, 0, kAsterisk},
    {515, kYesNoCancel, 3, 3, -1, kQuestion},
    {516, kYesNo, 2, 3, -1, kQuestion},
    {531, kYesNoCancel, 3, 3, 1, kHand},
    {547, kYesNoCancel, 3, 3, 3, kQuestion},
    {563, kYesNoCancel, 3, 3, 2, kExclamation},
    {579, kYesNoCancel, 3, 3, 0, kAsterisk},

    {5, kRetryCancel, 2, 1, -1, kExclamation},
    {21, kRetryCancel, 2, 1, 1, kHand},
    {37, kRetryCancel, 2, 1, 3, kQuestion},
    {53, kRetryCancel, 2, 1, 2, kExclamation},
    {69, kRetryCancel, 2, 1, 0, kAsterisk},
    {261, kRetryCancel, 2, 2, -1, kExclamation},
    {277, kRetryCancel, 2, 2, 1, kHand},
    {293, kRetryCancel, 2, 2, 3, kQuestion},
    {309, kRetryCancel, 2, 2, 2, kExclamation},
    {325, kRetryCancel, 2, 2, 0, kAsterisk},
};

std::string joinedCaptions(const std::array<StandardButton, kSlots>& buttons) {
    std::string joined;
    for (size_t i = 0; i < buttons.size(); ++i)
        joined += std::string(buttons[i].caption) + (i + 1 < buttons.size() ? "|" : "");
    return joined;
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
    for (const ButtonsRow& row : kListed) {
        SCOPED_TRACE(row.value);
        const ButtonSet set = decodeButtons(row.value);
        EXPECT_NE(set.group, ButtonGroup::None);
        EXPECT_EQ(joinedCaptions(set.buttons), row.captions);
        for (const StandardButton& button : set.buttons)
            EXPECT_EQ(button.result, expectedCode(button.caption)) << button.caption;
        EXPECT_EQ(fillStandardButtons(set, {}).cancelSlot, row.cancel);
        EXPECT_EQ(set.focusSlot, row.focus);
        EXPECT_EQ(set.picture, row.picture);
        EXPECT_EQ(set.sound, row.sound);
    }
}

// Values that merely look like listed ones bit-wise (2, 256, 272, 532, ...) show nothing and change
// neither focus, picture nor the starting sound.
TEST(MsgBoxButtonSets, EveryUnlistedValueShowsNoStandardButton) {
    std::set<int32_t> listed;
    for (const ButtonsRow& row : kListed)
        listed.insert(row.value);
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
        {3, "0000", "|&Yes|&No|Cancel", 3, -1, false}, {3, "0001", "|&Yes|&No|", 2, -1, false},
        {3, "0011", "|&Yes||", -1, -1, false},        {3, "0010", "|&Yes||Cancel", 3, -1, false},
        {4, "1110", "|||", -1, -1, false},            {4, "1100", "|||", -1, -1, false},
        {3, "1100", "|||Cancel", 3, -1, false},       {1, "1000", "|OK|Cancel|", 2, -1, false},
        {5, "0010", "|Retry||", -1, -1, false},       {64, "0000", "OK|||", 0, 0, true},
        {64, "1000", "|||", 0, 0, true},              {64, "1100", "|||", 0, 0, true},
        {64, "0110", "OK|||", 0, 0, true},            {2, "1111", "|||", -1, -1, false},
        {2, "0000", "|||", -1, -1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.buttons << " given " << c.given);
        std::array<bool, kSlots> given{};
        for (size_t k = 0; k < kSlots; ++k)
            given[k] = c.given[k] == '1';
        const SlotFill fill = fillStandardButtons(decodeButtons(c.buttons), given);
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
        std::array<bool, kSlots> given{};
        for (size_t k = 0; k < kSlots; ++k)
            given[k] = c.given[k] == '1';
        const CaptionPlacement placement = placeCustomCaptions(given);
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
    const std::array<std::array<int, kSlots>, kSlots> expected{{{0, 1, 2, 3}, {3, 0, 1, 2}, {2, 3, 0, 1}, {1, 2, 3, 0}}};
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
        {5670, 1260, 2205}, {378, 84, 147},   {5715, 1260, 2227}, {4411.5, 1, 2205}, {4412.5, 1, 2206},
        {3.5, 0, 2},        {2.5, 0, 1},      {4.5, 0, 2},        {5.5, 0, 3},       {0.4, 0, 0},
        {1260, 1263, -1},   {0, 2.5, -1},     {0, 3.5, -2},       {1, 0, 0},         {4410.49, 0, 2205},
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
        {yesNoCancel, u'Y', 1},
        {yesNoCancel, u'n', 2},
        {yesNoCancel, u'N', 2},
        {yesNoCancel, u'c', 3},
        {yesNoCancel, u'x', -1},
        {yesNoCancel, u'&', 1}, // the "&" itself is a first character
        {{u"OK", u"", u"", u""}, u'o', 0},
        {{u"OK", u"", u"", u""}, u'k', -1},
        {{u"", u"OK", u"Cancel", u""}, u'C', 2},
        {{u"", u"Retry", u"Cancel", u""}, u'r', 1},
        {{u"Apply", u"&Abort", u"", u""}, u'a', 0}, // lowest slot wins
        {{u"", u"&", u"", u""}, u'&', 1},
        {{u"", u"&", u"", u""}, u'a', -1},
        {{u"-1", u"", u"", u""}, u'\r', 0}, // 13 OR 32 is "-"
        {{u"1st", u"2nd", u"", u""}, u'2', 1},
        {{u"\u00c4rger", u"", u"", u""}, u'\u00e4', 0},
        {{u"", u"", u"", u""}, u' ', -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(accessLetterSlot(c.captions, c.typed), c.slot) << static_cast<int>(c.typed);
}

} // namespace
} // namespace velmora::msgbox
