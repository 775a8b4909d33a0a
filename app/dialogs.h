// SPDX-License-Identifier: GPL-3.0-or-later
// The one place where the program asks the user something or tells them of an error. Tests
// install a scripted stand-in, so no modal window ever blocks a test.
#pragma once

#include "selection_rules.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <string>

class QPoint;
class QWidget;

namespace twinly {

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A message box with one OK button.
    virtual void error(QWidget *parent, const QString &caption, const QString &text);
    // A Yes/No question; true for Yes.
    virtual bool question(QWidget *parent, const QString &caption, const QString &text,
                          bool defaultYes);
    // Folder and file pickers; an empty result means cancelled.
    virtual QString chooseFolder(QWidget *parent, const QString &start);
    virtual QString chooseOpenFile(QWidget *parent, const QString &start, const QString &filter);
    virtual QString chooseSaveFile(QWidget *parent, const QString &start, const QString &filter);
    // A one-line input; false when cancelled.
    virtual bool getText(QWidget *parent, const QString &caption, const QString &prompt,
                         QString &text);
    // The destination dialog of Move and Copy, with its history kept in the settings file;
    // false when cancelled. The folder is the path's bytes.
    virtual bool chooseDestination(QWidget *parent, const QString &caption,
                                   const std::string &settingsPath, std::string &folder);
    // One of `items`; `index` comes in as the default and goes out as the choice. False when
    // cancelled.
    virtual bool chooseItem(QWidget *parent, const QString &caption, const QString &prompt,
                            const QStringList &items, int &index);
    // The rule that picks the copy to keep in every group (`rule` in: the last one chosen);
    // `texts` gives the dialog's texts by message key. False when cancelled.
    using Texts = std::function<QString(const char *key, const char *builtIn)>;
    virtual bool chooseSelectionRule(QWidget *parent, const Texts &texts, SelectionRule &rule);
    // The desktop's own menu for a file (its path's bytes); returns the chosen verb.
    virtual QString fileContextMenu(QWidget *parent, const QPoint &point, const std::string &path);

    static Dialogs &instance();
    // Replaces the dialogs (tests); nullptr restores the real ones.
    static void install(Dialogs *dialogs);
};

} // namespace twinly
