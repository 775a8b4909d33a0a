// SPDX-License-Identifier: GPL-3.0-or-later
// The choice of the copy to keep in every group before the others are checked: by time, by
// path or name length, by list order, by folder, or by a name mask.
#pragma once

#include "selection_rules.h"

#include <QDialog>

#include <functional>

class QButtonGroup;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace twinly {

class TSelectRuleForm final : public QDialog {
    Q_OBJECT
public:
    // The texts by message key with their built-in defaults.
    using Texts = std::function<QString(const char *key, const char *builtIn)>;
    // Asked for a folder, starting at the text given; empty when cancelled.
    using FolderChooser = std::function<QString(const QString &start)>;

    TSelectRuleForm(const SelectionRule &rule, const Texts &texts, FolderChooser chooseFolder,
                    QWidget *parent = nullptr);

    // The rule as the controls stand; nothing while a folder or mask rule lacks its text.
    std::optional<SelectionRule> rule() const;

private:
    void updateControls();
    void RuleFolderButClick();

    QButtonGroup *m_rules = nullptr;
    QLineEdit *RuleFolder = nullptr;
    QToolButton *RuleFolderBut = nullptr;
    QLineEdit *RuleMask = nullptr;
    QPushButton *OKBut = nullptr;
    FolderChooser m_chooseFolder;
};

} // namespace twinly
