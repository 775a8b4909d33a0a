// SPDX-License-Identifier: GPL-3.0-or-later
// The working window. Its controls carry the object names that language files and tests use
// (DirList, MaskEdit, CompareContent, ...); each reaction is a handler named after its control
// and event. The option pages with their interlocks and stored settings are a part of their
// own (OptionPages), as is the preview panel (PreviewPanel); the window builds the tool bar,
// the results page and the status bar, and runs the search (search_job.cpp) and the list's
// commands (file_commands.cpp, list_menu.cpp).
#pragma once

#include "deleter.h"
#include "file_identity.h"
#include "file_ops.h"
#include "last_copy.h"
#include "multi_language.h"
#include "scanner.h"

#include <QMainWindow>
#include <QPointer>

#include <atomic>
#include <functional>
#include <memory>
#include <set>
#include <unordered_set>

class QCheckBox;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QRadioButton;
class QSlider;
class QSplitter;
class QTabWidget;
class QTimer;
class QToolButton;
class QAction;
class QComboBox;
class QSystemTrayIcon;

namespace twinly {

class OptionPages;
class PreviewPanel;
class Tray;
class ColorList;
class ResultsModel;
class ResultsView;
class SearchJob;
class StatusPanels;

class TForm1 final : public QMainWindow, private DeleterHost {
    Q_OBJECT
public:
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    // The banner, closed when this window closes (which ends the program).
    void setBanner(QWidget *banner);
    QSystemTrayIcon *trayIcon() const;

    // Where the settings live (the path's bytes); the default follows XDG_CONFIG_HOME.
    void setSettingsPath(const std::string &path) { m_settingsPath = path; }
    void setSettingsPath(const QString &path) { m_settingsPath = path.toUtf8().toStdString(); }
    const std::string &settingsPath() const { return m_settingsPath; }

    ResultsModel *results() const { return m_model; }
    bool Searching() const;
    bool StopRequested() const { return m_stopRequested.load(); }
    bool Deleting() const { return m_deleter != nullptr; }
    int DeleteMode() const;
    int PreviewMode() const;
    TMultiLang &translator() { return m_lang; }

    // The option snapshot a search would take now (what Go hands to the scanner).
    SearchOptions searchOptions() const;

public Q_SLOTS:
    // Tool bar
    void RezButClick();
    void OptionButClick();
    void ExitButClick();
    void SpeedButton1Click();
    void UpdateButtons();
    void DublPageShow();
    void MinimizeToTray();
    void TrayIconClick(int reason);
    // List
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

public:
    // File operations on rows. Before an existing file is replaced the user is asked, and then
    // `mayReplace` (when given) has the last word.
    bool ShellFileOperation(const std::string &source, const std::string &target,
                            platform::FileOperation operation, unsigned flags,
                            const std::function<bool(const std::string &)> &mayReplace = {});
    platform::FileOpResult DeleteByMode(const std::string &path) const;
    // `keepingFolder` as KeepingFolderOf made it.
    static platform::FileOpResult DeleteByMode(const std::string &path, int mode,
                                               const std::string &keepingFolder);
    void CheckRowsInPath(const std::string &mask, bool select);
    void askPathAndCheckRows(const QString &caption, bool select);
    int OpenFile(const std::string &path);

    void LoadSettings();
    // False when a value could not be written (the user was told which).
    bool SaveSettings();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    // Stops the search and the delete run and waits for their threads; neither reaches this
    // window afterwards.
    void endWorkers();
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void buildToolBar();
    void buildResultsPage();
    void buildItemPopup();
    void connectParts();
    void FormShow();
    void ListMouseDown(int row, bool shifted, const QPoint &globalPos);
    void ListEdited(int row, const QString &text);
    void pushPreviewStyle();
    int selectedRow() const;
    QString GetString(const char *key, const char *builtIn) const;
    void setBusy(bool busy);
    bool keepingFolder(std::string &folder);
    bool destinationFolder(const std::string &typed, std::string &folder);
    QString failureText(const std::string &source, const platform::FileOpResult &r) const;
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
    bool transferRowFile(int &row, const std::string &target, platform::FileOperation operation);
    void followMovedFile(int row, const std::string &target);
    void Properties1At(const QPoint &globalPos);

    bool deleterMayDelete(const DeleteJob &job, FileState state) override;
    void deleterDeleted(const DeleteJob &job, const platform::FileOpResult &r) override;
    void deleterGauge(int percent) override;
    void deleterFinished() override;

    // Tool bar
    QWidget *Panel1 = nullptr;
    QToolButton *RezBut = nullptr, *OptionBut = nullptr, *GoBut = nullptr, *StopBut = nullptr;
    QToolButton *SpeedButton1 = nullptr, *ExitBut = nullptr;
    QLabel *Brain = nullptr;
    // Pages
    QTabWidget *PageControl1 = nullptr;
    QWidget *DublPage = nullptr;
    OptionPages *m_options = nullptr;
    // Results page
    QSplitter *RxSplitter1 = nullptr;
    ResultsView *List = nullptr;
    ResultsModel *m_model = nullptr;
    QToolButton *DeleteAll = nullptr, *RemoveAll = nullptr;
    PreviewPanel *Panel3 = nullptr;
    // Status bar
    std::unique_ptr<StatusPanels> m_status;
    // Menu and parts
    QMenu *ItemPopup = nullptr;
    Tray *m_tray = nullptr;
    SearchJob *m_search = nullptr;

    TMultiLang m_lang;
    std::string m_settingsPath;
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
        int changed = 0, gone = 0, keptBack = 0;
    } m_run;
    bool m_closePending = false;
    std::atomic<bool> m_stopRequested{false}; // read by the deleting thread
    bool m_shownOnce = false;
};

} // namespace twinly
