#pragma once

#include <cstddef>
#include <string_view>

namespace velmora {

// How bytes in any encoding show on screen, shared by every front end. Valid UTF-8 is decoded; every
// byte that is not part of a valid sequence stands for the Latin-1 character of the same number, and
// NUL for a visible symbol, so no byte disappears from view. Only display uses this; the bytes
// themselves never change.
//
// Calls put(char16_t) with the screen text's UTF-16 code units in order (a character beyond the basic
// plane as its two surrogates).
template <typename Put> void forEachScreenUnit(std::string_view bytes, Put&& put) {
    constexpr char16_t kSymbolForNull = 0x2400;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t left = bytes.size();
    while (left > 0) {
        const unsigned char c = p[0];
        size_t length = 0;
        char32_t code = 0;
        char32_t least = 0;
        if (c < 0x80) {
            length = 1;
            code = c;
        } else if ((c & 0xE0) == 0xC0) {
            length = 2;
            code = c & 0x1F;
            least = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3;
            code = c & 0x0F;
            least = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4;
            code = c & 0x07;
            least = 0x10000;
        }
        bool valid = length > 0 && left >= length;
        for (size_t i = 1; valid && i < length; ++i) {
            valid = (p[i] & 0xC0) == 0x80;
            code = (code << 6) | (p[i] & 0x3F);
        }
        // Overlong forms, encoded surrogates and codes past Unicode are no characters.
        if (valid && (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)))
            valid = false;
        if (!valid) {
            put(static_cast<char16_t>(c));
            length = 1;
        } else if (code == 0) {
            put(kSymbolForNull);
        } else if (code < 0x10000) {
            put(static_cast<char16_t>(code));
        } else {
            code -= 0x10000;
            put(static_cast<char16_t>(0xD800 + (code >> 10)));
            put(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        }
        p += length;
        left -= length;
    }
}

} // namespace velmora
