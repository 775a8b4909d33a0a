// SPDX-License-Identifier: GPL-3.0-or-later
// The option interlocks. Every reaction is connected to `toggled`, which Qt emits only when a
// state really changes, for a user's click and for setChecked() from code alike; so the rules
// cascade exactly as far as states change. Radio buttons react when they become checked.
#include "main_window.h"

#include "color_list.h"
#include "folder_identity.h"
#include "path_fields.h"
#include "preview_panel.h"
#include "results_model.h"
#include "widgets.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>

namespace twinly {

namespace {

template<typename Handler> void onChecked(QRadioButton *r, TForm1 *w, Handler h)
{
    QObject::connect(r, &QRadioButton::toggled, w, [w, h](bool on) {
        if (on)
            (w->*h)();
    });
}

} // namespace

void TForm1::connectInterlocks()
{
    makeExclusive({CheckDublicates, CreateCRC});
    makeExclusive({Radio1, Radio2, Radio3});
    connect(MaskCBox, &QCheckBox::toggled, this, &TForm1::MaskCBoxClick);
    connect(MinSizeC, &QCheckBox::toggled, this, &TForm1::MinSizeCClick);
    connect(MaxSizeC, &QCheckBox::toggled, this, &TForm1::MinSizeCClick);
    connect(CompareContent, &QCheckBox::toggled, this, &TForm1::CompareContentClick);
    connect(IgnoreSize, &QCheckBox::toggled, this, &TForm1::IgnoreSizeClick);
    connect(VisualCMP, &QCheckBox::toggled, this, &TForm1::VisualCMPClick);
    connect(CRCCompare, &QCheckBox::toggled, this, &TForm1::CRCClick);
    onChecked(CheckDublicates, this, &TForm1::CRCClick);
    onChecked(CreateCRC, this, &TForm1::CRCClick);
    onChecked(Radio1, this, &TForm1::Radio1Click);
    onChecked(Radio2, this, &TForm1::Radio2Click);
    onChecked(Radio3, this, &TForm1::Radio3Click);
    onChecked(Preview1, this, &TForm1::Preview1Click);
    onChecked(Preview2, this, &TForm1::Preview2Click);
    onChecked(Preview3, this, &TForm1::Preview3Click);
    onChecked(Preview4, this, &TForm1::Preview4Click);
    connect(Color1, &QComboBox::currentIndexChanged, this, &TForm1::ColorChange);
    connect(Color2, &QComboBox::currentIndexChanged, this, &TForm1::ColorChange);
    connect(Languages, &QComboBox::activated, this, &TForm1::LanguagesChange);
    connect(BackImage, &QCheckBox::toggled, this, &TForm1::pushChartStyle);
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int index) {
        QWidget *page = PageControl1->widget(index);
        if (page == tabOf(DublPage))
            DublPageShow();
        else if (page == tabOf(SpecOptions))
            SpecOptionsShow();
    });
}

void TForm1::MaskCBoxClick()
{
    MaskEdit->setEnabled(MaskCBox->isChecked());
    if (!MaskCBox->isChecked() && MaskEdit->text().isEmpty())
        MaskEdit->setText(QStringLiteral("*.*"));
}

void TForm1::MinSizeCClick()
{
    MinSize->setEnabled(MinSizeC->isChecked());
    MaxSize->setEnabled(MaxSizeC->isChecked());
}

void TForm1::Radio1Click()
{
    m_deleteMode = 1;
    UpdateDeleteMode();
}

void TForm1::Radio2Click()
{
    m_deleteMode = 2;
    UpdateDeleteMode();
}

void TForm1::Radio3Click()
{
    m_deleteMode = 3;
    UpdateDeleteMode();
}

void TForm1::UpdateDeleteMode()
{
    if (m_deleteMode < 1 || m_deleteMode > 3)
        return;
    MoveDir->setEnabled(m_deleteMode == 1);
    Smile1->setVisible(m_deleteMode == 1);
    Smile2->setVisible(m_deleteMode == 2);
    Smile3->setVisible(m_deleteMode == 3);
    QRadioButton *const radios[] = {Radio1, Radio2, Radio3};
    radios[m_deleteMode - 1]->setChecked(true);
}

void TForm1::CompareContentClick()
{
    if (CompareContent->isChecked()) {
        VisualCMP->setChecked(false);
        IgnoreSize->setChecked(false);
        if (Panel3->mode() == PreviewPanel::AsChart)
            Preview1->setChecked(true);
    } else {
        CRCCompare->setChecked(false);
    }
}

void TForm1::IgnoreSizeClick()
{
    if (IgnoreSize->isChecked()) {
        CompareContent->setChecked(false);
        CRCCompare->setChecked(false);
    }
}

