#include "dialogs/Units.h"

#include <QGuiApplication>
#include <QScreen>

namespace velmora {

int twips(int value) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return twipsToPixels(static_cast<double>(value), screen ? screen->logicalDotsPerInch() : 96.0);
}

QRect twipsRect(int left, int top, int width, int height) {
    // Edges are converted, not sizes, so neighbouring controls stay flush.
    const int x = twips(left);
    const int y = twips(top);
    return QRect(x, y, twips(left + width) - x, twips(top + height) - y);
}

} // namespace velmora
