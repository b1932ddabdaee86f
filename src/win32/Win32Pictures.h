#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>

namespace velmora::win32 {

// A picture decoded once for the whole run: 32 bits a pixel, colours premultiplied by their alpha.
struct Picture {
    HBITMAP bitmap = nullptr;
    int width = 0;
    int height = 0;
};

// The picture of that file name ("open16.png", ...), or null when the program carries none.
const Picture* picture(std::string_view fileName);
// The message box's and the input box's picture `number` (see DialogPicture): "<number + 100>.png".
const Picture* dialogPicture(int32_t number);
// Draws the picture into the rectangle, stretched, blending its transparent parts.
void drawPicture(HDC dc, const Picture& picture, const RECT& place);
// The program's icon at one of its sizes (16, 32, 48 pixels), or null.
HICON programIcon(int size);

} // namespace velmora::win32
