#include "dialogs/DisplayText.h"

#include "core/ScreenText.h"

#include <QFile>

namespace velmora {

QString displayText(std::string_view bytes) {
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    forEachScreenUnit(bytes, [&out](char16_t unit) { out.append(QChar(unit)); });
    return out;
}

std::string bytesFromUser(const QString& text) {
    return text.toUtf8().toStdString();
}

QString pathForDisplay(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string pathFromUser(const QString& text) {
    return QFile::encodeName(text).toStdString();
}

} // namespace velmora
