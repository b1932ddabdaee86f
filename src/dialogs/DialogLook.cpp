#include "dialogs/DialogLook.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QPixmap>

namespace velmora {

namespace {

// Picture files are named after their number plus this.
constexpr int64_t kPictureFileOffset = 100;

QString chooseFontFamily() {
    const QStringList families = QFontDatabase::families();
    const auto installed = [&families](const QString& family) {
        return families.contains(family, Qt::CaseInsensitive);
    };
    QString tahoma = QStringLiteral("Tahoma");
    if (installed(tahoma))
        return tahoma;
    // Wine ships a Tahoma-metric face outside the fontconfig path; take it in for this process. Only
    // the regular face: Wine's bold file has regular-weight outlines on bold spacing, while the
    // emboldened regular face reads as bold and stays narrower.
    bool loaded = false;
    for (const char* path : {"/usr/share/wine/fonts/tahoma.ttf", "/usr/lib/wine/fonts/tahoma.ttf",
                             "/opt/wine-stable/share/wine/fonts/tahoma.ttf"}) {
        if (!loaded && QFile::exists(QString::fromLatin1(path)))
            loaded = QFontDatabase::addApplicationFont(QString::fromLatin1(path)) >= 0;
    }
    if (loaded && QFontDatabase::families().contains(tahoma, Qt::CaseInsensitive))
        return tahoma;
    // Otherwise sans-serif faces no wider than Tahoma first, so that word-wrapped texts and button
    // captions stay inside their fixed boxes.
    for (const char* family : {"Liberation Sans", "Arimo", "Arial", "Nimbus Sans", "Helvetica", "Noto Sans",
                               "DejaVu Sans Condensed", "DejaVu Sans"}) {
        if (installed(QString::fromLatin1(family)))
            return QString::fromLatin1(family);
    }
    QFont any;
    any.setStyleHint(QFont::SansSerif);
    return QFontInfo(any).family();
}

} // namespace

QFont dialogFont(double pointSize, bool bold) {
    static const QString family = chooseFontFamily();
    QFont font(family);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

QPixmap dialogPicture(int32_t number) {
    static const bool builtIn = [] {
        QDir::addSearchPath(QStringLiteral("velmora-pictures"), QStringLiteral(":/icons"));
        return true;
    }();
    (void)builtIn;
    return QPixmap(QStringLiteral("velmora-pictures:%1.png").arg(static_cast<qint64>(number) + kPictureFileOffset));
}

} // namespace velmora
