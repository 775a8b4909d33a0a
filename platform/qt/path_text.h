// SPDX-License-Identifier: GPL-3.0-or-later
// The one place where a path's bytes meet display text. A Linux file name is a string of bytes
// that need not be valid UTF-8; a QString made from such bytes by a lossy decoder (U+FFFD for
// each bad byte) names another file, or none, when it is turned back. So paths stay bytes
// everywhere, and text is made from them for display only.
#pragma once

#include "text.h" // IsValidUtf8

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <string>
#include <string_view>

namespace twinly::platform {

// Text to show for a path: valid UTF-8 decoded as such, every byte that is not part of valid
// UTF-8 shown as "\xHH", and a backslash shown as "\\" only when the path holds an invalid
// byte (so the common case reads exactly as the path).
QString DisplayPath(std::string_view bytes);

// The bytes of a path typed or edited by the user. Text that came from DisplayPath of a path
// with invalid bytes turns back into those bytes (its escapes are undone); any other text is
// taken as UTF-8, so a name typed with a backslash keeps it.
std::string PathFromUserText(const QString &text);

// The bytes of text the user edited, starting from DisplayPath(original): a path shown as
// plain text (valid UTF-8) stays plain text, whatever backslashes the user adds; one shown with
// escapes is read back through PathFromUserText.
std::string PathFromEditedText(const QString &text, std::string_view original);

// The file URL of a path, every byte but the unreserved ones and "/" percent-encoded, so that
// a name that is not UTF-8 reaches the program it is handed to unchanged.
QUrl FileUrlOf(std::string_view bytes);

// A path kept in a widget's data role: the exact bytes.
inline QByteArray PathBytes(std::string_view bytes)
{
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}
inline std::string PathFromBytes(const QByteArray &bytes)
{
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

} // namespace twinly::platform
