// SPDX-License-Identifier: GPL-3.0-or-later
// Language files: every caption, hint and message text is built in (English) and may be
// replaced from a ".lng" file in the program's language folder. The file is read value by
// value at each use; nothing is cached, so a file edited while the program runs takes effect at
// the next lookup.
#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class QObject;
class QTranslator;
class QWidget;

namespace twinly {

class TMultiLang {
public:
    TMultiLang();
    ~TMultiLang();
    // Moving hands over the toolkit translation this one installed; a copy would install it
    // twice.
    TMultiLang(TMultiLang &&other) noexcept;
    TMultiLang &operator=(TMultiLang &&other) noexcept;

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
    // Applies the current language, or with none (or its file gone) brings back the built-in
    // texts of every window a language was applied to.
    void ApplyCurrentLanguage(const QList<QWidget *> &windows);
    void ApplyLanguage(const QString &name, const QList<QWidget *> &windows) const;
    void ApplyBuiltInTexts(const QList<QWidget *> &windows) const;
    // The locale a language file names in "[Info] Locale" ("de", "pt_BR"); empty when it names
    // none or something that is no locale name.
    QString LocaleOf(const QString &name) const;

    // The text of the built-in entry of the language list, which stands for no language file.
    static QString builtInEntry();

private:
    QString value(const QString &name, const QString &section, const QString &key,
                  bool &found) const;
    // The toolkit's own texts (standard buttons, file dialogs) in the language's locale.
    void followWithToolkit(const QString &locale);

    std::unique_ptr<QTranslator> m_toolkit;
    QString m_toolkitLocale;
};

// Captions and hints as language files address them (check boxes, labels, group boxes, menu
// actions, pages, the tray icon).
QString CaptionOf(const QObject *o, bool &has);
void SetCaption(QObject *o, const QString &text);
QString HintOf(const QObject *o, bool &has);
// The keys of a header's columns (what its model gives for Qt::UserRole); none for anything
// that is no header. A language file gives a column's caption under its key in the window's
// section.
QStringList HeaderKeysOf(const QObject *o);
void SetHint(QObject *o, const QString &text);

} // namespace twinly
