#pragma once

#include <cstddef>

namespace velmora::win32 {

// The window's pictures, carried in the program as the PNG files of resources/icons that the Qt
// window carries (resources/velmora.qrc names them); the build generates the table.
struct EmbeddedPicture {
    const char* name; // the file name: "open16.png", "100.png", ...
    const unsigned char* data;
    size_t size;
};

extern const EmbeddedPicture kEmbeddedPictures[];
extern const size_t kEmbeddedPictureCount;

} // namespace velmora::win32
