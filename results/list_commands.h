// SPDX-License-Identifier: GPL-3.0-or-later
// What the rows' commands do: delete (one, or the checked rows on a thread), move, copy,
// rename, open, the file's own menu; and the list edits that touch no file (select and unselect
// by path, remove from the list). Each command acts on the selected row of the list. Rows of
// database entries name no file: nothing here opens, deletes, moves, copies or renames them.
//
// The window lends its dialogs, texts and settings through ListHost; the commands work on the
// rows through ResultsModel and show progress in the status panels.
#pragma once

#include "deleter.h"
#include "file_data.h"
#include "file_identity.h"
#include "file_ops.h"
#include "last_copy.h"
#include "link_replace.h"
#include "selection_rules.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_set>
#include <vector>

class QMenu;
class QPoint;
class QWidget;

namespace twinly {

class ResultsModel;
class ResultsView;
class StatusPanels;

// What the commands ask of the window; every call on the GUI thread.
class ListHost {
public:
    virtual ~ListHost() = default;
    virtual QString GetString(const char *key, const char *builtIn) const = 0;
    // Message boxes over the window.
    virtual void error(const QString &caption, const QString &text) = 0;
    virtual bool question(const QString &caption, const QString &text, bool defaultYes) = 0;
    virtual bool getText(const QString &caption, const QString &prompt, QString &text) = 0;
    // The destination dialog of Move and Copy with its history; the folder is the path's bytes.
    virtual bool chooseDestination(const QString &caption, std::string &folder) = 0;
    virtual void fileContextMenu(const QPoint &point, const std::string &path) = 0;
    // One of `items` (`index`: the default in, the choice out); false when cancelled.
    virtual bool chooseItem(const QString &caption, const QString &prompt, const QStringList &items,
                            int &index) = 0;
    // The rule that picks the copy to keep per group, starting from `rule`; false when cancelled.
    virtual bool chooseSelectionRule(SelectionRule &rule) = 0;
    // A file to save to (the dialog's text of its path), or nothing when cancelled.
    virtual QString chooseSaveFile(const QString &filter) = 0;
    // The settings file, where the commands keep what the user chose last.
    virtual std::string settingsPath() const = 0;
    // The user's settings.
    virtual int deleteMode() const = 0;
    virtual std::string keepingFolderText() const = 0; // the path's bytes as typed
    virtual bool confirmDelete() const = 0;
    virtual bool confirmDeleteAll() const = 0;
    virtual bool programMenuOnShift() const = 0;
    // While rows are worked through, the tool bar and the pages take no input.
    virtual void setBusy(bool busy) = 0;
    // Shows the row's file beside the list; the text of a problem, or nothing.
    virtual QString showPreview(const TFileData &record) = 0;
    // A deleting run has ended. True when the window closes now: nothing more is shown.
    virtual bool deleteRunEnded() = 0;
    // Whether deleting or moving files also removes the folders this left empty, and the
    // folders of the search list (which always stay, with everything above them).
    virtual bool removeFoldersLeftEmpty() const { return false; }
    virtual std::vector<std::string> searchListFolders() const { return {}; }
};

class ListCommands final : public QObject, private DeleterHost {
    Q_OBJECT
public:
    // `window` owns the commands and their menu; `stopRequested` is the window's stop flag.
    ListCommands(QWidget *window, ResultsView *list, ResultsModel *model, StatusPanels *status,
                 ListHost &host, std::atomic<bool> &stopRequested);
    ~ListCommands() override;

    bool Deleting() const { return m_deleter != nullptr; }
    // Stops a deleting run after the file in hand and waits for its thread; the run reaches
    // neither the list nor the window afterwards.
    void abandonDeleteRun();
    int selectedRow() const;

