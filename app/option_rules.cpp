// SPDX-License-Identifier: GPL-3.0-or-later
// The option interlocks, the folder and database lists, and what the options tell the rest of
// the window.
#include "option_pages.h"

#include "color_list.h"
#include "dialogs.h"
#include "folder_identity.h"
#include "folder_text.h"
#include "hash_cache.h"
#include "messages.h"
#include "multi_language.h"
#include "path_fields.h"
#include "path_text.h"
#include "reference_mark.h"
#include "widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QDropEvent>
#include <QGroupBox>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QToolButton>
#include <QToolTip>
#include <QUrl>

namespace twinly {

namespace {

// Beside the path's bytes (Qt::UserRole), an entry of the folder list keeps its reference mark.
constexpr int kReferenceRole = Qt::UserRole + 1;

template<typename Handler> void onChecked(QRadioButton *r, OptionPages *w, Handler h)
{
    QObject::connect(r, &QRadioButton::toggled, w, [w, h](bool on) {
        if (on)
            (w->*h)();
    });
}

} // namespace

void OptionPages::connectInterlocks()
{
    makeExclusive({CheckDublicates, CreateCRC});
    makeExclusive({Radio1, Radio2, Radio3});
    connect(MaskCBox, &QCheckBox::toggled, this, &OptionPages::MaskCBoxClick);
    connect(MinSizeC, &QCheckBox::toggled, this, &OptionPages::MinSizeCClick);
    connect(MaxSizeC, &QCheckBox::toggled, this, &OptionPages::MinSizeCClick);
    connect(CompareContent, &QCheckBox::toggled, this, &OptionPages::CompareContentClick);
    connect(IgnoreSize, &QCheckBox::toggled, this, &OptionPages::IgnoreSizeClick);
    connect(VisualCMP, &QCheckBox::toggled, this, &OptionPages::VisualCMPClick);
    connect(CRCCompare, &QCheckBox::toggled, this, &OptionPages::CRCClick);
    onChecked(CheckDublicates, this, &OptionPages::CRCClick);
    onChecked(CreateCRC, this, &OptionPages::CRCClick);
    onChecked(Radio1, this, &OptionPages::Radio1Click);
    onChecked(Radio2, this, &OptionPages::Radio2Click);
    onChecked(Radio3, this, &OptionPages::Radio3Click);
    onChecked(Preview1, this, &OptionPages::Preview1Click);
    onChecked(Preview2, this, &OptionPages::Preview2Click);
    onChecked(Preview3, this, &OptionPages::Preview3Click);
    onChecked(Preview4, this, &OptionPages::Preview4Click);
    connect(Color1, &QComboBox::currentIndexChanged, this, &OptionPages::ColorChange);
    connect(Color2, &QComboBox::currentIndexChanged, this, &OptionPages::ColorChange);
    connect(Languages, &QComboBox::activated, this, &OptionPages::LanguagesChange);
    connect(Chart3D, &QCheckBox::toggled, this, &OptionPages::previewStyleChanged);
    connect(BackImage, &QCheckBox::toggled, this, &OptionPages::previewStyleChanged);
    connect(ChartColor, &QComboBox::currentIndexChanged, this, &OptionPages::previewStyleChanged);
    connect(CameraOrientation, &QCheckBox::toggled, this, &OptionPages::previewStyleChanged);
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int index) {
        if (PageControl1->widget(index) == tabOf(SpecOptions))
            SpecOptionsShow();
    });
}

void OptionPages::MaskCBoxClick()
{
    MaskEdit->setEnabled(MaskCBox->isChecked());
    if (!MaskCBox->isChecked() && MaskEdit->text().isEmpty())
        MaskEdit->setText(QStringLiteral("*.*"));
}

void OptionPages::MinSizeCClick()
{
    MinSize->setEnabled(MinSizeC->isChecked());
    MaxSize->setEnabled(MaxSizeC->isChecked());
}

void OptionPages::Radio1Click()
{
    m_deleteMode = 1;
    UpdateDeleteMode();
}

void OptionPages::Radio2Click()
{
    m_deleteMode = 2;
    UpdateDeleteMode();
}

void OptionPages::Radio3Click()
{
    m_deleteMode = 3;
    UpdateDeleteMode();
}

void OptionPages::UpdateDeleteMode()
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

void OptionPages::CompareContentClick()
{
    if (CompareContent->isChecked()) {
        VisualCMP->setChecked(false);
        IgnoreSize->setChecked(false);
        if (m_previewMode == 3)
            Preview1->setChecked(true);
    } else {
        CRCCompare->setChecked(false);
    }
}

