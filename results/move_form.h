// SPDX-License-Identifier: GPL-3.0-or-later
// The destination of Move and Copy: a folder field and the history of folders chosen before,
// newest first, kept in the settings file as "MovePaths".
#pragma once

#include <QDialog>

#include <string>
#include <vector>

class QLineEdit;
class QListWidget;
class QPushButton;

namespace twinly {

class TMoveForm final : public QDialog {
    Q_OBJECT
public:
    TMoveForm(const std::string &settingsPath, QWidget *parent = nullptr);

    // The chosen folder's bytes.
    std::string directory() const;
    // The history as shown, and as the paths' bytes, newest first.
    QStringList history() const;
    std::vector<std::string> historyPaths() const;

    void DirListClick();
    void DirListDblClick();
    void RemoveButClick();
    void RemoveAllButClick();
    void OKButClick();

    void done(int result) override; // every close saves the history

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();
    void saveHistory() const;

    std::string m_settingsPath;
    QLineEdit *Directory = nullptr;
    QListWidget *DirList = nullptr;
    QPushButton *OKBut = nullptr, *RemoveBut = nullptr, *RemoveAllBut = nullptr;
    QPushButton *CancelBut = nullptr;
    bool m_shown = false;
};

} // namespace twinly