    // File operations on rows. Before an existing file is replaced the user is asked, and then
    // `mayReplace` (when given) has the last word.
    bool ShellFileOperation(const std::string &source, const std::string &target,
                            platform::FileOperation operation, unsigned flags,
                            const std::function<bool(const std::string &)> &mayReplace = {});
    platform::FileOpResult DeleteByMode(const std::string &path) const;
    // `keepingFolder` as UsableFolder made it. Touches no widget.
    static platform::FileOpResult DeleteByMode(const std::string &path, int mode,
                                               const std::string &keepingFolder);
    void CheckRowsInPath(const std::string &mask, bool select);
    int OpenFile(const std::string &path);
    // The rule the rule dialog offers first: the one chosen last, else the first in list order.
    SelectionRule storedSelectionRule() const;
    // Writes the rows, their groups and check marks to `path`: JSON for a name ending in
    // ".json", CSV otherwise. The text of a problem, or nothing.
    QString SaveList(const std::string &path) const;

public Q_SLOTS:
    void ListSelectItem();
    void Delete1Click();
    void Deleteonlyfromlist1Click();
    void Open1Click();
    void Move1Click();
    void Copy1Click();
    void Select1Click();
    void Unselect1Click();
    void Properties1Click();
    void DeleteAllClick();
    void RemoveAllClick();
    // Checks every file of each group but the one the chosen rule keeps.
    void SelectByRuleClick();
    void UnselectAllClick();
    void InvertGroupsClick();
    // The selected row's file, or every checked row's, replaced by a link to a copy kept in its
    // group, of the kind the user picks.
    void Link1Click();
    void LinkAllClick();
    void SaveListClick();
    void ListMouseDown(int row, bool shifted, const QPoint &globalPos);
    void ListEdited(int row, const QString &text);

private:
    // After files left their folders (deleted, kept elsewhere or moved): the folders this left
    // empty go too, when the user asked for that.
    void removeFoldersLeftEmpty(const std::vector<std::string> &removedFiles);
    void buildItemPopup(QWidget *window);
    QString GetString(const char *key, const char *builtIn) const;
    void askPathAndCheckRows(const QString &caption, bool select);
    void Properties1At(const QPoint &globalPos);
    // Move and copy
    bool destinationFolder(const std::string &typed, std::string &folder);
    QString failureText(const std::string &source, const platform::FileOpResult &r) const;
    bool transferRowFile(int &row, const std::string &target, platform::FileOperation operation);
    void followMovedFile(int row, const std::string &target);
    // Originals: a command about to take a reference row's file away says no.
    bool refuseReference(const TFileData &d);
    bool anyReference(const std::vector<int> &rows) const;
    // Links
    bool askLinkKind(platform::LinkKind &kind);
    void replaceRowsByLinks(const std::vector<int> &rows, platform::LinkKind kind);
    std::optional<QString> linkRow(int row, platform::LinkKind kind,
                                   std::unordered_set<std::uint64_t> &leaving);
    void tellUnlinked(QStringList told);
    int linkKeeper(int row, const std::unordered_set<std::uint64_t> &leaving) const;
    QString linkRefusalText(const platform::LinkResult &r) const;
    // Deleting
    bool keepingFolder(std::string &folder);
    // The last-copy rule over the rows: the groups that would keep no copy if the rows
    // `leaving` left, together with the rows `alsoLeavingRow` names in those groups and the
    // files `alsoLeavingFiles`.
    std::vector<std::uint32_t>
    groupsLosingLastCopy(std::vector<int> leaving,
                         const std::function<bool(int)> &alsoLeavingRow = {},
                         const FileKeySet &alsoLeavingFiles = {}) const;
    bool confirmLastCopies(std::size_t groups, const QString &caption);
    std::vector<int> rowsNamingFile(const std::string &path, const platform::FileIdentity &file,
                                    int except) const;
    void removeRowsThatLostTheirFile(const std::vector<std::uint64_t> &ids);
    bool keepingTargetUsable(const std::string &path, const std::string &keep,
                             std::vector<int> &replaced);
    void addKeptFilesReplaced(const std::string &keep, std::vector<int> &leaving,
                              FileKeySet &leavingFiles) const;
    void startDeleteRun(const std::vector<int> &rows, std::string keep, FileKeySet leavingFiles,
                        const std::vector<std::uint32_t> &consented);

    bool deleterMayDelete(const DeleteJob &job, FileState state) override;
    void deleterDeleted(const DeleteJob &job, const platform::FileOpResult &r) override;
    void deleterGauge(int percent) override;
    void deleterFinished() override;

    ResultsView *List;
    ResultsModel *m_model;
    StatusPanels *m_status;
    ListHost &m_host;
    std::atomic<bool> &m_stop; // read by the deleting thread
    QMenu *ItemPopup = nullptr;
    std::unique_ptr<TDeleter> m_deleter;
    // The deleting run in hand: its rows, their files, the groups the user agreed to empty, and
    // the rows naming the file that the file in hand is about to replace.
    struct DeleteRun {
        int mode = 0;
        std::string keep;
        std::unordered_set<std::uint64_t> jobIds;
        FileKeySet leavingFiles;
        std::set<std::uint32_t> consented;
        std::vector<std::uint64_t> replaced;
        std::vector<std::string> removed; // paths of the files taken away
        int changed = 0, gone = 0, keptBack = 0;
    } m_run;
};

} // namespace twinly
