// The message box's decisions, shared by the Qt and the Win32 message boxes.

#include "core/MessageBoxTables.h"
#include "core/DialogPicture.h"

#include <gtest/gtest.h>

#include <string>

namespace velmora::test {
namespace {

using namespace MessageStyle;
using namespace messagebox;

// Only the known sums of buttons, picture and focus decode, exactly 52 of them; a look-alike brings no
// buttons. A lone OK always shows a picture, and a picture brings its sound over the buttons' own.
TEST(MessageBoxTables, StylesDecodeAsKnownSums) {
    int known = 0;
    for (int32_t style = -1100; style <= 1100; ++style)
        known += decodeStyle(style).group != ButtonGroup::None;
    EXPECT_EQ(known, 52);
    EXPECT_TRUE(decodeStyle(YesNo | Critical | kDefaultButton3).group == ButtonGroup::None);
    EXPECT_EQ(decodeStyle(Ok).picture, DialogPicture::Information);
    const auto sound = [](int32_t style) { return std::string(decodeStyle(style).sound); };
    EXPECT_EQ(sound(YesNo) + ' ' + sound(OkCancel) + ' ' + sound(YesNo | Information),
              "SystemQuestion SystemExclamation SystemAsterisk");
}

// Each typed character against the captions, and the slot it presses ('-' none): the first character of a
// caption, or the one after a leading "&", case folded, beyond ASCII too; the lowest slot wins. "&" itself,
// Enter, Esc and the control codes that Ctrl+letter types press nothing, whatever the captions start with.
TEST(MessageBoxTables, AccessLetters) {
    const struct {
        std::array<std::u16string_view, kSlots> captions;
        std::u16string_view typed;
        const char* pressed;
    } cases[] = {
        {{u"", u"&Yes", u"&No", u"Cancel"}, u"NncYx&\x06\x0e", "2231----"},
        {{u"-1", u";", u"9", u"A&B"}, u"-;9a\r\x1b\x19&", "0123----"},
        {{u"Apply", u"&Abort", u"&&", u"\u00c4rger"}, u"ap\u00e4&", "0-3-"},
    };
    for (const auto& c : cases) {
        std::string pressed;
        for (const char16_t typed : c.typed) {
            const int slot = accessLetterSlot(c.captions, typed);
            pressed += slot < 0 ? '-' : static_cast<char>('0' + slot);
        }
        EXPECT_EQ(pressed, c.pressed) << c.pressed;
    }
}

} // namespace
} // namespace velmora::test
