// SPDX-License-Identifier: GPL-3.0-or-later
// The three option pages ("Options", "Visual comparing options", "More options"), their
// interlocks and the settings kept between runs. The rest of the window sees the user's
// choices only through this interface: a search snapshot, the delete mode and its folder, the
// confirmations, the list's look, and signals when any of those change.
//
// Every reaction is connected to `toggled`, which Qt emits only when a state really changes,
// for a user's click and for setChecked() from code alike; so the rules cascade exactly as far
// as states change. Radio buttons react when they become checked.
#pragma once

#include "options.h"

#include <QColor>
#include <QObject>

#include <array>
#include <string>
#include <vector>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QPoint;
class QPushButton;
class QRadioButton;
class QSlider;
class QTabWidget;
class QToolButton;
class QWidget;

namespace twinly {

namespace platform {
class SettingsKey;
}

class ColorList;
class TMultiLang;

class OptionPages final : public QObject {
    Q_OBJECT
public:
    // Adds the pages to `pages`; messages go to boxes over `window`.
    OptionPages(QWidget *window, QTabWidget *pages, TMultiLang &lang);

    // The option snapshot a search would take now (what Go hands to the scanner).
    SearchOptions searchOptions() const;
    // False, after telling the user and putting the focus where the fault is, when the
    // choices cannot start a search.
    bool readyForSearch() const;
    bool createsDatabase() const;
    // Where a "Create CRC DB" search saves (the field's bytes).
    std::string databaseTarget() const;
    // The databases to compare with; none unless "Compare CRC in DB" applies.
    std::vector<std::string> databasesToCompare() const;
    bool hasFolders() const;
    // Every folder of the folder list, checked or not, reference or not.
    std::vector<std::string> searchListFolders() const;
    // Results ordered by the space their groups would free, the largest first.
    bool largestGroupsFirst() const;
    // Deleting or moving files also removes the folders this left empty.
    bool removeFoldersLeftEmpty() const;

    int deleteMode() const { return m_deleteMode; }
    // The keeping folder as the user typed it (its bytes).
    std::string keepingFolderText() const;
    bool confirmDelete() const;
    bool confirmDeleteAll() const;
    // True when Shift with the right button opens the program's menu (not the file's own).
    bool programMenuOnShift() const;
    int previewMode() const { return m_previewMode; }
    QColor bandColor1() const;
    QColor bandColor2() const;
    struct PreviewStyle {
        bool chartThreeD = false;
        QColor chartLine;
        bool pictureBehindChart = false;
        bool upright = true; // pictures turned as their camera recorded them
    };
    PreviewStyle previewStyle() const;

    QWidget *optionsTab() const;
    void setPagesEnabled(bool enabled);
    // The window's first showing, before the settings are loaded.
    void FormShow();

    void LoadSettings(const std::string &path);
    // False when a value could not be written (the user was told which).
    bool SaveSettings(const std::string &path);

public Q_SLOTS:
    // The folder list and the exclusions (option_folders.cpp)
    void AddDirButClick();
    void DelDirButClick();
    void DirListClickCheck();
    // Turns the selected folder into a reference folder, or back into a plain one.
    void RefDirButClick();
    void AddExcludeClick();
    void DelExcludeClick();
    // The CRC databases (option_database.cpp)
    void AddFileClick();
    void DelFileClick();
    // The interlocks (option_rules.cpp)
    void MaskCBoxClick();
    void MinSizeCClick();
    void CRCClick();
    void CompareContentClick();
    void IgnoreSizeClick();
    void VisualCMPClick();
    void Radio1Click();
    void Radio2Click();
    void Radio3Click();
    void UpdateDeleteMode();
    void MoveDirExit();
    // "More options" (option_more.cpp)
    void ColorChange();
    void SpecOptionsShow();
    void PreviewClick();
    void LanguagesChange();
    void Preview1Click();
    void Preview2Click();
    void Preview3Click();
    void Preview4Click();
    // Forgets the remembered checksums; the next search reads every file it compares.
    void ClearCacheClick();

protected:
    // Drops on the folder list, and the path hints of both lists.
    bool eventFilter(QObject *watched, QEvent *event) override;

Q_SIGNALS:
    // The folder list gained or lost an entry.
    void foldersChanged();
    void bandColorsChanged();
    void previewModeChanged(int mode);
    void previewStyleChanged();
    // The translator's current language was set; the windows are to show it.
    void languageChanged();

private:
    // Construction and the "Options" page (option_pages.cpp)
    void buildOptionsPage();
    QWidget *buildSearchBox();
    QWidget *buildCompareBox();
    QWidget *buildDeleteBox();
    void addPage(QWidget *page, const QString &title);
    QWidget *tabOf(QWidget *page) const;
    QString GetString(const char *key, const char *builtIn) const;
    // The folder list, the exclusions and the browse buttons (option_folders.cpp)
    QWidget *buildFolderBox();
    QWidget *buildExcludeBox();
    void connectBrowseButtons();
    // Appends the folder (its bytes) checked, unless an entry names it already.
    void addFolder(const std::string &folder);
    // The folder list's row menu (the reference mark).
    void DirListMenu(const QPoint &pos);
    void setReference(QListWidgetItem *item, bool reference);
    static bool isReference(const QListWidgetItem *item);
    // Shows the mark in the current language.
    void showReferenceMarks();
    // The CRC databases (option_database.cpp)
    QWidget *buildDatabaseColumn();
    // The interlocks (option_rules.cpp)
    void connectInterlocks();
    // "Visual comparing options" (option_visual.cpp)
    void buildVisualPage();
    QWidget *buildAccuracyBox();
    QWidget *buildResizingBox();
    QWidget *buildSplittingBox();
    QWidget *buildMethodsBox();
    // "More options" (option_more.cpp)
    void buildSpecPage();
    QWidget *buildListBox();
    QWidget *buildPreviewBox();
    QWidget *buildChartBox();
    // Settings kept between runs (option_settings.cpp)
    std::array<QAbstractButton *, 18> flagButtons() const;
    void loadSearchLists(const platform::SettingsKey &key);
    void loadValues(const platform::SettingsKey &key);
    void showLoadedState();

