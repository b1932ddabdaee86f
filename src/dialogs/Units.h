#pragma once

#include <QRect>

class QWidget;

namespace velmora {

// Window measures are kept in twips: 1440 to the inch, so 15 twips make one pixel at 96 dots per inch.
// They become pixels at the logical resolution of the screen that `screenOf` is on (the primary screen
// when it is null, 96 dots per inch without any screen), rounded to the nearest pixel.
int twips(int value, const QWidget* screenOf = nullptr);

// A rectangle in twips as pixels. Its edges are converted, not its sizes, so neighbouring controls stay
// flush.
QRect twipsRect(int left, int top, int width, int height, const QWidget* screenOf = nullptr);
QRect twipsRect(const QRect& inTwips, const QWidget* screenOf = nullptr);

} // namespace velmora
