// SPDX-License-Identifier: GPL-3.0-or-later
// Building the option pages. The controls carry the object names that language files and tests
// use; the order of the controls on each page is their tab order.
#include "option_pages.h"

#include "color_list.h"
#include "dialogs.h"
#include "multi_language.h"
#include "path_fields.h"
#include "reference_mark.h"
#include "widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace twinly {

namespace {

QCheckBox *checkBox(const QString &text, const char *name, const QString &hint = {})
{
    return named(new QCheckBox(text), name, hint);
}

Radio *radio(const QString &text, const char *name, const QString &hint = {})
{
    auto *r = new Radio(text, name);
    if (!hint.isEmpty())
        r->setToolTip(hint);
    return r;
}

// A line edit with a browse button beside it, as one row.
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

// A list of paths: a long one is shortened in its middle, keeping where it starts and the name
// it ends with (the entry's hint shows it whole, see eventFilter).
void showsPaths(QListWidget *list)
{
    list->setTextElideMode(Qt::ElideMiddle);
}

QLabel *warningStrip(const char *name)
{
    auto *l = named(
        new QLabel(QObject::tr("Warning! Changing this option can slow all comparing proces !")),
        name);
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignCenter);
    l->setAutoFillBackground(true);
    QPalette p = l->palette();
    p.setColor(QPalette::Window, Qt::red);
    p.setColor(QPalette::WindowText, Qt::white);
    l->setPalette(p);
    return l;
}

QDoubleSpinBox *accuracy(const char *name, const QString &hint, double value, double min,
                         double max)
{
    auto *s = named(new QDoubleSpinBox, name, hint);
    s->setRange(min, max);
    s->setSingleStep(0.5);
    s->setDecimals(1);
    s->setValue(value);
    return s;
}

void compact(QGridLayout *g)
{
    g->setContentsMargins(6, 4, 6, 4);
    g->setVerticalSpacing(2);
}

} // namespace

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

QWidget *OptionPages::buildFolderBox()
{
    auto *box2 = named(new QGroupBox(tr(" Directory ")), "GroupBox2");
    auto *g2 = new QGridLayout(box2);
    DirList = named(new QListWidget, "DirList", tr("Check in these folders."));
    showsPaths(DirList);
    DirList->setMinimumWidth(190);
    // Folders dragged from a file manager are added as if picked one by one.
    DirList->setAcceptDrops(true);
    DirList->viewport()->setAcceptDrops(true);
    DirList->viewport()->installEventFilter(this);
    m_addDir = toolButton(box2, "AddDirBut", tr("Add directory to search list."),
                          QStyle::SP_ArrowRight, 19);
    m_delDir = toolButton(box2, "DelDirBut", tr("Remove directory from search list."),
                          QStyle::SP_DialogCancelButton, 19);
    DirectoryEdit =
        named(new QLineEdit, "DirectoryEdit", tr("Select directory where files located."));
    DirectoryEdit->setReadOnly(true);
    // Reference folders: the selected entry's mark, by this button or the list's row menu.
    m_refDir = toolButton(box2, "RefDirBut",
                          tr("Mark or unmark the selected folder as a reference folder: its files "
                             "are searched and shown, but never checked, deleted or moved."),
                          QStyle::SP_DialogCancelButton, 19);
    m_refDir->setIcon(ReferenceIcon());
    connect(m_refDir, &QToolButton::clicked, this, &OptionPages::RefDirButClick);
    DirPopup = named(new QMenu(m_window), "DirPopup");
    QAction *reference = DirPopup->addAction(tr("Reference folder (protected)"));
    reference->setObjectName(QStringLiteral("RefDir1"));
    reference->setCheckable(true);
    connect(reference, &QAction::triggered, this, &OptionPages::RefDirButClick);
    DirList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(DirList, &QWidget::customContextMenuRequested, this, &OptionPages::DirListMenu);
    auto *buttons = new QVBoxLayout;
    buttons->setSpacing(2);
    buttons->addWidget(m_delDir);
    buttons->addWidget(m_refDir);
    buttons->addStretch(1);
    compact(g2);
    g2->addWidget(withBrowseButton(DirectoryEdit, &m_dirBrowse), 0, 0);
    g2->addWidget(m_addDir, 0, 1);
    g2->addWidget(DirList, 1, 0);
    g2->addLayout(buttons, 1, 1);
    return box2;
}

