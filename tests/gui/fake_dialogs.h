// SPDX-License-Identifier: GPL-3.0-or-later
// Scripted answers for every dialog of the program; records what the user would have seen.
#pragma once

#include "dialogs.h"

#include <QStringList>

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
        return answers.isEmpty() ? answer : answers.takeFirst();
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
    bool chooseDestination(QWidget *, const QString &caption, const QString &,
                           QString &chosen) override
    {
        destinations << caption;
        chosen = folder;
        return destinationAccepted;
    }
    QString fileContextMenu(QWidget *, const QPoint &, const QString &path) override
    {
        contextMenus << path;
        return {};
    }

    QStringList errors;
    QStringList inputs;
    QString inputText; // null: keep the default text
    bool inputAccepted = true;
    QStringList destinations;
    bool destinationAccepted = true;
    QStringList contextMenus;
    QStringList questions;
    bool answer = false;
    QList<bool> answers; // taken one by one before `answer` applies
    QString folder;
    QString file;
};

} // namespace twinly::test
