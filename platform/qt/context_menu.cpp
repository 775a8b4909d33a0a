// SPDX-License-Identifier: GPL-3.0-or-later
#include "context_menu.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMimeDatabase>
#include <QUrl>

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

namespace twinly::platform {

namespace {

const char kOpen[] = "open";
const char kOpenFolder[] = "openfolder";
const char kCopyPath[] = "copypath";
const char kProperties[] = "properties";
const char kRename[] = "rename";

// The programs the desktop lists for the file's type, as (id, name) pairs, default first.
QList<QPair<QString, QString>> applicationsFor(const QString &path)
{
    QList<QPair<QString, QString>> apps;
    const QByteArray local = QFile::encodeName(path);
    gboolean uncertain = FALSE;
    gchar *type = g_content_type_guess(local.constData(), nullptr, 0, &uncertain);
    if (!type)
        return apps;
    GList *list = g_app_info_get_all_for_type(type);
    for (GList *l = list; l; l = l->next) {
        auto *info = static_cast<GAppInfo *>(l->data);
        const char *id = g_app_info_get_id(info);
        if (id)
            apps.append({QString::fromUtf8(id), QString::fromUtf8(g_app_info_get_name(info))});
    }
    g_list_free_full(list, g_object_unref);
    g_free(type);
    return apps;
}

bool launch(const QString &appId, const QString &path)
{
    GDesktopAppInfo *info = g_desktop_app_info_new(appId.toUtf8().constData());
    if (!info)
        return false;
    GFile *file = g_file_new_for_path(QFile::encodeName(path).constData());
    GList *files = g_list_append(nullptr, file);
    GError *error = nullptr;
    const gboolean ok = g_app_info_launch(G_APP_INFO(info), files, nullptr, &error);
    if (error)
        g_error_free(error);
    g_list_free(files);
    g_object_unref(file);
    g_object_unref(info);
    return ok;
}

QString permissionsText(QFile::Permissions p)
{
    QString s;
    const QFile::Permission bits[] = {QFile::ReadOwner, QFile::WriteOwner, QFile::ExeOwner,
                                      QFile::ReadGroup, QFile::WriteGroup, QFile::ExeGroup,
                                      QFile::ReadOther, QFile::WriteOther, QFile::ExeOther};
    const char letters[] = "rwxrwxrwx";
    for (int i = 0; i < 9; ++i)
        s += (p & bits[i]) ? QLatin1Char(letters[i]) : QLatin1Char('-');
    return s;
}

void showProperties(const QString &path, QWidget *owner)
{
    const QFileInfo info(path);
    QDialog dialog(owner);
    dialog.setObjectName(QStringLiteral("FileProperties"));
    dialog.setWindowTitle(QObject::tr("Properties of %1").arg(info.fileName()));
    auto *form = new QFormLayout(&dialog);
    const QLocale locale;
    form->addRow(QObject::tr("Name:"), new QLabel(info.fileName()));
    form->addRow(QObject::tr("Folder:"), new QLabel(info.absolutePath()));
    form->addRow(QObject::tr("Type:"), new QLabel(QMimeDatabase().mimeTypeForFile(info).comment()));
    form->addRow(QObject::tr("Size:"),
                 new QLabel(QObject::tr("%1 bytes").arg(locale.toString(info.size()))));
    form->addRow(QObject::tr("Modified:"),
                 new QLabel(locale.toString(info.lastModified(), QLocale::LongFormat)));
    form->addRow(QObject::tr("Accessed:"),
                 new QLabel(locale.toString(info.lastRead(), QLocale::LongFormat)));
    form->addRow(QObject::tr("Permissions:"), new QLabel(permissionsText(info.permissions())));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    dialog.exec();
}

} // namespace

QMenu *BuildFileContextMenu(const QString &path, bool renameOption, QWidget *parent)
{
    if (!QFileInfo::exists(path))
        return nullptr;
    auto *menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("FileContextMenu"));
    const auto apps = applicationsFor(path);
    if (!apps.isEmpty()) {
        QMenu *openWith = menu->addMenu(QObject::tr("Open With"));
        for (const auto &[id, name] : apps) {
            QAction *a = openWith->addAction(name);
            a->setData(QStringList{QString::fromLatin1(kOpen), id});
        }
    }
    menu->addAction(QObject::tr("Open Containing Folder"))
        ->setData(QStringList{QString::fromLatin1(kOpenFolder)});
    menu->addAction(QObject::tr("Copy Path"))->setData(QStringList{QString::fromLatin1(kCopyPath)});
    if (renameOption)
        menu->addAction(QObject::tr("Rename"))->setData(QStringList{QString::fromLatin1(kRename)});
    menu->addSeparator();
    menu->addAction(QObject::tr("Properties"))
        ->setData(QStringList{QString::fromLatin1(kProperties)});
    return menu;
}

QString RunFileContextAction(const QString &path, const QString &verb, const QString &argument,
                             QWidget *owner)
{
    if (verb == QLatin1String(kOpen))
        launch(argument, path);
    else if (verb == QLatin1String(kOpenFolder))
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
    else if (verb == QLatin1String(kCopyPath))
        QApplication::clipboard()->setText(path);
    else if (verb == QLatin1String(kProperties))
        showProperties(path, owner);
    return verb.toLower();
}

QString ShowFileContextMenu(QWidget *owner, const QPoint &point, const QString &path,
                            bool renameOption)
{
    QMenu *menu = BuildFileContextMenu(path, renameOption, owner);
    if (!menu)
        return {};
    const QAction *chosen = menu->exec(point);
    QString verb;
    if (chosen) {
        const QStringList data = chosen->data().toStringList();
        verb = data.value(0).toLower();
        // "rename" is handed back, never carried out: the list must stay as it is.
        if (verb != QLatin1String(kRename))
            RunFileContextAction(path, verb, data.value(1), owner);
    }
    delete menu;
    return verb;
}

} // namespace twinly::platform
