#include "dialogs/MessageBoxTables.h"

#include <gtest/gtest.h>

#include <string>

namespace velmora::messagebox {
namespace {

using namespace MessageStyle;

// "caption=answer|" for each slot, then the cancel slot, the focused slot, the picture and the sound.
std::string decoded(int32_t style) {
    const ButtonSet set = decodeStyle(style);
    std::string text;
    for (const StandardButton& b : set.buttons)
        text += (b.caption.empty() ? "" : std::string(b.caption) + '=' + std::to_string(b.answer)) + '|';
    return text + ' ' + std::to_string(fillStandardButtons(set, {}).cancelSlot) + ' ' + std::to_string(set.focusSlot) +
           ' ' + std::to_string(set.picture) + ' ' + std::string(set.sound);
}

// Each group with and without a picture and focus, and a question alone, which asks Yes or No. Look-alikes
// of known sums (no buttons with a second-button focus, a third-button focus outside Yes/No, two pictures,
// high bits) show nothing and change nothing; exactly 52 styles are known.
TEST(MessageBoxStyles, DecodeAsKnownSums) {
    const std::pair<int32_t, const char*> cases[] = {
        {Ok, "OK=1|||| 0 0 0 SystemQuestion"},
        {Critical, "OK=1|||| 0 0 1 SystemHand"},
        {Information, "OK=1|||| 0 0 0 SystemAsterisk"},
        {OkCancel, "|OK=1|Cancel=2|| 2 1 -1 SystemExclamation"},
        {OkCancel | Question | DefaultButton2, "|OK=1|Cancel=2|| 2 2 3 SystemQuestion"},
        {YesNoCancel, "|&Yes=6|&No=7|Cancel=2| 3 1 -1 SystemQuestion"},
        {YesNoCancel | Exclamation | kDefaultButton3, "|&Yes=6|&No=7|Cancel=2| 3 3 2 SystemExclamation"},
        {YesNo | Critical | DefaultButton2, "|&Yes=6|&No=7|| 2 2 1 SystemHand"},
        {YesNo | kDefaultButton3, "|&Yes=6|&No=7|| 2 3 -1 SystemQuestion"},
        {Question | DefaultButton2, "|&Yes=6|&No=7|| 2 2 3 SystemQuestion"},
        {RetryCancel | Information, "|Retry=4|Cancel=2|| 2 1 0 SystemAsterisk"},
        {RetryCancel | DefaultButton2, "|Retry=4|Cancel=2|| 2 2 -1 SystemExclamation"},
    };
    for (const auto& [style, expected] : cases)
        EXPECT_EQ(decoded(style), expected) << style;
    for (const int32_t style :
         {DefaultButton2, Critical | DefaultButton2, YesNo | Critical | kDefaultButton3, OkCancel | kDefaultButton3,
          Question | Information, (1 << 16) | Information, INT32_MIN, INT32_MAX})
        EXPECT_EQ(decoded(style), "|||| -1 -1 -1 SystemExclamation") << style;
    int known = 0;
    for (int32_t style = -1100; style <= 1100; ++style)
        known += decodeStyle(style).group != ButtonGroup::None;
    EXPECT_EQ(known, 52);
}

// All sixteen combinations of given captions: the caption in each slot ('.' none) and the answer of each
// slot. Only the groups of the first three and of the first two move right.
TEST(MessageBoxCustomCaptions, Landing) {
    const std::pair<const char*, const char*> landings[] = {
        {"0000", "..../1234"}, {"1000", "1.../1234"}, {"0100", ".2../1234"}, {"1100", ".12./0120"},
        {"0010", "..3./1234"}, {"1010", "1.3./1234"}, {"0110", ".23./1234"}, {"1110", ".123/0123"},
        {"0001", "...4/1234"}, {"1001", "1..4/1234"}, {"0101", ".2.4/1234"}, {"1101", "12.4/1234"},
        {"0011", "..34/1234"}, {"1011", "1.34/1234"}, {"0111", ".234/1234"}, {"1111", "1234/1234"},
    };
    for (const auto& [given, landing] : landings) {
        const CaptionPlacement placement =
            placeCustomCaptions({given[0] == '1', given[1] == '1', given[2] == '1', given[3] == '1'});
        std::string slots, answers;
        for (size_t i = 0; i < kSlots; ++i) {
            slots += placement.captionForSlot[i] < 0 ? '.' : static_cast<char>('1' + placement.captionForSlot[i]);
            answers += std::to_string(placement.slotAnswer[i]);
        }
        EXPECT_EQ(slots + '/' + answers, landing) << given;
    }
}

// Each typed character against the captions, and the slot it presses ('-' none): the first character of a
// caption, or the one after a leading "&", case folded, beyond ASCII too; the lowest slot wins. "&" itself,
// Enter, Esc and the control codes that Ctrl+letter types press nothing, whatever the captions start with.
TEST(MessageBoxKeyboard, AccessLetters) {
    const struct {
        std::array<std::u16string_view, kSlots> captions;
        std::u16string_view typed;
        const char* slots;
    } cases[] = {
        {{u"", u"&Yes", u"&No", u"Cancel"}, u"NncYx&\x06\x0e", "2231----"},
        {{u"-1", u";", u"9", u"A&B"}, u"-;9a\r\x1b\x19&", "0123----"},
        {{u"Apply", u"&Abort", u"&&", u"\u00c4rger"}, u"ap\u00e4&", "0-3-"},
    };
    for (const auto& c : cases) {
        std::string slots;
        for (const char16_t typed : c.typed) {
            const int slot = accessLetterSlot(c.captions, typed);
            slots += slot < 0 ? '-' : static_cast<char>('0' + slot);
        }
        EXPECT_EQ(slots, c.slots) << c.slots;
    }
}

} // namespace
} // namespace velmora::messagebox