void TForm1::VisualCMPClick()
{
    const bool visual = VisualCMP->isChecked();
    if (visual)
        CompareContent->setChecked(false);
    Preview4->setVisible(visual);
    MaskCBox->setEnabled(!visual);
    MaskEdit->setEnabled(!visual);
    PageControl1->setTabVisible(PageControl1->indexOf(tabOf(VisualOptions)), visual);
}

void TForm1::CRCClick()
{
    CRCFileSave->setEnabled(CreateCRC->isChecked());
    CRCFile->setEnabled(CRCCompare->isChecked());
    GroupBox5->setEnabled(CRCCompare->isChecked());
    if (CRCCompare->isChecked()) {
        IgnoreDate->setChecked(true);
        IgnoreNames->setChecked(true);
        CompareContent->setChecked(true);
    }
    GroupBox5->setVisible(!CreateCRC->isChecked());
    CRCCompare->setVisible(!CreateCRC->isChecked());
    GroupBox1->setVisible(!CreateCRC->isChecked() && CheckDublicates->isChecked());
}

void TForm1::AddDirButClick()
{
    if (DirectoryEdit->text().isEmpty())
        return;
    // Kept absolute and clean, so that one folder has one text here whichever way it was
    // reached ("/x/./a", "/x/a/", "a" typed in /x).
    const std::string folder = platform::CleanFolderPath(platform::FieldPath(DirectoryEdit));
    for (int i = 0; i < DirList->count(); ++i)
        if (platform::SamePathIgnoringCase(platform::ItemPath(DirList->item(i)), folder))
            return;
    QListWidgetItem *item = platform::NewPathItem(folder);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Checked);
    DirList->addItem(item); // itemChanged is not raised for an item added checked
    DirListClickCheck();
    UpdateButtons();
}

void TForm1::DirListClickCheck()
{
    // Two checked folders of which one is the other or lies inside it (as the file system
    // sees them: a link to a folder is that folder) would search the inner one's files twice,
    // and each would pass for a duplicate of itself. The inner one is unchecked, whichever
    // was listed first; of two entries for one folder, the later one.
    const QSignalBlocker block(DirList);
    for (int i = 0; i < DirList->count(); ++i) {
        QListWidgetItem *first = DirList->item(i);
        if (first->checkState() != Qt::Checked)
            continue;
        const std::string firstPath = platform::ItemPath(first);
        for (int j = i + 1; j < DirList->count(); ++j) {
            QListWidgetItem *later = DirList->item(j);
            if (later->checkState() != Qt::Checked)
                continue;
            const std::string laterPath = platform::ItemPath(later);
            if (platform::FolderWithin(laterPath, firstPath)) {
                later->setCheckState(Qt::Unchecked);
            } else if (platform::FolderWithin(firstPath, laterPath)) {
                first->setCheckState(Qt::Unchecked);
                break;
            }
        }
    }
    DirList->viewport()->update();
}

void TForm1::DelDirButClick()
{
    const int row = DirList->currentRow();
    if (row >= 0 && DirList->item(row)->isSelected())
        delete DirList->takeItem(row);
    UpdateButtons();
}

void TForm1::AddFileClick()
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

void TForm1::DelFileClick()
{
    const int row = CRCFileList->currentRow();
    if (row >= 0 && CRCFileList->item(row)->isSelected())
        delete CRCFileList->takeItem(row);
}

void TForm1::UpdateButtons()
{
    GoBut->setEnabled(!m_searching && DirList->count() > 0);
    StopBut->setEnabled(m_searching);
}

void TForm1::ColorChange()
{
    m_model->setBandColors(Color1->color(), Color2->color());
}

void TForm1::DublPageShow()
{
    if (selectedRow() >= 0)
        ListSelectItem();
}

void TForm1::PreviewClick()
{
    ChartGroup->setVisible(Panel3->mode() == PreviewPanel::AsChart);
    Panel3->setMode(Panel3->mode());
}

void TForm1::Preview1Click()
{
    Panel3->setMode(0);
    PreviewClick();
}

void TForm1::Preview2Click()
{
    Panel3->setMode(1);
    PreviewClick();
}

void TForm1::Preview3Click()
{
    Panel3->setMode(2);
    PreviewClick();
}

void TForm1::Preview4Click()
{
    Panel3->setMode(3);
    PreviewClick();
}

void TForm1::MoveDirExit()
{
    std::string folder = platform::FieldPath(MoveDir);
    if (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
        platform::SetFieldPath(MoveDir, folder);
    }
}

void TForm1::RezButClick()
{
    PageControl1->setCurrentWidget(DublPage);
}

void TForm1::OptionButClick()
{
    PageControl1->setCurrentWidget(tabOf(OptionsPage));
}

} // namespace twinly