// What a search leaves out: folder names or paths not walked, masks of files not taken.
QWidget *OptionPages::buildExcludeBox()
{
    auto *box = named(new QGroupBox(tr(" Exclude ")), "ExcludeGroup");
    auto *g = new QGridLayout(box);
    ExcludeEdit = named(new QLineEdit, "ExcludeEdit",
                        tr("A folder name or path not to search (.git, node_modules, "
                           "/home/me/.cache), or masks of files not to take (*.tmp;~*)."));
    ExcludeList = named(new QListWidget, "ExcludeList", tr("Folders and files left out."));
    showsPaths(ExcludeList);
    ExcludeList->setMinimumHeight(48);
    m_addExclude =
        toolButton(box, "AddExcludeBut", tr("Add to the exclusions."), QStyle::SP_ArrowRight, 19);
    m_delExclude = toolButton(box, "DelExcludeBut", tr("Remove the selected exclusion."),
                              QStyle::SP_DialogCancelButton, 19);
    connect(m_addExclude, &QToolButton::clicked, this, &OptionPages::AddExcludeClick);
    connect(m_delExclude, &QToolButton::clicked, this, &OptionPages::DelExcludeClick);
    connect(ExcludeEdit, &QLineEdit::returnPressed, this, &OptionPages::AddExcludeClick);
    compact(g);
    g->addWidget(ExcludeEdit, 0, 0);
    g->addWidget(m_addExclude, 0, 1);
    g->addWidget(ExcludeList, 1, 0);
    g->addWidget(m_delExclude, 1, 1, Qt::AlignTop);
    return box;
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

void OptionPages::connectBrowseButtons()
{
    connect(m_addDir, &QToolButton::clicked, this, &OptionPages::AddDirButClick);
    connect(m_delDir, &QToolButton::clicked, this, &OptionPages::DelDirButClick);
    connect(m_addFile, &QToolButton::clicked, this, &OptionPages::AddFileClick);
    connect(m_delFile, &QToolButton::clicked, this, &OptionPages::DelFileClick);
    connect(DirList, &QListWidget::itemChanged, this,
            [this](QListWidgetItem *) { DirListClickCheck(); });
    auto browse = [this](QPushButton *button, QLineEdit *edit, auto pick,
                         void (OptionPages::*picked)() = nullptr) {
        connect(button, &QPushButton::clicked, this, [this, edit, pick, picked] {
            const QString chosen = pick(m_window, edit->text());
            if (chosen.isEmpty())
                return;
            // The dialogs hand names back as text; the field keeps the bytes they stand for.
            if (const auto bytes = platform::PathFromDialog(chosen)) {
                platform::SetFieldPath(edit, *bytes);
                if (picked)
                    (this->*picked)();
            } else
                Dialogs::instance().error(
                    m_window, GetString("strError", "Error"),
                    GetString("strUnclearName", "The chosen name looks the same as another name "
                                                "in its folder and cannot be told apart: %s")
                        .replace(QStringLiteral("%s"), chosen));
        });
    };
    const QString dbFilter = tr("DB files (*.TWD);;All files (*)");
    // A folder picked is a folder meant to be searched: it joins the list at once (the add
    // button stays for a path typed or pasted into the field).
    browse(
        m_dirBrowse, DirectoryEdit,
        [](QWidget *w, const QString &s) { return Dialogs::instance().chooseFolder(w, s); },
        &OptionPages::AddDirButClick);
    browse(m_moveBrowse, MoveDir,
           [](QWidget *w, const QString &s) { return Dialogs::instance().chooseFolder(w, s); });
    browse(m_fileBrowse, CRCFile, [dbFilter](QWidget *w, const QString &s) {
        return Dialogs::instance().chooseOpenFile(w, s, dbFilter);
    });
    browse(m_saveBrowse, CRCFileSave, [dbFilter](QWidget *w, const QString &s) {
        QString name = Dialogs::instance().chooseSaveFile(w, s, dbFilter);
        // The extension is the name's own: a dot in a folder above it does not count.
        const qsizetype nameStart = name.lastIndexOf(QLatin1Char('/')) + 1;
        if (!name.isEmpty() && nameStart < name.size() &&
            !name.mid(nameStart).contains(QLatin1Char('.')))
            name += QStringLiteral(".TWD");
        return name;
    });
    connect(MoveDir, &QLineEdit::editingFinished, this, &OptionPages::MoveDirExit);
}

void OptionPages::buildVisualPage()
{
    VisualOptions = named(new QWidget, "VisualOptions");
    auto *grid = new QGridLayout(VisualOptions);

    auto *box6 = named(new QGroupBox(tr(" Accuracy %")), "GroupBox6");
    auto *g6 = new QGridLayout(box6);
    Acc1 = accuracy("Acc1", tr("Total accuracy between comparing pictures."), 100, 50, 500);
    Acc2 = accuracy("Acc2", tr("Average difference upper bound."), 10, 0.5, 50);
    Acc3 = accuracy("Acc3", tr("Upper bound of difference frequency."), 10, 0.5, 50);
    Acc4 = accuracy("Acc4", QString(), 10, 0.5, 50);
    const QString labels[] = {tr("Total accuracy"), tr("Difference between pictures"),
                              tr("Diferential frequency"), tr("Frequency accuracy")};
    QDoubleSpinBox *fields[] = {Acc1, Acc2, Acc3, Acc4};
    for (int i = 0; i < 4; ++i) {
        const QByteArray n = QByteArray::number(i + 1);
        const QByteArray label = "AccLabel" + n;
        const QByteArray unit = "AccUnit" + n;
        g6->addWidget(named(new QLabel(labels[i]), label.constData()), i, 0);
        g6->addWidget(fields[i], i, 1);
        g6->addWidget(named(new QLabel(QStringLiteral("%")), unit.constData()), i, 2);
    }
    grid->addWidget(box6, 0, 0);

    auto slider = [](const char *name, const QString &hint) {
        auto *s = named(new QSlider(Qt::Horizontal), name, hint);
        s->setRange(1, 10);
        s->setSingleStep(1);
        s->setPageStep(1);
        s->setTickPosition(QSlider::TicksBelow);
        s->setTickInterval(1);
        return s;
    };
    auto *box8 = named(new QGroupBox(tr(" Image resizing ")), "GroupBox8");
    auto *v8 = new QVBoxLayout(box8);
    Resizing = slider("Resizing", tr("Resize images to standart resolution."));
    SizeLabel = named(new QLabel, "SizeLabel");
    v8->addWidget(Resizing);
    v8->addWidget(named(new QLabel(tr("Image will be resized to :")), "ResizedToLabel"));
    v8->addWidget(SizeLabel);
    v8->addWidget(warningStrip("ResizingWarning"));
    grid->addWidget(box8, 0, 1);

    auto *box7 = named(new QGroupBox(tr(" Image splitting ")), "GroupBox7");
    auto *v7 = new QVBoxLayout(box7);
    Splitting = slider("Splitting", tr("Split image to small squares."));
    SplittingLabel = named(new QLabel, "SplittingLabel");
    v7->addWidget(Splitting);
    v7->addWidget(named(new QLabel(tr("Image splitted to :")), "SplittedToLabel"));
    v7->addWidget(SplittingLabel);
    v7->addWidget(warningStrip("SplittingWarning"));
    grid->addWidget(box7, 1, 1);

    auto *methods = named(new QGroupBox(tr("Comparing methods")), "CMPMethods");
    auto *vm = new QVBoxLayout(methods);
    CMPMethod1 = radio(tr("Comparing only same proportional pictures"), "CMPMethod1");
    CMPMethod2 = radio(tr("Comparing any pictures"), "CMPMethod2");
    CMPMethod1->setChecked(true);
    vm->addWidget(CMPMethod1);
    vm->addWidget(CMPMethod2);
    grid->addWidget(methods, 1, 0);
    CheckBox1 = checkBox(tr("CheckBox1"), "CheckBox1");
    CheckBox1->hide();
    grid->addWidget(CheckBox1, 2, 0);
    CameraOrientation = checkBox(tr("Turn pictures as the camera says"), "CameraOrientation",
                                 tr("Show and compare photos upright, as the camera recorded."));
    CameraOrientation->setChecked(true);
    grid->addWidget(CameraOrientation, 2, 1);
    FindRotations = checkBox(tr("Find rotated and mirrored copies"), "FindRotations",
                             tr("Also compare each picture turned and mirrored."));
    grid->addWidget(FindRotations, 3, 1);
    grid->setRowStretch(4, 1);

    auto showValues = [this] {
        SizeLabel->setText(QStringLiteral("%1 x %1").arg(Resizing->value() * 100));
        SplittingLabel->setText(QStringLiteral("%1 x %1").arg(Splitting->value() * 10));
    };
    connect(Resizing, &QSlider::valueChanged, this, showValues);
    connect(Splitting, &QSlider::valueChanged, this, showValues);
    showValues();
    makeExclusive({CMPMethod1, CMPMethod2});

    addPage(VisualOptions, tr("Visual comparing options"));
    PageControl1->setTabVisible(PageControl1->indexOf(tabOf(VisualOptions)), false);
}

void OptionPages::buildSpecPage()
{
    SpecOptions = named(new QWidget, "SpecOptions");
    auto *grid = new QGridLayout(SpecOptions);

    grid->addWidget(buildListBox(), 0, 0);
    grid->addWidget(buildPreviewBox(), 0, 1);
    grid->addWidget(buildChartBox(), 1, 1);

    auto *langRow = new QHBoxLayout;
    Label18 = named(new QLabel(tr("Language")), "Label18");
    langRow->addWidget(Label18);
    Languages = named(new QComboBox, "Languages", tr("Select language file."));
    Languages->addItem(QStringLiteral("Default.lng"), QStringLiteral("Default.lng"));
    Languages->setCurrentIndex(0);
    langRow->addWidget(Languages, 1);
    grid->addLayout(langRow, 1, 0, Qt::AlignTop);

    // Remembered checksums: a rescan reads only what changed. On unless the user turns it off.
    auto *cacheBox = named(new QGroupBox(tr(" Checksums ")), "CacheGroup");
    auto *gcache = new QHBoxLayout(cacheBox);
    RememberChecksums =
        checkBox(tr("Remember file checksums"), "RememberChecksums",
                 tr("Keep the checksums of files read, so that later searches read only the files "
                    "that changed since."));
    RememberChecksums->setChecked(true);
    auto *clearCache = named(new QPushButton(tr("Clear cache")), "ClearCache",
                             tr("Forget every remembered checksum."));
    connect(clearCache, &QPushButton::clicked, this, &OptionPages::ClearCacheClick);
    gcache->addWidget(RememberChecksums, 1);
    gcache->addWidget(clearCache);
    grid->addWidget(cacheBox, 2, 0, Qt::AlignTop);
    grid->setRowStretch(3, 1);

    addPage(SpecOptions, tr("More options"));
}

QWidget *OptionPages::buildListBox()
{
    auto *box10 = named(new QGroupBox(tr(" Duplicate list ")), "GroupBox10");
    auto *g10 = new QGridLayout(box10);
    Color1 = named(new ColorList, "Color1");
    Color2 = named(new ColorList, "Color2");
    Color1->setPosition(9);
    Color2->setPosition(10);
    ConfDel = checkBox(tr("Delete confirmation"), "ConfDel",
                       tr("Ask for confirmation when deleting file from disk."));
    ConfDelAll = checkBox(tr("Delete all confirmation"), "ConfDelAll",
                          tr("Ask for confirmation when deleting all selected files from disk."));
    ConfDel->setChecked(true);
    ConfDelAll->setChecked(true);
    SysMenu =
        radio(tr("system menu"), "SysMenu", tr("Shift+Mouse RButton opens system menu (default)."));
    ProgramMenu =
        radio(tr("program menu"), "ProgramMenu", tr("Shift+Mouse RButton opens program menu."));
    SysMenu->setChecked(true);
    makeExclusive({SysMenu, ProgramMenu});
    g10->addWidget(named(new QLabel(tr("Colors")), "ColorsLabel"), 0, 0);
    g10->addWidget(Color1, 0, 1);
    g10->addWidget(Color2, 0, 2);
    g10->addWidget(ConfDel, 1, 0, 1, 3);
    g10->addWidget(ConfDelAll, 2, 0, 1, 3);
    g10->addWidget(named(new QLabel(tr("Shift+Mouse RButton opens ")), "ShiftLabel"), 3, 0, 1, 3);
    g10->addWidget(SysMenu, 4, 1);
    g10->addWidget(ProgramMenu, 4, 2);
    return box10;
}

QWidget *OptionPages::buildPreviewBox()
{
    auto *preview = named(new QGroupBox(tr(" Preview panel options ")), "Preview");
    auto *vp = new QVBoxLayout(preview);
    Preview1 = radio(tr("Show in original size"), "Preview1");
    Preview2 = radio(tr("Show to fit in screen"), "Preview2");
    Preview3 = radio(tr("View resized image"), "Preview3");
    Preview4 = radio(tr("View as chart"), "Preview4");
    Preview1->setChecked(true);
    Preview4->hide();
    makeExclusive({Preview1, Preview2, Preview3, Preview4});
    for (QRadioButton *r : {Preview1, Preview2, Preview3, Preview4})
        vp->addWidget(r);
    return preview;
}

QWidget *OptionPages::buildChartBox()
{
    ChartGroup = named(new QGroupBox(tr(" Chart setings ")), "ChartGroup");
    auto *gc = new QGridLayout(ChartGroup);
    Chart3D = checkBox(tr("Use 3D chart"), "Chart3D", tr("Show chart as 3D."));
    ChartColor = named(new ColorList, "ChartColor", tr("Chart drawing line color."));
    ChartColor->setPosition(6);
    BackImage = checkBox(tr("Use image as background"), "BackImage",
                         tr("Preview image in chart background."));
    gc->addWidget(Chart3D, 0, 0, 1, 2);
    gc->addWidget(named(new QLabel(tr("Drawing line color")), "ChartColorLabel"), 1, 0);
    gc->addWidget(ChartColor, 1, 1);
    gc->addWidget(BackImage, 2, 0, 1, 2);
    ChartGroup->hide();
    return ChartGroup;
}

} // namespace twinly
