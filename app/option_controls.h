// SPDX-License-Identifier: GPL-3.0-or-later
// The small builders the option pages share: every control gets its object name and hint here.
#pragma once

#include <QString>

class QCheckBox;
class QGridLayout;
class QLineEdit;
class QListWidget;
class QPushButton;
class QWidget;

namespace twinly {

class Radio;

namespace option_controls {

QCheckBox *checkBox(const QString &text, const char *name, const QString &hint = {});
Radio *radio(const QString &text, const char *name, const QString &hint = {});
// A line edit with a browse button beside it, as one row.
QWidget *withBrowseButton(QLineEdit *edit, QPushButton **button);
// A list of paths: a long one is shortened in its middle, keeping where it starts and the name
// it ends with (the entry's hint shows it whole, see OptionPages::eventFilter).
void showsPaths(QListWidget *list);
void compact(QGridLayout *g);

} // namespace option_controls
} // namespace twinly
