// SPDX-License-Identifier: GPL-3.0-or-later
#include "path_text.h"

namespace twinly::platform {

namespace {

// Length of the valid UTF-8 sequence starting at s[i], or 0 when the byte there starts none.
std::size_t utf8SequenceLength(std::string_view s, std::size_t i)
{
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80)
        return 1;
    std::size_t len;
    unsigned minCode;
    unsigned code;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2;
        minCode = 0x80;
        code = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3;
        minCode = 0x800;
        code = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4;
        minCode = 0x10000;
        code = b0 & 0x07;
    } else {
        return 0;
    }
    if (i + len > s.size())
        return 0;
    for (std::size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (b & 0x3F);
    }
    if (code < minCode || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return len;
}

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

} // namespace

QString DisplayPath(std::string_view bytes)
{
    if (IsValidUtf8(bytes))
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    static const char digits[] = "0123456789ABCDEF";
    std::string escaped;
    escaped.reserve(bytes.size() + 16);
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t len = utf8SequenceLength(bytes, i);
        if (len == 0) {
            const auto b = static_cast<unsigned char>(bytes[i]);
            escaped += "\\x";
            escaped.push_back(digits[b >> 4]);
            escaped.push_back(digits[b & 15]);
            ++i;
        } else if (bytes[i] == '\\') {
            escaped += "\\\\";
            ++i;
        } else {
            escaped.append(bytes.substr(i, len));
            i += len;
        }
    }
    return QString::fromUtf8(escaped.data(), static_cast<qsizetype>(escaped.size()));
}

std::string PathFromUserText(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    std::string plain(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    // Undo DisplayPath's escapes, then keep the result only when it is what DisplayPath would
    // have escaped: a path with invalid bytes. Otherwise the text is a plain name.
    std::string bytes;
    bytes.reserve(plain.size());
    bool anyEscape = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\' && i + 1 < text.size() && text[i + 1] == u'\\') {
            bytes.push_back('\\');
            ++i;
            anyEscape = true;
        } else if (text[i] == u'\\' && i + 3 < text.size() && text[i + 1] == u'x' &&
                   hexValue(text[i + 2]) >= 0 && hexValue(text[i + 3]) >= 0) {
            bytes.push_back(static_cast<char>(hexValue(text[i + 2]) * 16 + hexValue(text[i + 3])));
            i += 3;
            anyEscape = true;
        } else {
            const QByteArray one = QString(text[i]).toUtf8();
            if (text[i].isHighSurrogate() && i + 1 < text.size()) {
                bytes.append(QStringView(text).mid(i, 2).toUtf8().toStdString());
                ++i;
            } else {
                bytes.append(one.constData(), static_cast<std::size_t>(one.size()));
            }
        }
    }
    if (anyEscape && !IsValidUtf8(bytes) && DisplayPath(bytes) == text)
        return bytes;
    return plain;
}

} // namespace twinly::platform
