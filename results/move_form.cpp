// SPDX-License-Identifier: GPL-3.0-or-later
#include "move_form.h"

#include "path_fields.h"
#include "settings_store.h"
#include "text.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace twinly {

namespace {

QPushButton *button(const QString &text, const char *name, const QString &hint)
{
    auto *b = new QPushButton(text);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(hint);
    return b;
}

} // namespace

TMoveForm::TMoveForm(const std::string &settingsPath, QWidget *parent)
    : QDialog(parent), m_settingsPath(settingsPath)
{
    setObjectName(QStringLiteral("MoveForm"));
    resize(340, 253);
    auto *v = new QVBoxLayout(this);
    auto *row = new QHBoxLayout;
    Directory = new QLineEdit;
    Directory->setObjectName(QStringLiteral("Directory"));
    Directory->setToolTip(tr("Select directory where files will be located."));
    auto *browse = new QPushButton(QStringLiteral("..."));
    browse->setObjectName(QStringLiteral("DirectoryBrowse"));
    browse->setFixedWidth(28);
    row->addWidget(Directory, 1);
    row->addWidget(browse);
    v->addLayout(row);
    auto *middle = new QHBoxLayout;
    DirList = new QListWidget;
    DirList->setObjectName(QStringLiteral("DirList"));
    DirList->setToolTip(tr("History of folders."));
    middle->addWidget(DirList, 1);
    auto *side = new QVBoxLayout;
    OKBut = button(tr("Ok"), "OKBut", tr("Yes ! Do it !"));
    RemoveBut = button(tr("Remove"), "RemoveBut", tr("Remove this folder from list."));
    RemoveAllBut = button(tr("Remove all"), "RemoveAllBut", tr("Clear folders list."));
    CancelBut = button(tr("Cancel"), "CancelBut", QString());
    OKBut->setDefault(true);
    RemoveBut->setEnabled(false);
    RemoveAllBut->setEnabled(false);
    for (QPushButton *b : {OKBut, RemoveBut, RemoveAllBut})
        side->addWidget(b);
    side->addStretch(1);
    side->addWidget(CancelBut);
    middle->addLayout(side);
    v->addLayout(middle, 1);
    // The hints are carried by the controls but not shown in this dialog.
    setAttribute(Qt::WA_AlwaysShowToolTips, false);

    connect(browse, &QPushButton::clicked, this, [this] {
        const QString chosen =
            QFileDialog::getExistingDirectory(this, QString(), Directory->text());
        if (chosen.isEmpty())
            return;
        // A name the dialog could not hand back exactly leaves the field as it was.
        if (const auto bytes = platform::PathFromDialog(chosen))
            platform::SetFieldPath(Directory, *bytes);
    });
    connect(DirList, &QListWidget::itemClicked, this, &TMoveForm::DirListClick);
    connect(DirList, &QListWidget::itemDoubleClicked, this, &TMoveForm::DirListDblClick);
    connect(RemoveBut, &QPushButton::clicked, this, &TMoveForm::RemoveButClick);
    connect(RemoveAllBut, &QPushButton::clicked, this, &TMoveForm::RemoveAllButClick);
    connect(OKBut, &QPushButton::clicked, this, &TMoveForm::OKButClick);
    connect(CancelBut, &QPushButton::clicked, this, &QDialog::reject);
}

std::string TMoveForm::directory() const
{
    return platform::FieldPath(Directory);
}

QStringList TMoveForm::history() const
{
    QStringList entries;
    for (int i = 0; i < DirList->count(); ++i)
        entries << DirList->item(i)->text();
    return entries;
}

std::vector<std::string> TMoveForm::historyPaths() const
{
    std::vector<std::string> entries;
    entries.reserve(static_cast<std::size_t>(DirList->count()));
    for (int i = 0; i < DirList->count(); ++i)
        entries.push_back(platform::ItemPath(DirList->item(i)));
    return entries;
}

void TMoveForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TMoveForm::FormShow()
{
    DirList->clear();
    if (const auto key = platform::SettingsKey::open(m_settingsPath)) {
        std::string text;
        if (key->readString("MovePaths", text))
            for (const std::string &entry : platform::DecodeCommaList(text))
                DirList->addItem(platform::NewPathItem(entry));
    }
    RemoveAllBut->setEnabled(DirList->count() > 0);
    if (DirList->count() > 0) {
        DirList->setCurrentRow(0);
        DirListClick();
    }
}

void TMoveForm::DirListClick()
{
    if (!DirList->currentItem())
        return;
    RemoveBut->setEnabled(true);
    platform::SetFieldPath(Directory, platform::ItemPath(DirList->currentItem()));
}

void TMoveForm::DirListDblClick()
{
    DirListClick();
    OKButClick();
}

void TMoveForm::RemoveButClick()
{
    RemoveBut->setEnabled(false);
    delete DirList->takeItem(DirList->currentRow());
}

void TMoveForm::RemoveAllButClick()
{
    RemoveBut->setEnabled(false);
    RemoveAllBut->setEnabled(false);
    DirList->clear();
}

void TMoveForm::OKButClick()
{
    const std::string folder = directory();
    if (!folder.empty()) {
        // The same folder spelt with other letter case (A-Z only) moves to the top, as typed.
        for (int i = 0; i < DirList->count(); ++i) {
            if (platform::EqualsIgnoringAsciiCase(platform::ItemPath(DirList->item(i)), folder)) {
                delete DirList->takeItem(i);
                break;
            }
        }
        DirList->insertItem(0, platform::NewPathItem(folder));
    }
    accept();
}

void TMoveForm::done(int result)
{
    saveHistory();
    QDialog::done(result);
}

void TMoveForm::saveHistory() const
{
    auto key = platform::SettingsKey::create(m_settingsPath);
    if (!key)
        return;
    key->writeString("MovePaths", platform::EncodeCommaList(historyPaths()));
    key->save();
}

} // namespace twinly
