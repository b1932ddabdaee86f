#pragma once

#include <cstdint>

class QFont;
class QPixmap;

namespace velmora {

// The pictures of the message box and the input box, by number. A number without a picture (None)
// leaves the picture area empty.
namespace DialogPicture {
inline constexpr int32_t Information = 0;
inline constexpr int32_t Critical = 1;
inline constexpr int32_t Exclamation = 2;
inline constexpr int32_t Question = 3;
inline constexpr int32_t Note = 4;
inline constexpr int32_t None = 5;
} // namespace DialogPicture

// The dialogs' text font: Tahoma where the system has it, otherwise the closest sans-serif face found
// (one no wider than Tahoma, so that texts stay inside their fixed boxes).
QFont dialogFont(double pointSize, bool bold);

// Picture `number` (see DialogPicture), found as "<number + 100>.png" under the Qt search-path prefix
// "velmora-pictures", which always includes the built-in ":/icons". A null pixmap when there is none.
QPixmap dialogPicture(int32_t number);

} // namespace velmora