void OptionPages::IgnoreSizeClick()
{
    if (IgnoreSize->isChecked()) {
        CompareContent->setChecked(false);
        CRCCompare->setChecked(false);
    }
}

void OptionPages::VisualCMPClick()
{
    const bool visual = VisualCMP->isChecked();
    if (visual)
        CompareContent->setChecked(false);
    Preview4->setVisible(visual);
    MaskCBox->setEnabled(!visual);
    MaskEdit->setEnabled(!visual);
    PageControl1->setTabVisible(PageControl1->indexOf(tabOf(VisualOptions)), visual);
}

void OptionPages::CRCClick()
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

void OptionPages::AddDirButClick()
{
    if (DirectoryEdit->text().isEmpty())
        return;
    addFolder(platform::FieldPath(DirectoryEdit));
}

void OptionPages::addFolder(const std::string &typed)
{
    // Kept absolute and clean, so that one folder has one text here whichever way it was
    // reached ("/x/./a", "/x/a/", "a" typed in /x).
    const std::string folder = platform::CleanFolderPath(typed);
    for (int i = 0; i < DirList->count(); ++i)
        if (platform::SamePathIgnoringCase(platform::ItemPath(DirList->item(i)), folder))
            return;
    QListWidgetItem *item = platform::NewPathItem(folder);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Checked);
    DirList->addItem(item); // itemChanged is not raised for an item added checked
    DirListClickCheck();
    Q_EMIT foldersChanged();
}

namespace {

// The local folders among dragged items, as the bytes of their paths. Files, remote places
// and anything that is not a folder now are left out.
std::vector<std::string> droppedFolders(const QMimeData *mime)
{
    std::vector<std::string> folders;
    if (!mime || !mime->hasUrls())
        return folders;
    for (const QUrl &url : mime->urls()) {
        if (!url.isLocalFile() ||
            !(url.host().isEmpty() || url.host() == QLatin1String("localhost")))
            continue;
        // The URL carries the name's bytes percent-encoded; decoding to text would lose
        // those of a name that is not UTF-8.
        const std::string path = platform::PathFromBytes(
            QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
        if (platform::IsFolder(path))
            folders.push_back(path);
    }
    return folders;
}

} // namespace

bool OptionPages::eventFilter(QObject *watched, QEvent *event)
{
    const bool onFolders = watched == DirList->viewport();
    if (!onFolders && watched != CRCFileList->viewport())
        return QObject::eventFilter(watched, event);
    QListWidget *list = onFolders ? DirList : CRCFileList;
    switch (event->type()) {
    case QEvent::ToolTip: {
        const auto *help = static_cast<QHelpEvent *>(event);
        const QListWidgetItem *item = list->itemAt(help->pos());
        if (!item)
            return false; // the list's own hint
        QToolTip::showText(help->globalPos(), item->text(), list->viewport(),
                           list->visualItemRect(item), list->viewport()->toolTipDuration());
        return true;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        if (!onFolders)
            return false;
        auto *drag = static_cast<QDragMoveEvent *>(event);
        if (!DirList->isEnabled() || droppedFolders(drag->mimeData()).empty())
            drag->ignore();
        else
            drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        if (!onFolders)
            return false;
        auto *drop = static_cast<QDropEvent *>(event);
        const std::vector<std::string> folders = droppedFolders(drop->mimeData());
        if (!DirList->isEnabled() || folders.empty()) {
            drop->ignore();
            return true;
        }
        for (const std::string &folder : folders)
            addFolder(folder);
        drop->acceptProposedAction();
        return true;
    }
    default:
        return false;
    }
}

void OptionPages::DirListClickCheck()
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
            // A reference folder inside a plain one is how originals are kept apart from the
            // copies around them: the search walks it once and marks its files.
            if (platform::FolderWithin(laterPath, firstPath)) {
                if (!(isReference(later) && !isReference(first)))
                    later->setCheckState(Qt::Unchecked);
            } else if (platform::FolderWithin(firstPath, laterPath)) {
                if (!(isReference(first) && !isReference(later))) {
                    first->setCheckState(Qt::Unchecked);
                    break;
                }
            }
        }
    }
    DirList->viewport()->update();
}

bool OptionPages::isReference(const QListWidgetItem *item)
{
    return item->data(kReferenceRole).toBool();
}

void OptionPages::setReference(QListWidgetItem *item, bool reference)
{
    const QSignalBlocker block(DirList);
    item->setData(kReferenceRole, reference);
    const QString path = platform::DisplayPath(platform::ItemPath(item));
    if (reference) {
        item->setIcon(ReferenceIcon());
        item->setText(path + QLatin1Char(' ') + GetString("strReferenceMark", "(reference)"));
    } else {
        item->setIcon(QIcon());
        item->setText(path);
    }
}

