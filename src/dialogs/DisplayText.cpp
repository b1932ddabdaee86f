#include "dialogs/DisplayText.h"

#include <QFile>

namespace velmora {

namespace {

// Length of the valid UTF-8 sequence at p (1 to 4), or 0 when the bytes there are not one.
size_t validSequence(const unsigned char* p, size_t left, char32_t& code) {
    const unsigned char c = p[0];
    size_t length;
    char32_t min;
    if (c < 0x80) {
        code = c;
        return 1;
    } else if ((c & 0xE0) == 0xC0) {
        length = 2;
        code = c & 0x1F;
        min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        length = 3;
        code = c & 0x0F;
        min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        length = 4;
        code = c & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (left < length)
        return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (p[i] & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

QString displayText(std::string_view bytes) {
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t left = bytes.size();
    while (left > 0) {
        char32_t code = 0;
        size_t n = validSequence(p, left, code);
        if (n == 0) {
            out.append(QChar(static_cast<char16_t>(*p)));
            n = 1;
        } else if (code == 0) {
            out.append(QChar(0x2400)); // SYMBOL FOR NULL
        } else if (code < 0x10000) {
            out.append(QChar(static_cast<char16_t>(code)));
        } else {
            out.append(QChar(QChar::highSurrogate(code)));
            out.append(QChar(QChar::lowSurrogate(code)));
        }
        p += n;
        left -= n;
    }
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
