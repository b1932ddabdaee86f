#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QString>

class QWidget;

namespace velmora {

// Fonts, pictures and colours of the main window.

// Tahoma where the system has it (also Wine's copy), otherwise the dialog kit's close face.
QFont tahomaFont(qreal points, bool bold = false, bool underline = false);
// MS Sans Serif where the system has it (also Wine's copy) and it can be drawn at the size the screen
// of `screenOf` (the primary screen when null) scales texts to; otherwise the same face as tahomaFont
// at the same point size.
QFont msSansSerifFont(qreal points, bool bold = false, bool underline = false, const QWidget* screenOf = nullptr);
// The same for a screen of the given device pixel ratio. A bitmap face (Wine's copy is one) is taken
// only where its strike for `points`, scaled by the ratio, would keep its pixel size.
QFont msSansSerifFontAt(qreal devicePixelRatio, qreal points, bool bold = false, bool underline = false);

// A picture of the window by file name ("open16.png", ...), looked up under the search-path prefix
// "velmora-pictures", which always includes the built-in ":/icons". A null pixmap when there is none.
QPixmap windowPicture(const QString& fileName);
// The program's icon with its 16, 32 and 48 pixel images (those that are found).
QIcon programIcon();

// The window's colours.
inline QColor darkBlue() {
    return QColor(0, 0, 128);
}
inline QColor pureBlue() {
    return QColor(0, 0, 255);
}
inline QColor lightYellow() {
    return QColor(251, 254, 226);
}

} // namespace velmora
