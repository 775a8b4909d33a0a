// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "main_window.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

namespace twinly::test {

// Empties the suite's data, config and cache folders (the trash lives in the data folder).
// Only folders inside the suite's own test root are touched, never a real user's.
inline void emptyXdgFolders()
{
    const QString root = QDir::cleanPath(qEnvironmentVariable("TWINLY_TEST_XDG"));
    if (root.isEmpty() || root == QStringLiteral("."))
        return;
    for (const char *variable : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"}) {
        const QString folder = QDir::cleanPath(qEnvironmentVariable(variable));
        if (!folder.startsWith(root + QLatin1Char('/')))
            continue;
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
    }
}

template<typename W = QWidget> W *child(const QObject *window, const char *name)
{
    auto *w = window->findChild<W *>(QString::fromLatin1(name));
    if (!w)
        qFatal("no child named %s", name);
    return w;
}

// Brings the page holding the widget to the front, as a user has to before clicking on it.
inline void showPageOf(QWidget *widget)
{
    for (QWidget *w = widget; w && w->parentWidget(); w = w->parentWidget())
        if (auto *stack = qobject_cast<QStackedWidget *>(w->parentWidget())) {
            if (auto *tabs = qobject_cast<QTabWidget *>(stack->parentWidget()))
                tabs->setCurrentWidget(w); // as a click on the tab does
            else
                stack->setCurrentWidget(w);
        }
}

inline void click(const QObject *window, const char *name)
{
    auto *button = child<QAbstractButton>(window, name);
    showPageOf(button);
    if (!button->isVisible())
        qFatal("%s is not visible", name);
    // Check boxes and radio buttons take clicks on their box and text only; a layout may have
    // made the widget much wider than that.
    const bool boxed = qobject_cast<QCheckBox *>(button) || qobject_cast<QRadioButton *>(button);
    QTest::mouseClick(button, Qt::LeftButton, {},
                      boxed ? QPoint(6, button->height() / 2) : button->rect().center());
}

inline bool checked(const QObject *window, const char *name)
{
    return child<QAbstractButton>(window, name)->isChecked();
}

// Adds a folder the way a user does: pick it into the field, press the add button.
inline void addFolder(const QObject *window, const QString &folder)
{
    child<QLineEdit>(window, "DirectoryEdit")->setText(folder);
    click(window, "AddDirBut");
}

} // namespace twinly::test
