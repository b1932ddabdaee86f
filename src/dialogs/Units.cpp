#include "dialogs/Units.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace velmora {

namespace {

constexpr double kTwipsPerInch = 1440.0;
constexpr double kFallbackDotsPerInch = 96.0;

double dotsPerInch(const QWidget* screenOf) {
    const QScreen* screen = screenOf ? screenOf->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInch() : kFallbackDotsPerInch;
}

} // namespace

int twips(int value, const QWidget* screenOf) {
    return static_cast<int>(std::lround(value * dotsPerInch(screenOf) / kTwipsPerInch));
}

QRect twipsRect(int left, int top, int width, int height, const QWidget* screenOf) {
    const int x = twips(left, screenOf);
    const int y = twips(top, screenOf);
    return QRect(x, y, twips(left + width, screenOf) - x, twips(top + height, screenOf) - y);
}

QRect twipsRect(const QRect& inTwips, const QWidget* screenOf) {
    return twipsRect(inTwips.x(), inTwips.y(), inTwips.width(), inTwips.height(), screenOf);
}

} // namespace velmora
