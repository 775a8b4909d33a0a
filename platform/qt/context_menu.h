// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop's own menu for one file: the programs that open its type, its folder, its path
// and its properties. It never changes the file's row: a command that would rename the file is
// handed back instead of carried out.
#pragma once

#include <QString>

#include <string>

class QMenu;
class QPoint;
class QWidget;

namespace twinly::platform {

// `path` is the file's bytes, handed to the desktop as they are.
// The menu for `path`, or nullptr when the file does not exist. Each action's data() holds
// its verb ("open", "openfolder", "copypath", "properties", "rename" when asked for).
QMenu *BuildFileContextMenu(const std::string &path, bool renameOption, QWidget *parent);
// Carries out one action of such a menu (not "rename"); returns its verb in lower case.
QString RunFileContextAction(const std::string &path, const QString &verb, const QString &argument,
                             QWidget *owner);
// Shows the menu at `point`, runs the choice; returns its verb, empty when dismissed.
QString ShowFileContextMenu(QWidget *owner, const QPoint &point, const std::string &path,
                            bool renameOption);

} // namespace twinly::platform
