// SPDX-License-Identifier: GPL-3.0-or-later
// Language files: every caption, hint and message text is built in (English) and may be
// replaced from a ".lng" file in the program's language folder. The file is read value by
// value at each use; nothing is cached, so a file edited while the program runs takes effect at
// the next lookup.
#pragma once

#include <QString>
#include <QStringList>

class QObject;
class QWidget;

namespace twinly {

class TMultiLang {
public:
    TMultiLang();

    QStringList LanguageFiles; // names found, in the order the folder lists them
    QString CurrentLang;       // empty: the built-in texts

    // The folder holding the language files: the program's own folder, or the data folder
    // of an installed program. Tests point it elsewhere.
    static QString languageFolder();
    static void setLanguageFolder(const QString &folder);

    void FindLanguageFiles();
    // A plain name of a ".lng" file: no folder part, no "..".
    static bool isLanguageFileName(const QString &name);
    // A language file of that name is in the folder (a name that is no language file name
    // never is).
    bool isPresent(const QString &name) const;
    QString GetString(const QString &key, const QString &builtIn) const;
    void ApplyCurrentLanguage(const QList<QWidget *> &windows);
    void ApplyLanguage(const QString &name, const QList<QWidget *> &windows) const;

private:
    QString value(const QString &name, const QString &section, const QString &key,
                  bool &found) const;
};

// Captions and hints as language files address them (check boxes, labels, group boxes, menu
// actions, pages, the tray icon).
QString CaptionOf(const QObject *o, bool &has);
void SetCaption(QObject *o, const QString &text);
QString HintOf(const QObject *o, bool &has);
void SetHint(QObject *o, const QString &text);

} // namespace twinly
