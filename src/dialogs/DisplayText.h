#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace velmora {

// Text for the screen from bytes in any encoding. Valid UTF-8 is decoded; every byte that is not part
// of a valid sequence is shown as the Latin-1 character of the same number, and NUL as a visible
// symbol, so no byte disappears from view. Only display uses this; the bytes themselves never change.
QString displayText(std::string_view bytes);

// Bytes for text the user typed: UTF-8.
std::string bytesFromUser(const QString& text);

// Paths between the file system's bytes and the screen.
QString pathForDisplay(const std::string& path);
std::string pathFromUser(const QString& text);

} // namespace velmora
