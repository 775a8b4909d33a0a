// SPDX-License-Identifier: GPL-3.0-or-later
#include "multi_language.h"

#include "profile_file.h"

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QScrollArea>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QWidget>

namespace twinly {

namespace {

QString &folderOverride()
{
    static QString folder;
    return folder;
}

// The tab of a page: pages sit in the tab control's stack, some inside a scroll area.
QTabWidget *tabsOf(const QWidget *w, int &index)
{
    const QWidget *p = w;
    for (int depth = 0; p && depth < 3; ++depth) {
        const QWidget *parent = p->parentWidget();
        if (!parent)
            return nullptr;
        if (auto *tabs = qobject_cast<QTabWidget *>(parent->parentWidget())) {
            index = tabs->indexOf(const_cast<QWidget *>(p));
            return index >= 0 ? tabs : nullptr;
        }
        if (!qobject_cast<const QScrollArea *>(parent) &&
            !qobject_cast<const QScrollArea *>(parent->parentWidget()))
            return nullptr;
        p = parent;
    }
    return nullptr;
}

} // namespace

QString CaptionOf(const QObject *o, bool &has)
{
    has = true;
    if (auto *b = qobject_cast<const QAbstractButton *>(o))
        return b->text();
    if (auto *l = qobject_cast<const QLabel *>(o))
        return l->text();
    if (auto *g = qobject_cast<const QGroupBox *>(o))
        return g->title();
    if (auto *a = qobject_cast<const QAction *>(o))
        return a->text();
    if (auto *m = qobject_cast<const QMenu *>(o))
        return m->title();
    if (auto *w = qobject_cast<const QWidget *>(o)) {
        int index = -1;
        if (QTabWidget *tabs = tabsOf(w, index))
            return tabs->tabText(index);
    }
    has = false;
    return {};
}

void SetCaption(QObject *o, const QString &text)
{
    if (auto *b = qobject_cast<QAbstractButton *>(o))
        b->setText(text);
    else if (auto *l = qobject_cast<QLabel *>(o))
        l->setText(text);
    else if (auto *g = qobject_cast<QGroupBox *>(o))
        g->setTitle(text);
    else if (auto *a = qobject_cast<QAction *>(o))
        a->setText(text);
    else if (auto *m = qobject_cast<QMenu *>(o))
        m->setTitle(text);
    else if (auto *w = qobject_cast<QWidget *>(o)) {
        int index = -1;
        if (QTabWidget *tabs = tabsOf(w, index))
            tabs->setTabText(index, text);
    }
}

QString HintOf(const QObject *o, bool &has)
{
    has = true;
    if (auto *w = qobject_cast<const QWidget *>(o))
        return w->toolTip();
    if (auto *a = qobject_cast<const QAction *>(o))
        return a->toolTip();
    if (auto *t = qobject_cast<const QSystemTrayIcon *>(o))
        return t->toolTip();
    has = false;
    return {};
}

void SetHint(QObject *o, const QString &text)
{
    if (auto *w = qobject_cast<QWidget *>(o))
        w->setToolTip(text);
    else if (auto *a = qobject_cast<QAction *>(o))
        a->setToolTip(text);
    else if (auto *t = qobject_cast<QSystemTrayIcon *>(o))
        t->setToolTip(text);
}

TMultiLang::TMultiLang()
{
    FindLanguageFiles();
}

QString TMultiLang::languageFolder()
{
    if (!folderOverride().isEmpty())
        return folderOverride();
    const QString program = QCoreApplication::applicationDirPath();
    // An installed program keeps its language files in its data folder.
    const QDir data(program + QStringLiteral("/../share/twinly"));
    if (program.endsWith(QLatin1String("/bin")) && data.exists())
        return data.canonicalPath();
    return program;
}

void TMultiLang::setLanguageFolder(const QString &folder)
{
    folderOverride() = folder;
}

void TMultiLang::FindLanguageFiles()
{
    LanguageFiles.clear();
    const QDir dir(languageFolder());
    // Unsorted: the order the file system lists them in.
    for (const QString &name : dir.entryList(
             {QStringLiteral("*.lng")}, QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted))
        if (isLanguageFileName(name)) // a name that could never be chosen is not offered
            LanguageFiles << name;
    if (!isPresent(CurrentLang))
        CurrentLang.clear();
}

bool TMultiLang::isLanguageFileName(const QString &name)
{
    // A name that leads out of the language folder, or to anything but a language file, is no
    // language: the setting is the user's to edit and may hold anything.
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) &&
           !name.contains(QLatin1String("..")) && !name.contains(QChar(0)) &&
           name.endsWith(QLatin1String(".lng"), Qt::CaseInsensitive);
}

bool TMultiLang::isPresent(const QString &name) const
{
    return isLanguageFileName(name) && QFileInfo(QDir(languageFolder()).filePath(name)).isFile();
}

QString TMultiLang::value(const QString &name, const QString &section, const QString &key,
                          bool &found) const
{
    const auto v = platform::ReadProfileString(
        QFile::encodeName(QDir(languageFolder()).filePath(name)).toStdString(),
        section.toStdString(), key.toStdString());
    found = v.has_value();
    return found ? QString::fromStdString(*v) : QString();
}

QString TMultiLang::GetString(const QString &key, const QString &builtIn) const
{
    if (!isPresent(CurrentLang))
        return builtIn;
    bool found = false;
    const QString text = value(CurrentLang, QStringLiteral("Strings"), key, found);
    return found ? text : builtIn;
}

void TMultiLang::ApplyCurrentLanguage(const QList<QWidget *> &windows)
{
    if (isPresent(CurrentLang))
        ApplyLanguage(CurrentLang, windows);
    else
        CurrentLang.clear();
}

void TMultiLang::ApplyLanguage(const QString &name, const QList<QWidget *> &windows) const
{
    if (!isPresent(name))
        return;
    for (QWidget *window : windows) {
        if (!window)
            continue;
        const QString section = window->objectName();
        const QString hintSection = QStringLiteral("Hint.") + section;
        bool found = false;
        const QString title = value(name, section, QStringLiteral("Caption"), found);
        if (found)
            window->setWindowTitle(title);
        for (QObject *o : window->findChildren<QObject *>()) {
            const QString key = o->objectName();
            if (key.isEmpty() || key.startsWith(QLatin1String("qt_")))
                continue;
            bool has = false;
            const QString caption = CaptionOf(o, has);
            if (has) {
                QString text = value(name, section, key, found);
                if (!found)
                    text = caption;
                // Bars let a translation keep leading and trailing blanks; they never show.
                SetCaption(o, text.remove(QLatin1Char('|')));
            }
            const QString hint = HintOf(o, has);
            if (has) {
                const QString text = value(name, hintSection, key, found);
                SetHint(o, found ? text : hint);
            }
        }
    }
}

} // namespace twinly
