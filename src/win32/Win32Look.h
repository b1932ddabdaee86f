#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// Measures, fonts, colours and texts of the Win32 window and its dialogs: the same values the Qt window
// takes, in the system's own terms.

namespace velmora {

// A rectangle in twips: left, top, width, height.
struct TwipsRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

} // namespace velmora

namespace velmora::win32 {

// Window measures are kept in twips: 1440 to the inch, so 15 twips make one pixel at 96 dots per inch.
// They become pixels at the screen's logical resolution, rounded to the nearest pixel.
int twips(int value);
// A rectangle in twips (left, top, width, height) as pixels. Its edges are converted, not its sizes,
// so neighbouring controls stay flush.
RECT twipsRect(int left, int top, int width, int height);
inline RECT twipsRect(const TwipsRect& place) {
    return twipsRect(place.left, place.top, place.width, place.height);
}

// Fonts by face and point size, made once and kept for the whole run.
HFONT font(const wchar_t* face, double points, bool bold = false, bool underline = false);
inline HFONT tahomaFont(double points, bool bold = false, bool underline = false) {
    return font(L"Tahoma", points, bold, underline);
}
inline HFONT msSansSerifFont(double points, bool bold = false, bool underline = false) {
    return font(L"MS Sans Serif", points, bold, underline);
}

// The window's colours.
inline constexpr COLORREF kDarkBlue = RGB(0, 0, 128);
inline constexpr COLORREF kPureBlue = RGB(0, 0, 255);
inline constexpr COLORREF kLightYellow = RGB(251, 254, 226);
inline constexpr COLORREF kWhite = RGB(255, 255, 255);
// The line under the window's top band.
inline constexpr COLORREF kBandOutline = RGB(0x8d, 0x9b, 0xb3);

// Texts for the screen: bytes in any encoding decoded as every front end decodes them (valid UTF-8;
// any other byte as the Latin-1 character of its number, NUL as a visible symbol).
std::wstring screenText(std::string_view bytes);
// Texts and paths between the program's UTF-8 and the controls.
std::wstring wide(std::string_view utf8);
std::string utf8(std::wstring_view text);

// A control's text.
std::wstring windowText(HWND window);

} // namespace velmora::win32
