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
#include <QHeaderView>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QMenu>
#include <QRegularExpression>
#include <QScrollArea>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTranslator>
#include <QWidget>

#include <utility>

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

// The texts an object had before the first language reached it, kept on the object itself so
// that they go when it goes.
constexpr const char *kBuiltInCaption = "twinlyBuiltInCaption";
constexpr const char *kBuiltInHint = "twinlyBuiltInHint";
constexpr const char *kBuiltInTitle = "twinlyBuiltInTitle";
constexpr const char *kBuiltInHeaders = "twinlyBuiltInHeaders";

void keepBuiltIn(QObject *o, const char *property, const QVariant &text)
{
    if (!o->property(property).isValid())
        o->setProperty(property, text);
}

// Column headers: each column's key is what its model gives for the key role.
constexpr int kHeaderKeyRole = Qt::UserRole;

QStringList headerKeys(const QHeaderView *header)
{
    QStringList keys;
    const QAbstractItemModel *model = header->model();
    if (!model)
        return keys;
    for (int i = 0; i < header->count(); ++i)
        keys << model->headerData(i, header->orientation(), kHeaderKeyRole).toString();
    return keys;
}

} // namespace

QStringList HeaderKeysOf(const QObject *o)
{
    if (auto *header = qobject_cast<const QHeaderView *>(o))
        return headerKeys(header);
    return {};
}

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

TMultiLang::~TMultiLang()
{
    if (m_toolkit)
        QCoreApplication::removeTranslator(m_toolkit.get());
}

TMultiLang::TMultiLang(TMultiLang &&other) noexcept
    : LanguageFiles(std::move(other.LanguageFiles)), CurrentLang(std::move(other.CurrentLang)),
      m_toolkit(std::move(other.m_toolkit)),
      m_toolkitLocale(std::exchange(other.m_toolkitLocale, {}))
{}

TMultiLang &TMultiLang::operator=(TMultiLang &&other) noexcept
{
    if (this == &other)
        return *this;
    if (m_toolkit)
        QCoreApplication::removeTranslator(m_toolkit.get());
    LanguageFiles = std::move(other.LanguageFiles);
    CurrentLang = std::move(other.CurrentLang);
    m_toolkit = std::move(other.m_toolkit);
    m_toolkitLocale = std::exchange(other.m_toolkitLocale, {});
    return *this;
}

QString TMultiLang::builtInEntry()
{
    return QStringLiteral("English (built-in)");
}

QString TMultiLang::languageFolder()
{
    if (!folderOverride().isEmpty())
        return folderOverride();
    QString program = QCoreApplication::applicationDirPath();
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
    if (isPresent(CurrentLang)) {
        followWithToolkit(LocaleOf(CurrentLang));
        ApplyLanguage(CurrentLang, windows);
    } else {
        CurrentLang.clear();
        followWithToolkit({});
        ApplyBuiltInTexts(windows);
    }
}

QString TMultiLang::LocaleOf(const QString &name) const
{
    bool found = false;
    const QString locale = value(name, QStringLiteral("Info"), QStringLiteral("Locale"), found);
    // Letters, digits, "_" and "-" only: the text becomes part of a file name.
    static const QRegularExpression form(QStringLiteral("^[A-Za-z]{2,3}([_-][A-Za-z0-9]{2,8})*$"));
    return found && form.match(locale).hasMatch() ? locale : QString();
}

void TMultiLang::followWithToolkit(const QString &locale)
{
    if (locale == m_toolkitLocale)
        return;
    if (m_toolkit) {
        QCoreApplication::removeTranslator(m_toolkit.get());
        m_toolkit.reset();
    }
    m_toolkitLocale = locale;
    if (locale.isEmpty())
        return;
    // A locale without a translation of the toolkit's texts leaves them English.
    auto translator = std::make_unique<QTranslator>();
    if (translator->load(QLocale(locale), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        QCoreApplication::installTranslator(translator.get()))
        m_toolkit = std::move(translator);
}

void TMultiLang::ApplyBuiltInTexts(const QList<QWidget *> &windows) const
{
    for (QWidget *window : windows) {
        if (!window)
            continue;
        if (const QVariant title = window->property(kBuiltInTitle); title.isValid())
            window->setWindowTitle(title.toString());
        for (QObject *o : window->findChildren<QObject *>()) {
            if (const QVariant caption = o->property(kBuiltInCaption); caption.isValid())
                SetCaption(o, caption.toString());
            if (const QVariant hint = o->property(kBuiltInHint); hint.isValid())
                SetHint(o, hint.toString());
            auto *header = qobject_cast<QHeaderView *>(o);
            const QStringList headers = o->property(kBuiltInHeaders).toStringList();
            if (header && header->model())
                for (int i = 0; i < headers.size() && i < header->count(); ++i)
                    header->model()->setHeaderData(i, header->orientation(), headers[i]);
        }
    }
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
        keepBuiltIn(window, kBuiltInTitle, window->windowTitle());
        if (found)
            window->setWindowTitle(title);
        for (QObject *o : window->findChildren<QObject *>()) {
            if (auto *header = qobject_cast<QHeaderView *>(o); header && header->model()) {
                QStringList texts;
                const QStringList keys = headerKeys(header);
                for (int i = 0; i < keys.size(); ++i)
                    texts << header->model()->headerData(i, header->orientation()).toString();
                keepBuiltIn(header, kBuiltInHeaders, texts);
                for (int i = 0; i < keys.size(); ++i) {
                    if (keys[i].isEmpty())
                        continue;
                    const QString text = value(name, section, keys[i], found);
                    if (found)
                        header->model()->setHeaderData(i, header->orientation(),
                                                       QString(text).remove(QLatin1Char('|')));
                }
            }
            const QString key = o->objectName();
            if (key.isEmpty() || key.startsWith(QLatin1String("qt_")))
                continue;
            bool has = false;
            const QString caption = CaptionOf(o, has);
            if (has) {
                keepBuiltIn(o, kBuiltInCaption, caption);
                QString text = value(name, section, key, found);
                if (!found)
                    text = caption;
                // Bars let a translation keep leading and trailing blanks; they never show.
                SetCaption(o, text.remove(QLatin1Char('|')));
            }
            const QString hint = HintOf(o, has);
            if (has) {
                keepBuiltIn(o, kBuiltInHint, hint);
                const QString text = value(name, hintSection, key, found);
                SetHint(o, found ? text : hint);
            }
        }
    }
}

} // namespace twinly
