// SPDX-License-Identifier: GPL-3.0-or-later
// The destination of Move and Copy: a folder field and the history of folders chosen before,
// newest first, kept in the settings file as "MovePaths".
#pragma once

#include <QDialog>

class QLineEdit;
class QListWidget;
class QPushButton;

namespace twinly {

class TMoveForm final : public QDialog {
    Q_OBJECT
public:
    TMoveForm(const QString &settingsPath, QWidget *parent = nullptr);

    QString directory() const;
    QStringList history() const;

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

    QString m_settingsPath;
    QLineEdit *Directory = nullptr;
    QListWidget *DirList = nullptr;
    QPushButton *OKBut = nullptr, *RemoveBut = nullptr, *RemoveAllBut = nullptr;
    QPushButton *CancelBut = nullptr;
    bool m_shown = false;
};

} // namespace twinly
