// SPDX-License-Identifier: GPL-3.0-or-later
// The folder list (browsing, dropping, nested folders, the reference mark) and the exclusions;
// the browse buttons of every path field.
#include "option_pages.h"

#include "dialogs.h"
#include "folder_identity.h"
#include "option_controls.h"
#include "path_fields.h"
#include "path_text.h"
#include "reference_mark.h"
#include "widgets.h"

#include <QDropEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHelpEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QToolTip>
#include <QUrl>
#include <QVBoxLayout>

namespace twinly {

using namespace option_controls;

namespace {

// Beside the path's bytes (Qt::UserRole), an entry of the folder list keeps its reference mark.
constexpr int kReferenceRole = Qt::UserRole + 1;

// The local folders among dragged items, as the bytes of their paths. Files, remote places
// and anything that is not a folder now are left out.
std::vector<std::string> droppedFolders(const QMimeData *mime)
{
    std::vector<std::string> folders;
    if (!mime || !mime->hasUrls())
        return folders;
    const QList<QUrl> urls = mime->urls();
    folders.reserve(static_cast<std::size_t>(urls.size()));
    for (const QUrl &url : urls) {
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
    m_dirViewport = DirList->viewport();
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

bool OptionPages::eventFilter(QObject *watched, QEvent *event)
{
    const bool onFolders = watched == m_dirViewport;
    if (!onFolders && watched != m_dbViewport)
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

bool OptionPages::hasFolders() const
{
    return DirList->count() > 0;
}

std::vector<std::string> OptionPages::searchListFolders() const
{
    std::vector<std::string> folders;
    folders.reserve(static_cast<std::size_t>(DirList->count()));
    for (int i = 0; i < DirList->count(); ++i)
        folders.push_back(platform::ItemPath(DirList->item(i)));
    return folders;
}

} // namespace twinly
