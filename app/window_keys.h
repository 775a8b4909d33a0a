// SPDX-License-Identifier: GPL-3.0-or-later
// The keyboard's way to the tool bar: F5 or Ctrl+Return starts a search, Esc stops it, Ctrl+Q
// exits, Ctrl+Tab and Ctrl+Shift+Tab move between the pages. A key acts exactly as a click on
// its button would (nothing while the button is disabled). The buttons' hints name their keys
// and, for a disabled Go, the reason; the hint texts themselves stay what language files
// translate, the keys are added as the hint is shown.
#pragma once

#include <QKeySequence>
#include <QList>
#include <QObject>

#include <functional>
#include <map>

class QAbstractButton;
class QLabel;
class QShortcut;
class QTabWidget;
class QWidget;

namespace twinly {

class WindowKeys final : public QObject {
    Q_OBJECT
public:
    struct Parts {
        QWidget *window;
        QTabWidget *pages;
        QAbstractButton *go, *stop, *exit;
    };
    // `goDisabledReason` says why Go cannot be pressed now (empty when it can).
    WindowKeys(const Parts &parts, std::function<QString()> goDisabledReason);

    // Esc belongs to the search only while one runs; otherwise it stays with the list's editor
    // and the dialogs.
    void setSearching(bool searching);
    // The hint as shown for `button` now: its text, its keys, and why it is disabled.
    QString hintShown(const QAbstractButton *button) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void bind(QAbstractButton *button, const QList<QKeySequence> &keys);
    void movePage(int step);

    Parts m_parts;
    std::function<QString()> m_goDisabledReason;
    std::map<const QAbstractButton *, QList<QKeySequence>> m_keys;
    QShortcut *m_stopKey = nullptr;
};

// A label that stands beside a button acts like it: a click on the label is a click on the
// button (nothing while the button is disabled).
void ActAsButton(QLabel *label, QAbstractButton *button);

} // namespace twinly
