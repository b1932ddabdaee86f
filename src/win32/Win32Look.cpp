#include "win32/Win32Look.h"

#include "core/ScreenText.h"
#include "platform/WindowsText.h"

#include <cmath>
#include <map>
#include <tuple>

namespace velmora::win32 {

namespace {

constexpr double kTwipsPerInch = 1440.0;
constexpr double kPointsPerInch = 72.0;

int dotsPerInch() {
    static const int dpi = [] {
        HDC screen = GetDC(nullptr);
        const int value = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
        if (screen)
            ReleaseDC(nullptr, screen);
        return value > 0 ? value : 96;
    }();
    return dpi;
}

} // namespace

int twips(int value) {
    return static_cast<int>(std::lround(value * dotsPerInch() / kTwipsPerInch));
}

RECT twipsRect(int left, int top, int width, int height) {
    return RECT{twips(left), twips(top), twips(left + width), twips(top + height)};
}

HFONT font(const wchar_t* face, double points, bool bold, bool underline) {
    using Key = std::tuple<std::wstring, long, bool, bool>;
    static std::map<Key, HFONT> fonts;
    const Key key{face, std::lround(points * 100), bold, underline};
    const auto found = fonts.find(key);
    if (found != fonts.end())
        return found->second;
    const int height = -static_cast<int>(std::lround(points * dotsPerInch() / kPointsPerInch));
    HFONT made =
        CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, underline, FALSE, DEFAULT_CHARSET,
                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS, face);
    fonts.emplace(key, made);
    return made;
}

std::wstring screenText(std::string_view bytes) {
    std::wstring text;
    text.reserve(bytes.size());
    forEachScreenUnit(bytes, [&text](char16_t unit) { text.push_back(static_cast<wchar_t>(unit)); });
    return text;
}

std::wstring wide(std::string_view text) {
    return wideText(text);
}

std::string utf8(std::wstring_view text) {
    return utf8Text(text);
}

std::wstring windowText(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

} // namespace velmora::win32
