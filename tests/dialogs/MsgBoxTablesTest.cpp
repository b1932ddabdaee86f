#include "dialogs/MsgBoxTables.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace velmora::msgbox {
namespace {

// "caption=code|" for each slot, just "|" for an empty one.
std::string joined(const std::array<StandardButton, kSlots>& buttons) {
    std::string text;
    for (const StandardButton& b : buttons)
        text += (b.caption.empty() ? "" : std::string(b.caption) + '=' + std::to_string(b.result)) + '|';
    return text;
}

// "1010": Button1 and Button3 given.
std::array<bool, kSlots> flags(const char* text) {
    return {text[0] == '1', text[1] == '1', text[2] == '1', text[3] == '1'};
}

// The listed values of `Buttons` by standard buttons, cancel slot (all filled in) and focused slot ...
const struct ButtonsRow { std::vector<int32_t> values; const char* buttons; int cancel, focus; } kButtonRows[] = {
    {{0, 16, 48, 64}, "OK=1||||", 0, 0},
    {{1, 17, 33, 49, 65}, "|OK=1|Cancel=2||", 2, 1},
    {{257, 273, 289, 305, 321}, "|OK=1|Cancel=2||", 2, 2},
    {{3, 19, 35, 51, 67}, "|&Yes=6|&No=7|Cancel=2|", 3, 1},
    {{259, 275, 291, 307, 323}, "|&Yes=6|&No=7|Cancel=2|", 3, 2},
    {{515, 531, 547, 563, 579}, "|&Yes=6|&No=7|Cancel=2|", 3, 3},
    {{4, 20, 32, 36, 52, 68}, "|&Yes=6|&No=7||", 2, 1},
    {{260, 276, 288, 292, 308, 324}, "|&Yes=6|&No=7||", 2, 2},
    {{516}, "|&Yes=6|&No=7||", 2, 3},
    {{5, 21, 37, 53, 69}, "|Retry=4|Cancel=2||", 2, 1},
    {{261, 277, 293, 309, 325}, "|Retry=4|Cancel=2||", 2, 2},
};

// ... and the same values by picture (-1: the caller's `Icon` is kept) and sound.
const struct { std::vector<int32_t> values; int32_t picture; const char* sound; } kIconRows[] = {
    {{16, 17, 273, 19, 20, 275, 276, 531, 21, 277}, 1, "SystemHand"},
    {{33, 289, 32, 35, 36, 288, 291, 292, 547, 37, 293}, 3, "SystemQuestion"},
    {{48, 49, 305, 51, 52, 307, 308, 563, 53, 309}, 2, "SystemExclamation"},
    {{64, 65, 321, 67, 68, 323, 324, 579, 69, 325}, 0, "SystemAsterisk"},
    {{0}, 0, "SystemQuestion"},
    {{1, 257, 5, 261}, -1, "SystemExclamation"},
    {{3, 4, 259, 260, 515, 516}, -1, "SystemQuestion"},
};

// Every listed value decodes as both tables say (both list the same 52 values once); values that merely
// look like listed ones bit-wise (2, 256, 272, 532, ...) show no button and change nothing.
TEST(MsgBoxButtonSets, EveryValueDecodesAsTabled) {
    std::multiset<int32_t> listed, byIcon;
    for (const ButtonsRow& row : kButtonRows) {
        for (const int32_t value : row.values) {
            const ButtonSet set = decodeButtons(value);
            listed.insert(value);
            EXPECT_EQ(std::make_tuple(joined(set.buttons), fillStandardButtons(set, {}).cancelSlot, set.focusSlot),
                      std::make_tuple(std::string(row.buttons), row.cancel, row.focus)) << value;
        }
    }
    for (const auto& row : kIconRows) {
        for (const int32_t value : row.values) {
            byIcon.insert(value);
            EXPECT_EQ(decodeButtons(value).picture, row.picture) << value;
            EXPECT_EQ(decodeButtons(value).sound, row.sound) << value;
        }
    }
    EXPECT_EQ(listed.size(), 52u);
    EXPECT_EQ(listed, byIcon);
    std::vector<int32_t> unlisted = {INT32_MIN, INT32_MIN + 1, -65536, 65536 + 64, 65536 + 3, INT32_MAX};
    for (int32_t v = -1100; v <= 1100; ++v)
        if (!listed.count(v))
            unlisted.push_back(v);
    for (const int32_t value : unlisted) {
        const ButtonSet set = decodeButtons(value);
        EXPECT_TRUE(set.group == ButtonGroup::None && joined(set.buttons) == "||||" && set.focusSlot == -1 &&
                    set.picture == -1 && set.sound == "SystemExclamation") << value;
    }
}

// Custom captions: all sixteen combinations of given captions land as tabled ("caption number per slot,
// . none / code per slot"; only the groups of three and of two move right). They drop the standard buttons
// of their slots with their cancel flag, also when moved on out of slot 0; the OK-only group keeps slot 0
// centred, default and cancel whatever it shows.
TEST(MsgBoxCustomCaptions, LandingAndDisplacedStandardButtons) {
    const std::pair<const char*, const char*> landings[] = {
        {"0000", "..../1234"}, {"1000", "1.../1234"}, {"0100", ".2../1234"}, {"1100", ".12./0120"},
        {"0010", "..3./1234"}, {"1010", "1.3./1234"}, {"0110", ".23./1234"}, {"1110", ".123/0123"},
        {"0001", "...4/1234"}, {"1001", "1..4/1234"}, {"0101", ".2.4/1234"}, {"1101", "12.4/1234"},
        {"0011", "..34/1234"}, {"1011", "1.34/1234"}, {"0111", ".234/1234"}, {"1111", "1234/1234"},
    };
    for (const auto& [given, landing] : landings) {
        const CaptionPlacement placement = placeCustomCaptions(flags(given));
        std::string slots, codes;
        for (size_t i = 0; i < kSlots; ++i) {
            const int k = placement.captionForSlot[i];
            slots += k < 0 ? '.' : static_cast<char>('1' + k);
            codes += std::to_string(placement.slotResult[i]);
        }
        EXPECT_EQ(slots + '/' + codes, landing) << given;
    }
    const struct { int32_t buttons; const char *given, *filled; int cancel, defaultSlot; bool centre; } fills[] = {
        {3, "0001", "|&Yes=6|&No=7||", 2, -1, false},    {3, "0011", "|&Yes=6|||", -1, -1, false},
        {3, "0010", "|&Yes=6||Cancel=2|", 3, -1, false}, {4, "1100", "||||", -1, -1, false},
        {3, "1100", "|||Cancel=2|", 3, -1, false},       {1, "1000", "|OK=1|Cancel=2||", 2, -1, false},
        {64, "0000", "OK=1||||", 0, 0, true},            {64, "1000", "||||", 0, 0, true},
        {64, "1100", "||||", 0, 0, true},                {64, "0110", "OK=1||||", 0, 0, true},
        {2, "1111", "||||", -1, -1, false},
    };
    for (const auto& c : fills) {
        const SlotFill fill = fillStandardButtons(decodeButtons(c.buttons), flags(c.given));
        EXPECT_EQ(std::make_tuple(joined(fill.filled), fill.cancelSlot, fill.defaultSlot, fill.centreSlot0),
                  std::make_tuple(std::string(c.filled), c.cancel, c.defaultSlot, c.centre))
            << c.buttons << ' ' << c.given;
    }
}

// The typed code OR 32 against each caption's first character, or the one after a leading "&"; the
// lowest slot wins, a lone "&" matches only itself, 13 OR 32 is "-", and it works beyond ASCII.
TEST(MsgBoxKeyboard, AccessLetters) {
    const std::array<std::u16string_view, kSlots> ync{u"", u"&Yes", u"&No", u"Cancel"};
    const struct { std::array<std::u16string_view, kSlots> captions; char16_t typed; int slot; } cases[] = {
        {ync, u'N', 2}, {ync, u'c', 3}, {ync, u'x', -1}, {ync, u'&', 1}, {{u"OK"}, u'k', -1},
        {{u"Apply", u"&Abort"}, u'a', 0}, {{u"", u"&"}, u'a', -1}, {{u"-1"}, u'\r', 0}, {{u"\u00c4rger"}, u'\u00e4', 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(accessLetterSlot(c.captions, c.typed), c.slot) << static_cast<int>(c.typed);
}

} // namespace
} // namespace velmora::msgbox