void OptionPages::showReferenceMarks()
{
    for (int i = 0; i < DirList->count(); ++i)
        if (isReference(DirList->item(i)))
            setReference(DirList->item(i), true);
}

void OptionPages::RefDirButClick()
{
    QListWidgetItem *item = DirList->currentItem();
    if (!item || !item->isSelected())
        return;
    setReference(item, !isReference(item));
    DirListClickCheck();
}

void OptionPages::DirListMenu(const QPoint &pos)
{
    QListWidgetItem *item = DirList->itemAt(pos);
    if (!item || !DirList->isEnabled())
        return;
    DirList->setCurrentItem(item);
    QAction *reference = DirPopup->findChild<QAction *>(QStringLiteral("RefDir1"));
    reference->setChecked(isReference(item));
    DirPopup->popup(DirList->viewport()->mapToGlobal(pos));
}

void OptionPages::AddExcludeClick()
{
    if (ExcludeEdit->text().trimmed().isEmpty())
        return;
    const std::string pattern = platform::FieldPath(ExcludeEdit);
    for (int i = 0; i < ExcludeList->count(); ++i)
        if (platform::ItemPath(ExcludeList->item(i)) == pattern)
            return;
    ExcludeList->addItem(platform::NewPathItem(pattern));
    ExcludeEdit->clear();
}

void OptionPages::DelExcludeClick()
{
    const int row = ExcludeList->currentRow();
    if (row >= 0 && ExcludeList->item(row)->isSelected())
        delete ExcludeList->takeItem(row);
}

void OptionPages::DelDirButClick()
{
    const int row = DirList->currentRow();
    if (row >= 0 && DirList->item(row)->isSelected())
        delete DirList->takeItem(row);
    Q_EMIT foldersChanged();
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

void OptionPages::ColorChange()
{
    Q_EMIT bandColorsChanged();
}

void OptionPages::PreviewClick()
{
    ChartGroup->setVisible(m_previewMode == 3);
    Q_EMIT previewModeChanged(m_previewMode);
}

void OptionPages::Preview1Click()
{
    m_previewMode = 0;
    PreviewClick();
}

void OptionPages::Preview2Click()
{
    m_previewMode = 1;
    PreviewClick();
}

void OptionPages::Preview3Click()
{
    m_previewMode = 2;
    PreviewClick();
}

void OptionPages::Preview4Click()
{
    m_previewMode = 3;
    PreviewClick();
}

void OptionPages::MoveDirExit()
{
    std::string folder = platform::FieldPath(MoveDir);
    if (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
        platform::SetFieldPath(MoveDir, folder);
    }
}

void OptionPages::SpecOptionsShow()
{
    Label18->hide();
    Languages->hide();
    const QSignalBlocker block(Languages);
    Languages->clear();
    m_lang.FindLanguageFiles();
    if (m_lang.LanguageFiles.isEmpty())
        return;
    // First the way back to the built-in texts (its data is no file name), then the files.
    Languages->addItem(TMultiLang::builtInEntry(), QString());
    for (const QString &name : m_lang.LanguageFiles)
        Languages->addItem(name, name);
    int current = m_lang.CurrentLang.isEmpty() ? 0 : -1;
    for (int i = 0; i < m_lang.LanguageFiles.size() && !m_lang.CurrentLang.isEmpty(); ++i)
        if (m_lang.LanguageFiles[i].compare(m_lang.CurrentLang, Qt::CaseInsensitive) == 0)
            current = i + 1;
    Languages->setCurrentIndex(current);
    Label18->show();
    Languages->show();
}

void OptionPages::LanguagesChange()
{
    m_lang.CurrentLang = Languages->currentData().toString();
    Q_EMIT languageChanged();
}

void OptionPages::ClearCacheClick()
{
    if (!HashCache::clear(HashCache::DefaultFolder()))
        Dialogs::instance().error(
            m_window, GetString(kErrorCaptionKey, kErrorCaptionText),
            GetString("strClearCache", "The remembered checksums could not be cleared."));
}

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

bool OptionPages::hasFolders() const
{
    return DirList->count() > 0;
}

std::vector<std::string> OptionPages::searchListFolders() const
{
    std::vector<std::string> folders;
    for (int i = 0; i < DirList->count(); ++i)
        folders.push_back(platform::ItemPath(DirList->item(i)));
    return folders;
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
