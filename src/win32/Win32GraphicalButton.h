#pragma once

#include <windows.h>

namespace velmora {

namespace win32 {
struct Picture;
}

// Draws an owner-drawn command button in the graphical style, as the Qt GraphicalButton paints itself:
// its face filled with its own colour, its picture (if any) centred above the caption (the caption
// alone is centred when there is none), inside a raised bevel that sinks while the button is held;
// the content moves one pixel right and down meanwhile. The caption's "&" marks its access letter.
void drawGraphicalButton(const DRAWITEMSTRUCT& item, COLORREF face, const win32::Picture* picture);

} // namespace velmora
