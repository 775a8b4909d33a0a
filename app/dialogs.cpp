// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

namespace twinly {

namespace {
Dialogs *s_installed = nullptr;
}

void Dialogs::error(QWidget *parent, const QString &caption, const QString &text)
{
    QMessageBox::critical(parent, caption, text, QMessageBox::Ok);
}

bool Dialogs::question(QWidget *parent, const QString &caption, const QString &text,
                       bool defaultYes)
{
    return QMessageBox::question(parent, caption, text, QMessageBox::Yes | QMessageBox::No,
                                 defaultYes ? QMessageBox::Yes : QMessageBox::No) ==
           QMessageBox::Yes;
}

QString Dialogs::chooseFolder(QWidget *parent, const QString &start)
{
    return QFileDialog::getExistingDirectory(parent, QString(), start);
}

QString Dialogs::chooseOpenFile(QWidget *parent, const QString &start, const QString &filter)
{
    return QFileDialog::getOpenFileName(parent, QString(), start, filter);
}

QString Dialogs::chooseSaveFile(QWidget *parent, const QString &start, const QString &filter)
{
    return QFileDialog::getSaveFileName(parent, QString(), start, filter);
}

Dialogs &Dialogs::instance()
{
    static Dialogs real;
    return s_installed ? *s_installed : real;
}

void Dialogs::install(Dialogs *dialogs)
{
    s_installed = dialogs;
}

} // namespace twinly
