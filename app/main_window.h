// SPDX-License-Identifier: GPL-3.0-or-later
// The working window. Its controls carry the object names that language files and tests use
// (DirList, MaskEdit, CompareContent, ...); each reaction is a handler named after its control
// and event. The window builds the tool bar, the results page and the status bar and connects
// the parts that do the work: the option pages with their interlocks and stored settings
// (OptionPages), the search (SearchJob), the list's commands (ListCommands), the preview
// (PreviewPanel) and the tray (Tray).
#pragma once

#include "multi_language.h"
#include "options.h"

#include <QMainWindow>

#include <atomic>
#include <memory>
#include <string>

class QLabel;
class QSplitter;
class QSystemTrayIcon;
class QTabWidget;
class QToolButton;

namespace twinly {

class EmptyListNote;
class CheckedTotalsLabel;
class ListCommands;
class OptionPages;
class PreviewPanel;
class ResultsModel;
class ResultsView;
class SearchJob;
class StatusPanels;
class Tray;
class WindowKeys;
class WindowListHost;

class TForm1 final : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    // The banner, closed when this window closes (which ends the program).
    void setBanner(QWidget *banner);
    QSystemTrayIcon *trayIcon() const;

    // Where the settings live (the path's bytes); the default follows XDG_CONFIG_HOME.
    void setSettingsPath(const std::string &path) { m_settingsPath = path; }
    void setSettingsPath(const QString &path);
    const std::string &settingsPath() const { return m_settingsPath; }

    ResultsModel *results() const { return m_model; }
    bool Searching() const;
    bool StopRequested() const { return m_stopRequested.load(); }
    bool Deleting() const;
    int DeleteMode() const;
    int PreviewMode() const;
    TMultiLang &translator() { return m_lang; }

    // The option snapshot a search would take now (what Go hands to the scanner).
    SearchOptions searchOptions() const;

    void LoadSettings();
    // False when a value could not be written (the user was told which).
    bool SaveSettings();

public Q_SLOTS:
    void RezButClick();
    void OptionButClick();
    void ExitButClick();
    void SpeedButton1Click();
    void UpdateButtons();
    void DublPageShow();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void buildToolBar();
    void buildResultsPage();
    void connectParts();
    // The empty list's line on what to do first, in the current language, shown while there
    // is no folder to search.
    void refreshGuide();
    void FormShow();

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
    QToolButton *SelectRule = nullptr;
    PreviewPanel *Panel3 = nullptr;
    EmptyListNote *m_note = nullptr;
    // Status bar and the working parts
    StatusPanels *m_status = nullptr;
    CheckedTotalsLabel *m_checkedTotals = nullptr;
    Tray *m_tray = nullptr;
    SearchJob *m_search = nullptr;
    std::unique_ptr<WindowListHost> m_listHost;
    ListCommands *m_commands = nullptr;
    WindowKeys *m_keys = nullptr;

    TMultiLang m_lang;
    std::string m_settingsPath;
    // Stop and close reach the search and the deleting run through it; read by their threads.
    std::atomic<bool> m_stopRequested{false};
    bool m_closePending = false;
    bool m_shownOnce = false;
};

} // namespace twinly
