// SPDX-License-Identifier: GPL-3.0-or-later
// Scripted answers for every dialog of the program; records what the user would have seen.
#pragma once

#include "dialogs.h"
#include "path_text.h"

#include <QStringList>

#include <vector>

namespace twinly::test {

class FakeDialogs final : public Dialogs {
public:
    FakeDialogs() { install(this); }
    ~FakeDialogs() override { install(nullptr); }

    void error(QWidget *, const QString &caption, const QString &text) override
    {
        errors << caption + QStringLiteral(": ") + text;
    }
    bool question(QWidget *, const QString &caption, const QString &text, bool) override
    {
        questions << caption + QStringLiteral(": ") + text;
        return answer;
    }
    QString chooseFolder(QWidget *, const QString &) override { return folder; }
    QString chooseOpenFile(QWidget *, const QString &, const QString &) override { return file; }
    QString chooseSaveFile(QWidget *, const QString &, const QString &) override { return file; }

    bool getText(QWidget *, const QString &caption, const QString &, QString &text) override
    {
        inputs << caption + QStringLiteral(": ") + text;
        if (!inputText.isNull())
            text = inputText;
        return inputAccepted;
    }
    // The destination is `folder` read as the user's text (DisplayPath's escapes undone).
    bool chooseDestination(QWidget *, const QString &caption, const std::string &,
                           std::string &chosen) override
    {
        destinations << caption;
        chosen = platform::PathFromUserText(folder);
        return destinationAccepted;
    }
    QString fileContextMenu(QWidget *, const QPoint &, const std::string &path) override
    {
        contextMenus.push_back(path);
        return {};
    }

    QStringList errors;
    QStringList inputs;
    QString inputText; // null: keep the default text
    bool inputAccepted = true;
    QStringList destinations;
    bool destinationAccepted = true;
    std::vector<std::string> contextMenus; // the paths' bytes
    QStringList questions;
    bool answer = false;
    QString folder;
    QString file;
};

} // namespace twinly::test
