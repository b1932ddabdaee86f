#pragma once

#include "core/DialogPicture.h"

#include <cstdint>

class QFont;
class QPixmap;

namespace velmora {

// The dialogs' text font: Tahoma where the system has it, otherwise the closest sans-serif face found
// (one no wider than Tahoma, so that texts stay inside their fixed boxes).
QFont dialogFont(double pointSize, bool bold);

// Picture `number` (see DialogPicture), found as "<number + 100>.png" under the Qt search-path prefix
// "velmora-pictures", which always includes the built-in ":/icons". A null pixmap when there is none.
QPixmap dialogPicture(int32_t number);

} // namespace velmora
