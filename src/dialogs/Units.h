#pragma once

#include "dialogs/Twips.h"

#include <QRect>

namespace velmora {

// Twips at the primary screen's logical resolution (96 dots per inch when there is no screen).
int twips(int twips);
QRect twipsRect(int left, int top, int width, int height);

} // namespace velmora
