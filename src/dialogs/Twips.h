#pragma once

// Window measures of the dialogs are given in twips: 1440 to the inch, so 15 twips make one pixel at
// 96 dots per inch. They are turned into pixels at the screen's logical DPI, each value on its own
// (so that equal widths stay equal), rounded to the nearest pixel.

#include <cmath>

namespace velmora {

inline constexpr double kTwipsPerInch = 1440.0;

inline int twipsToPixels(double twips, double dotsPerInch) {
    return static_cast<int>(std::lround(twips * dotsPerInch / kTwipsPerInch));
}

// A rectangle in twips: left and top inside the client area, then width and height.
struct TwipsRect {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
};

} // namespace velmora
