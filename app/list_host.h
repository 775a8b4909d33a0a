// SPDX-License-Identifier: GPL-3.0-or-later
// The window's side of the list's commands: its message boxes and dialogs, its texts, the
// settings on the option pages, the preview beside the list, and the locking of the tool bar
// and the pages while rows are worked through.
#pragma once

#include "list_commands.h"

#include <string>

class QWidget;

namespace twinly {

class OptionPages;
class PreviewPanel;
class TMultiLang;

class WindowListHost final : public ListHost {
public:
    struct Parts {
        QWidget *window;
        QWidget *toolBar;
        QWidget *pages;
        QWidget *list;
        const OptionPages *options;
        PreviewPanel *preview;
        const TMultiLang *lang;
        const std::string *settingsPath; // the destination history lives in the settings
        const bool *closePending;        // the window waits for a deleting run to close
    };
    explicit WindowListHost(const Parts &parts) : m_parts(parts) {}

    // The preview's look follows its options at once.
    void pushPreviewStyle();

    QString GetString(const char *key, const char *builtIn) const override;
    void error(const QString &caption, const QString &text) override;
    bool question(const QString &caption, const QString &text, bool defaultYes) override;
    bool getText(const QString &caption, const QString &prompt, QString &text) override;
    bool chooseDestination(const QString &caption, std::string &folder) override;
    void fileContextMenu(const QPoint &point, const std::string &path) override;
    bool chooseItem(const QString &caption, const QString &prompt, const QStringList &items,
                    int &index) override;
    bool chooseSelectionRule(SelectionRule &rule) override;
    QString chooseSaveFile(const QString &filter) override;
    std::string settingsPath() const override;
    int deleteMode() const override;
    std::string keepingFolderText() const override;
    bool confirmDelete() const override;
    bool confirmDeleteAll() const override;
    bool programMenuOnShift() const override;
    void setBusy(bool busy) override;
    QString showPreview(const TFileData &record) override;
    bool deleteRunEnded() override;
    bool removeFoldersLeftEmpty() const override;
    std::vector<std::string> searchListFolders() const override;

private:
    Parts m_parts;
};

} // namespace twinly
