// SPDX-License-Identifier: GPL-3.0-or-later
#include "path_text.h"

#include "text.h"

namespace twinly::platform {

namespace {

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    return u < 0x80 ? HexDigitValue(static_cast<char>(u)) : -1;
}

} // namespace

QString DisplayPath(std::string_view bytes)
{
    if (IsValidUtf8(bytes))
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    std::string escaped;
    escaped.reserve(bytes.size() + 16);
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t len = Utf8SequenceLength(bytes, i);
        if (len == 0) {
            const auto b = static_cast<unsigned char>(bytes[i]);
            escaped += "\\x";
            AppendHexByte(escaped, b, HexCase::Upper);
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

std::string PathFromEditedText(const QString &text, std::string_view original)
{
    if (!IsValidUtf8(original))
        return PathFromUserText(text);
    const QByteArray utf8 = text.toUtf8();
    return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

QUrl FileUrlOf(std::string_view bytes)
{
    // QUrl::fromLocalFile would take a QString, which cannot hold such a name.
    const QByteArray encoded = PathBytes(bytes).toPercentEncoding("/");
    return QUrl::fromEncoded(QByteArrayLiteral("file://") + encoded, QUrl::StrictMode);
}

} // namespace twinly::platform
