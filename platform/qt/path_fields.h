// SPDX-License-Identifier: GPL-3.0-or-later
// Paths held by widgets: a list entry or a text field shows DisplayPath's text and keeps the
// path's exact bytes beside it, so that a name that is not UTF-8 goes back to the file system
// as the very bytes it came with. The text alone cannot do that: a valid name that reads
// "caf\xE9" and the bytes "caf" + 0xE9 show the same text.
#pragma once

#include <QString>

#include <optional>
#include <string>
#include <string_view>

class QLineEdit;
class QListWidgetItem;

namespace twinly::platform {

// A list entry showing the path; the bytes are kept in Qt::UserRole.
QListWidgetItem *NewPathItem(std::string_view bytes);
// The entry's bytes; an entry made from text alone gives the bytes of its text.
std::string ItemPath(const QListWidgetItem *item);

// Shows the path in the field and keeps its bytes there.
void SetFieldPath(QLineEdit *field, std::string_view bytes);
// The kept bytes while the field still shows them; once the text was changed (typed, pasted,
// or set from elsewhere), the bytes the text stands for (PathFromUserText).
std::string FieldPath(const QLineEdit *field);

// Equal as the user sees it: letter case ignored for names that are UTF-8, ASCII letter case
// only when either holds other bytes.
bool SamePathIgnoringCase(std::string_view a, std::string_view b);

// The bytes of a path a file dialog handed back. The dialogs decode names lossily: a byte
// that is not UTF-8 comes back as U+FFFD. Each part holding one is looked up in its folder and
// taken from the one name there that reads the same (a part no name matches is new, and taken
// as written); nothing when several names read the same: the text cannot say which was meant.
std::optional<std::string> PathFromDialog(const QString &chosen);

} // namespace twinly::platform
