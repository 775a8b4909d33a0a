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
        return answer;
    }
    QString chooseFolder(QWidget *, const QString &) override { return folder; }
    QString chooseOpenFile(QWidget *, const QString &, const QString &) override { return file; }
    QString chooseSaveFile(QWidget *, const QString &, const QString &) override { return file; }

    QStringList errors;
    QStringList questions;
    bool answer = false;
    QString folder;
    QString file;
};

} // namespace twinly::test
