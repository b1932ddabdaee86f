#pragma once

#include <string>
#include <string_view>

namespace velmora {

// Names and texts cross into the wide-character calls of Windows here: the layers above keep UTF-8.
// Bytes that are not UTF-8 are read in the system's code page instead, so that no name is lost.
std::wstring wideText(std::string_view utf8);
std::string utf8Text(std::wstring_view wide);

} // namespace velmora
