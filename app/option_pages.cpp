// SPDX-License-Identifier: GPL-3.0-or-later
// Building the option pages and what they tell the rest of the window. The controls carry the
// object names that language files and tests use; the order of the controls on each page is
// their tab order. The folder, database, visual and "More options" parts live in files of their
// own (option_folders.cpp, option_database.cpp, option_visual.cpp, option_more.cpp).
#include "option_pages.h"

#include "color_list.h"
#include "dialogs.h"
#include "folder_text.h"
#include "hash_cache.h"
#include "multi_language.h"
#include "option_controls.h"
#include "path_fields.h"
#include "widgets.h"

#include <QCheckBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSlider>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

namespace twinly {

namespace option_controls {

QCheckBox *checkBox(const QString &text, const char *name, const QString &hint)
{
    return named(new QCheckBox(text), name, hint);
}

Radio *radio(const QString &text, const char *name, const QString &hint)
{
    auto *r = new Radio(text, name);
    if (!hint.isEmpty())
        r->setToolTip(hint);
    return r;
}

QWidget *withBrowseButton(QLineEdit *edit, QPushButton **button)
{
    auto *row = new QWidget;
    auto *h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(2);
    h->addWidget(edit, 1);
    *button = new QPushButton(QStringLiteral("..."));
    (*button)->setObjectName(edit->objectName() + QStringLiteral("Browse"));
    (*button)->setFixedWidth(28);
    nameByHint(*button, edit);
    h->addWidget(*button);
    return row;
}

void showsPaths(QListWidget *list)
{
    list->setTextElideMode(Qt::ElideMiddle);
}

void compact(QGridLayout *g)
{
    g->setContentsMargins(6, 4, 6, 4);
    g->setVerticalSpacing(2);
}

} // namespace option_controls

using namespace option_controls;

OptionPages::OptionPages(QWidget *window, QTabWidget *pages, TMultiLang &lang)
    : QObject(window), m_window(window), PageControl1(pages), m_lang(lang)
{
    buildOptionsPage();
    buildVisualPage();
    buildSpecPage();
    connectInterlocks();
    // After the window has put the new language in place.
    connect(this, &OptionPages::languageChanged, this, &OptionPages::showReferenceMarks,
            Qt::QueuedConnection);
}

QString OptionPages::GetString(const char *key, const char *builtIn) const
{
    return m_lang.GetString(QString::fromLatin1(key), QString::fromUtf8(builtIn));
}

// Option pages scroll rather than squeeze their controls when the window is at its smallest
// (desktop fonts are larger than the ones the minimum size was once drawn for).
void OptionPages::addPage(QWidget *page, const QString &title)
{
    auto *scroll = new QScrollArea;
    scroll->setObjectName(page->objectName() + QStringLiteral("Scroll"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(page);
    PageControl1->addTab(scroll, title);
}

QWidget *OptionPages::tabOf(QWidget *page) const
{
    for (QWidget *w = page; w; w = w->parentWidget())
        if (PageControl1->indexOf(w) >= 0)
            return w;
    return page;
}

void OptionPages::buildOptionsPage()
{
    OptionsPage = named(new QWidget, "OptionsPage");
    // Three columns: folders and databases; what to search; how to compare and delete.
    auto *grid = new QGridLayout(OptionsPage);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setSpacing(4);
    grid->addWidget(buildFolderBox(), 0, 0);
    grid->addWidget(buildSearchBox(), 0, 1);
    grid->addWidget(buildExcludeBox(), 1, 1);
    grid->addWidget(buildCompareBox(), 0, 2);
    grid->addWidget(buildDatabaseColumn(), 1, 0);
    grid->addWidget(buildDeleteBox(), 1, 2);
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(2, 2);
    grid->setRowStretch(1, 1);
    addPage(OptionsPage, tr("Options"));
    connectBrowseButtons();
}

QWidget *OptionPages::buildSearchBox()
{
    auto *box4 = named(new QGroupBox(tr("Search setup")), "GroupBox4");
    auto *g4 = new QGridLayout(box4);
    MaskCBox = checkBox(tr("Use mask"), "MaskCBox", tr("Use mask when searching files."));
    MaskEdit = named(new QLineEdit(QStringLiteral("*.bmp;*.jpg;*.jpeg;*.gif")), "MaskEdit",
                     tr("Enter file types ( ; or , separated)."));
    MaskEdit->setEnabled(false);
    RecursiveDirs =
        checkBox(tr("Recursive search"), "RecursiveDirs", tr("Recursive search in directories."));
    RecursiveDirs->setChecked(true);
    MinSizeC =
        checkBox(tr("Min file size"), "MinSizeC", tr("Comparing file size must be greater than."));
    MaxSizeC =
        checkBox(tr("Max file size"), "MaxSizeC", tr("Comparing file size must be less than."));
    for (QDoubleSpinBox **s : {&MinSize, &MaxSize}) {
        *s = new QDoubleSpinBox;
        (*s)->setDecimals(0);
        (*s)->setRange(0, 1e15); // bytes; 64-bit sizes
        (*s)->setSingleStep(100);
        (*s)->setAlignment(Qt::AlignRight);
        (*s)->setEnabled(false);
        (*s)->setMaximumWidth(90);
    }
    named(MinSize, "MinSize", tr("Min file size."));
    named(MaxSize, "MaxSize", tr("Max file size."));
    CheckDublicates =
        radio(tr("Check for duplicates"), "CheckDublicates", tr("Check for duplicates."));
    CreateCRC = radio(tr("Create CRC DB"), "CreateCRC",
                      tr("Just create CRC data base of comparing files."));
    CRCFileSave = named(new QLineEdit, "CRCFileSave", tr("Select CRC DB file for data storing."));
    CRCFileSave->setEnabled(false);
    compact(g4);
    g4->addWidget(MaskCBox, 0, 0, 1, 2);
    g4->addWidget(MaskEdit, 1, 0, 1, 2);
    g4->addWidget(RecursiveDirs, 2, 0, 1, 2);
    g4->addWidget(MinSizeC, 3, 0);
    g4->addWidget(MinSize, 3, 1);
    g4->addWidget(MaxSizeC, 4, 0);
    g4->addWidget(MaxSize, 4, 1);
    g4->addWidget(CheckDublicates, 5, 0, 1, 2);
    g4->addWidget(CreateCRC, 6, 0, 1, 2);
    g4->addWidget(withBrowseButton(CRCFileSave, &m_saveBrowse), 7, 0, 1, 2);
    LargestFirst = checkBox(tr("Largest groups first"), "LargestFirst",
                            tr("Show first the groups whose copies take the most space."));
    g4->addWidget(LargestFirst, 8, 0, 1, 2);
    g4->setRowStretch(9, 1);
    return box4;
}

QWidget *OptionPages::buildCompareBox()
{
    GroupBox1 = named(new QGroupBox(tr(" Compare setup ")), "GroupBox1");
    auto *g1 = new QGridLayout(GroupBox1);
    CompareContent = checkBox(tr("Compare content"), "CompareContent", tr("Compare file content."));
    IgnoreDate = checkBox(tr("Ignore time"), "IgnoreDate", tr("Ignore file creation time."));
    IgnoreNames =
        checkBox(tr("Ignore file names"), "IgnoreNames", tr("When comparing ignore file names."));
    IgnoreSize =
        checkBox(tr("Ignore size"), "IgnoreSize", tr("Ignore file size when comparing files."));
    VisualCMP =
        checkBox(tr("Visual compare"), "VisualCMP", tr("Visual picture comparing. Verry slow !"));
    CompareContent->setChecked(true);
    IgnoreDate->setChecked(true);
    IgnoreNames->setChecked(true);
    compact(g1);
    int row = 0;
    for (QCheckBox *c : {CompareContent, IgnoreDate, IgnoreNames, IgnoreSize, VisualCMP})
        g1->addWidget(c, row++, 0);
    GroupBox1->hide();
    return GroupBox1;
}

QWidget *OptionPages::buildDeleteBox()
{
    auto *box3 = named(new QGroupBox(tr(" Deleting setup ")), "GroupBox3");
    auto *g3 = new QGridLayout(box3);
    Radio3 =
        radio(tr("Delete from disk"), "Radio3", tr("When deleting files remove them from disk."));
    Radio2 = radio(tr("Delete to RecycleBin"), "Radio2",
                   tr("When deleting files - delete to Recycle Bin (default)."));
    Radio1 = radio(tr("Move to folder"), "Radio1",
                   tr("Do not delete file, just move to another folder."));
    MoveDir = named(new QLineEdit(QDir::homePath() + QStringLiteral("/_deleted_")), "MoveDir",
                    tr("Select directory where deleted files will be keeped."));
    Smile1 = named(new QLabel, "Smile1", QStringLiteral(":-)"));
    Smile2 = named(new QLabel, "Smile2", QStringLiteral(":-0"));
    Smile3 = named(new QLabel, "Smile3", QString(20, QLatin1Char('.')));
    Smile1->setPixmap(m_window->style()->standardIcon(QStyle::SP_DirIcon).pixmap(28, 28));
    Smile2->setPixmap(m_window->style()->standardIcon(QStyle::SP_TrashIcon).pixmap(28, 28));
    Smile3->setPixmap(m_window->style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(28, 28));
    compact(g3);
    g3->addWidget(Radio3, 0, 0);
    g3->addWidget(Radio2, 1, 0);
    g3->addWidget(Radio1, 2, 0);
    g3->addWidget(withBrowseButton(MoveDir, &m_moveBrowse), 3, 0, 1, 2);
    RemoveEmptyFolders =
        checkBox(tr("Remove folders left empty"), "RemoveEmptyFolders",
                 tr("After deleting or moving files from the list, remove the folders that this "
                    "left empty (never a folder of the search list)."));
    g3->addWidget(RemoveEmptyFolders, 4, 0, 1, 2);
    g3->setRowStretch(5, 1); // the option stays beside the folder it is about
    g3->setColumnStretch(0, 1);
    for (QLabel *smile : {Smile1, Smile2, Smile3}) {
        smile->setFixedSize(33, 33);
        smile->hide();
        g3->addWidget(smile, 0, 1, 3, 1, Qt::AlignCenter);
    }
    return box3;
}

bool OptionPages::readyForSearch() const
{
    if (CreateCRC->isChecked() && CRCFileSave->text().isEmpty()) {
        Dialogs::instance().error(m_window, GetString("strError", "Error"),
                                  GetString("str2", "Unable save DB to empty file !"));
        CRCFileSave->setFocus();
        return false;
    }
    if (CRCCompare->isChecked() && CRCFileList->count() == 0) {
        Dialogs::instance().error(m_window, GetString("strError", "Error"),
                                  GetString("str3", "Empty CRC DB !"));
        CRCFile->setFocus();
        return false;
    }
    return true;
}

bool OptionPages::largestGroupsFirst() const
{
    return LargestFirst->isChecked();
}

bool OptionPages::removeFoldersLeftEmpty() const
{
    return RemoveEmptyFolders->isChecked();
}

std::string OptionPages::keepingFolderText() const
{
    return platform::FieldPath(MoveDir);
}

bool OptionPages::confirmDelete() const
{
    return ConfDel->isChecked();
}

bool OptionPages::confirmDeleteAll() const
{
    return ConfDelAll->isChecked();
}

bool OptionPages::programMenuOnShift() const
{
    return ProgramMenu->isChecked();
}

QColor OptionPages::bandColor1() const
{
    return Color1->color();
}

QColor OptionPages::bandColor2() const
{
    return Color2->color();
}

OptionPages::PreviewStyle OptionPages::previewStyle() const
{
    return {Chart3D->isChecked(), ChartColor->color(), BackImage->isChecked(),
            CameraOrientation->isChecked()};
}

QWidget *OptionPages::optionsTab() const
{
    return tabOf(OptionsPage);
}

void OptionPages::setPagesEnabled(bool enabled)
{
    OptionsPage->setEnabled(enabled);
    VisualOptions->setEnabled(enabled);
}

void OptionPages::FormShow()
{
    CheckBox1->show();
    Radio2->setChecked(true);
}

SearchOptions OptionPages::searchOptions() const
{
    SearchOptions o;
    for (int i = 0; i < DirList->count(); ++i)
        if (DirList->item(i)->checkState() == Qt::Checked)
            (isReference(DirList->item(i)) ? o.ReferenceFolders : o.Folders)
                .push_back(platform::ItemPath(DirList->item(i)));
    for (int i = 0; i < ExcludeList->count(); ++i) {
        std::string pattern = platform::ItemPath(ExcludeList->item(i));
        o.Exclusions.push_back(pattern.starts_with("~/") ? ExpandHome(std::move(pattern))
                                                         : std::move(pattern));
    }
    o.Mask = MaskEdit->text().toUtf8().toStdString();
    o.UseMask = MaskCBox->isChecked();
    o.Recursive = RecursiveDirs->isChecked();
    o.CreateDB = CreateCRC->isChecked();
    o.IgnoreSize = IgnoreSize->isChecked();
    o.IgnoreDate = IgnoreDate->isChecked();
    o.IgnoreNames = IgnoreNames->isChecked();
    o.CompareContent = CompareContent->isChecked();
    o.FindDuplicates = CheckDublicates->isChecked();
    o.VisualCompare = VisualCMP->isChecked();
    if (MinSizeC->isChecked())
        o.MinSize = MinSize->value();
    if (MaxSizeC->isChecked())
        o.MaxSize = MaxSize->value();
    o.Visual.Resizing = Resizing->value();
    o.Visual.Splitting = Splitting->value();
    o.Visual.Acc1 = Acc1->value();
    o.Visual.Acc2 = Acc2->value();
    o.Visual.Acc3 = Acc3->value();
    o.Visual.Acc4 = Acc4->value();
    o.Visual.SameProportion = CMPMethod1->isChecked();
    if (RememberChecksums->isChecked())
        o.CacheFolder = HashCache::DefaultFolder();
    o.Visual.DumpSignatures = CheckBox1->isChecked();
    o.Visual.CameraOrientation = CameraOrientation->isChecked();
    o.Visual.FindRotations = FindRotations->isChecked();
    return ResolveSearchOptions(std::move(o), CRCCompare->isChecked());
}

} // namespace twinly
