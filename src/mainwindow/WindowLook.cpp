#include "mainwindow/WindowLook.h"

#include "dialogs/DialogLook.h"

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace velmora {

namespace {

QString msSansSerifFamily() {
    QString family = QStringLiteral("MS Sans Serif");
    if (QFontDatabase::families().contains(family, Qt::CaseInsensitive))
        return family;
    // Wine ships a face of that name outside the fontconfig path; take it in for this process.
    for (const char* path : {"/usr/share/wine/fonts/ms_sans_serif.ttf", "/usr/lib/wine/fonts/ms_sans_serif.ttf"}) {
        if (QFile::exists(QString::fromLatin1(path)) &&
            QFontDatabase::addApplicationFont(QString::fromLatin1(path)) >= 0 &&
            QFontDatabase::families().contains(family, Qt::CaseInsensitive))
            return family;
    }
    return {};
}

QFont styled(QFont font, qreal points, bool bold, bool underline) {
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setUnderline(underline);
    return font;
}

} // namespace

QFont tahomaFont(qreal points, bool bold, bool underline) {
    return styled(dialogFont(points, bold), points, bold, underline);
}

QFont msSansSerifFontAt(qreal devicePixelRatio, qreal points, bool bold, bool underline) {
    static const QString family = msSansSerifFamily();
    if (family.isEmpty())
        return tahomaFont(points, bold, underline);
    QFont font(family);
    font.setStyleHint(QFont::SansSerif);
    font = styled(font, points, bold, underline);
    if (QFontDatabase::isScalable(family))
        return font;
    // Qt draws a bitmap face's glyphs at the pixel size of the strike it picked, on the device, whatever
    // the ratio: at 150% or 200% they would keep their 100% size while every other text grows.
    const int strike = QFontInfo(font).pixelSize();
    if (std::abs(strike * devicePixelRatio - strike) < 0.5)
        return font;
    return tahomaFont(points, bold, underline);
}

QFont msSansSerifFont(qreal points, bool bold, bool underline, const QWidget* screenOf) {
    const QScreen* screen = screenOf ? screenOf->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return msSansSerifFontAt(screen ? screen->devicePixelRatio() : 1.0, points, bold, underline);
}

QPixmap windowPicture(const QString& fileName) {
    static const bool builtIn = [] {
        QDir::addSearchPath(QStringLiteral("velmora-pictures"), QStringLiteral(":/icons"));
        return true;
    }();
    (void)builtIn;
    return QPixmap(QStringLiteral("velmora-pictures:") + fileName);
}

QIcon programIcon() {
    QIcon icon;
    for (int size : {16, 32, 48}) {
        const QPixmap picture = windowPicture(QStringLiteral("velmora%1.png").arg(size));
        if (!picture.isNull())
            icon.addPixmap(picture);
    }
    return icon;
}

} // namespace velmora
