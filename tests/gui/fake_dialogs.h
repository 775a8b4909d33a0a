// SPDX-License-Identifier: GPL-3.0-or-later
// Scripted answers for every dialog of the program; records what the user would have seen.
#pragma once

#include "dialogs.h"
#include "path_text.h"

#include <QEventLoop>
#include <QList>
#include <QStringList>
#include <QTimer>

#include <optional>
#include <vector>

namespace twinly::test {

class FakeDialogs final : public Dialogs {
public:
    FakeDialogs() { install(this); }
    ~FakeDialogs() override { install(nullptr); }

    void error(QWidget *, const QString &caption, const QString &text) override
    {
        errors << caption + QStringLiteral(": ") + text;
        if (!modalErrors)
            return;
        // As a real box: events go on while it waits, until the user's OK.
        QEventLoop loop;
        m_loop = &loop;
        QTimer::singleShot(okAfterMs, &loop, [&loop] { loop.exit(0); });
        acknowledged << (loop.exec() == 0);
        m_loop = nullptr;
    }
    // Ends an open box from outside, as the program's ending ends every event loop.
    void endOpenBox()
    {
        if (m_loop)
            m_loop->exit(1);
    }
    bool boxOpen() const { return m_loop != nullptr; }
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
    // The destination is `folder` read as the user's text (DisplayPath's escapes undone).
    bool chooseDestination(QWidget *, const QString &caption, const std::string &,
                           std::string &chosen) override
    {
        destinations << caption;
        chosen = platform::PathFromUserText(folder);
        return destinationAccepted;
    }
    bool chooseItem(QWidget *, const QString &caption, const QString &, const QStringList &items,
                    int &index) override
    {
        itemChoices << caption + QStringLiteral(": ") + items.join(QLatin1Char('|'));
        if (itemIndex >= 0)
            index = itemIndex;
        return itemAccepted;
    }
    bool chooseSelectionRule(QWidget *, const Texts &, SelectionRule &rule) override
    {
        offeredRules.push_back(rule);
        if (selectionRule)
            rule = *selectionRule;
        return ruleAccepted;
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
    QStringList itemChoices;
    int itemIndex = -1; // negative: keep the default
    bool itemAccepted = true;
    std::vector<SelectionRule> offeredRules;    // what each rule dialog opened with
    std::optional<SelectionRule> selectionRule; // nothing: keep the rule offered
    bool ruleAccepted = true;
    QStringList questions;
    bool answer = false;
    QList<bool> answers; // taken one by one before `answer` applies
    QString folder;
    QString file;
    // Error boxes that wait for the user's OK, okAfterMs after they open; `acknowledged` tells
    // for each whether the OK closed it (false: it was ended before the user could read it).
    bool modalErrors = false;
    int okAfterMs = 100;
    QList<bool> acknowledged;

private:
    QEventLoop *m_loop = nullptr;
};

} // namespace twinly::test