    QWidget *m_window;
    QTabWidget *PageControl1;
    TMultiLang &m_lang;
    QWidget *OptionsPage = nullptr, *VisualOptions = nullptr, *SpecOptions = nullptr;
    // Options page
    QListWidget *DirList = nullptr, *CRCFileList = nullptr;
    // The lists' viewports as the event filter knows them: while the window is taken down the
    // lists are no longer lists, and asking them for their viewport would be undefined.
    const QObject *m_dirViewport = nullptr, *m_dbViewport = nullptr;
    QLineEdit *DirectoryEdit = nullptr, *MaskEdit = nullptr, *CRCFileSave = nullptr;
    QLineEdit *CRCFile = nullptr, *MoveDir = nullptr;
    QCheckBox *MaskCBox = nullptr, *RecursiveDirs = nullptr, *MinSizeC = nullptr;
    QCheckBox *MaxSizeC = nullptr, *CompareContent = nullptr, *IgnoreDate = nullptr;
    QCheckBox *IgnoreNames = nullptr, *IgnoreSize = nullptr, *VisualCMP = nullptr;
    QCheckBox *CRCCompare = nullptr;
    QDoubleSpinBox *MinSize = nullptr, *MaxSize = nullptr;
    QRadioButton *CheckDublicates = nullptr, *CreateCRC = nullptr;
    QRadioButton *Radio1 = nullptr, *Radio2 = nullptr, *Radio3 = nullptr;
    QGroupBox *GroupBox1 = nullptr, *GroupBox5 = nullptr;
    QLabel *Smile1 = nullptr, *Smile2 = nullptr, *Smile3 = nullptr;
    // Browse buttons and list buttons, connected once the page stands
    QPushButton *m_dirBrowse = nullptr, *m_saveBrowse = nullptr, *m_fileBrowse = nullptr;
    QPushButton *m_moveBrowse = nullptr;
    QToolButton *m_addDir = nullptr, *m_delDir = nullptr, *m_addFile = nullptr;
    QToolButton *m_delFile = nullptr;
    QToolButton *m_refDir = nullptr, *m_addExclude = nullptr, *m_delExclude = nullptr;
    QMenu *DirPopup = nullptr;
    QListWidget *ExcludeList = nullptr;
    QLineEdit *ExcludeEdit = nullptr;
    QCheckBox *LargestFirst = nullptr, *RemoveEmptyFolders = nullptr;
    // Visual comparing options
    QDoubleSpinBox *Acc1 = nullptr, *Acc2 = nullptr, *Acc3 = nullptr, *Acc4 = nullptr;
    QSlider *Resizing = nullptr, *Splitting = nullptr;
    QLabel *SizeLabel = nullptr, *SplittingLabel = nullptr;
    QRadioButton *CMPMethod1 = nullptr, *CMPMethod2 = nullptr;
    QCheckBox *CheckBox1 = nullptr;
    QCheckBox *CameraOrientation = nullptr, *FindRotations = nullptr;
    // More options
    ColorList *Color1 = nullptr, *Color2 = nullptr, *ChartColor = nullptr;
    QCheckBox *ConfDel = nullptr, *ConfDelAll = nullptr, *Chart3D = nullptr, *BackImage = nullptr;
    QCheckBox *RememberChecksums = nullptr;
    QRadioButton *SysMenu = nullptr, *ProgramMenu = nullptr;
    QRadioButton *Preview1 = nullptr, *Preview2 = nullptr, *Preview3 = nullptr;
    QRadioButton *Preview4 = nullptr;
    QGroupBox *ChartGroup = nullptr;
    QComboBox *Languages = nullptr;
    QLabel *Label18 = nullptr;

    int m_deleteMode = 2;
    int m_previewMode = 0;
};

} // namespace twinly
