// SPDX-License-Identifier: GPL-3.0-or-later
// The CRC databases: the list to compare with and the file a new one is saved to.
#include "option_pages.h"

#include "option_controls.h"
#include "path_fields.h"
#include "path_text.h"
#include "widgets.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace twinly {

using namespace option_controls;

// CRC databases: the check box stands on the group's top edge as its title.
QWidget *OptionPages::buildDatabaseColumn()
{
    auto *crcColumn = new QWidget;
    auto *vc = new QVBoxLayout(crcColumn);
    vc->setContentsMargins(0, 0, 0, 0);
    vc->setSpacing(0);
    CRCCompare =
        checkBox(tr("Compare CRC in DB"), "CRCCompare", tr("Use file comparing with CRC DB"));
    GroupBox5 = new CheckTitledGroup(QString(12, QLatin1Char(' ')), "GroupBox5", CRCCompare);
    auto *g5 = new QGridLayout(GroupBox5);
    CRCFileList = named(new QListWidget, "CRCFileList", tr("CRC DB files."));
    showsPaths(CRCFileList);
    m_dbViewport = CRCFileList->viewport();
    CRCFileList->viewport()->installEventFilter(this);
    m_addFile = toolButton(GroupBox5, "AddFile", tr("Add file to CRC DB file list."),
                           QStyle::SP_ArrowRight, 19);
    m_delFile = toolButton(GroupBox5, "DelFile", tr("Remove file from CRC DB file list."),
                           QStyle::SP_DialogCancelButton, 19);
    CRCFile = named(new QLineEdit, "CRCFile", tr("Select CRC DB files."));
    CRCFile->setReadOnly(true);
    CRCFile->setEnabled(false);
    compact(g5);
    g5->addWidget(withBrowseButton(CRCFile, &m_fileBrowse), 0, 0);
    g5->addWidget(m_addFile, 0, 1);
    g5->addWidget(CRCFileList, 1, 0);
    g5->addWidget(m_delFile, 1, 1, Qt::AlignTop);
    GroupBox5->setEnabled(false);
    vc->addWidget(CRCCompare);
    vc->addWidget(GroupBox5, 1);
    return crcColumn;
}

void OptionPages::AddFileClick()
{
    if (CRCFile->text().isEmpty())
        return;
    const std::string file = platform::FieldPath(CRCFile);
    for (int i = 0; i < CRCFileList->count(); ++i)
        if (platform::SamePathIgnoringCase(platform::ItemPath(CRCFileList->item(i)), file))
            return;
    QListWidgetItem *item = platform::NewPathItem(file);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Checked);
    CRCFileList->addItem(item);
}

void OptionPages::DelFileClick()
{
    const int row = CRCFileList->currentRow();
    if (row >= 0 && CRCFileList->item(row)->isSelected())
        delete CRCFileList->takeItem(row);
}

bool OptionPages::createsDatabase() const
{
    return CreateCRC->isChecked();
}

std::string OptionPages::databaseTarget() const
{
    return platform::FieldPath(CRCFileSave);
}

std::vector<std::string> OptionPages::databasesToCompare() const
{
    std::vector<std::string> names;
    if (CreateCRC->isChecked() || !CRCCompare->isChecked())
        return names;
    // Every database of the list is read, checked or not.
    for (int i = 0; i < CRCFileList->count(); ++i)
        names.push_back(platform::ItemPath(CRCFileList->item(i)));
    return names;
}

} // namespace twinly
