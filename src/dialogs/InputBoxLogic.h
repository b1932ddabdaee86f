#pragma once

// The input box's rules that need no window: the typing filter of the entry field and the reading of
// a number from the text that the box returns in numbers-only mode.

#include <string>
#include <string_view>

namespace velmora::inputbox {

enum class Typed {
    Pass,    // the character goes into the field as typed
    Upper,   // the character goes into the field in its upper-case form
    Discard, // the character is dropped
};

// What happens to one typed character. Upper-case mode wins over numbers-only mode; numbers-only mode
// lets through the digits, '-', '.' and backspace and drops everything else, control characters too.
Typed filterTyped(char32_t code, bool numeric, bool upperCase);

// The number at the start of `text` in its shortest decimal form, read like the classic Val: blanks
// (space, tab, line feed) are skipped wherever they stand; then come an optional sign, digits and at
// most one decimal point, and reading stops at the first other character. A text without a number
// gives "0", and so do "-" and "--5". "007" -> "7", "1.2.3" -> "1.2", "12abc" -> "12", " -.50" -> "-0.5".
std::string numberText(std::string_view text);

} // namespace velmora::inputbox
