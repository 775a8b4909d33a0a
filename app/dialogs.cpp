// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs.h"

#include "context_menu.h"
#include "move_form.h"
#include "select_rule_form.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

#include <algorithm>

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

bool Dialogs::getText(QWidget *parent, const QString &caption, const QString &prompt, QString &text)
{
    QInputDialog dialog(parent);
    dialog.setWindowTitle(caption);
    dialog.setLabelText(prompt);
    dialog.setTextValue(text);
    if (auto *edit = dialog.findChild<QLineEdit *>())
        edit->setMaxLength(255);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    text = dialog.textValue();
    return true;
}

bool Dialogs::chooseDestination(QWidget *parent, const QString &caption,
                                const std::string &settingsPath, std::string &folder)
{
    TMoveForm form(settingsPath, parent);
    form.setWindowTitle(caption);
    const bool ok = form.exec() == QDialog::Accepted;
    folder = form.directory();
    return ok;
}

bool Dialogs::chooseItem(QWidget *parent, const QString &caption, const QString &prompt,
                         const QStringList &items, int &index)
{
    bool ok = false;
    const QString chosen = QInputDialog::getItem(parent, caption, prompt, items,
                                                 std::clamp(index, 0, int(items.size()) - 1),
                                                 /*editable=*/false, &ok);
    if (!ok)
        return false;
    index = static_cast<int>(items.indexOf(chosen));
    return index >= 0;
}

bool Dialogs::chooseSelectionRule(QWidget *parent, const Texts &texts, SelectionRule &rule)
{
    TSelectRuleForm form(
        rule, texts,
        [&form](const QString &start) { return instance().chooseFolder(&form, start); }, parent);
    if (form.exec() != QDialog::Accepted || !form.rule())
        return false;
    rule = *form.rule();
    return true;
}

QString Dialogs::fileContextMenu(QWidget *parent, const QPoint &point, const std::string &path)
{
    return platform::ShowFileContextMenu(parent, point, path, /*renameOption=*/false);
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
