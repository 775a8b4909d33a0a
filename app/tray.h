// SPDX-License-Identifier: GPL-3.0-or-later
// The notification-area icon and the banner hand-over: the window hides to the tray when it
// is minimised and comes back at a click on the icon; the icon's image and hint tell whether a
// search runs; the banner is the program's main window, closed when the working window closes.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class QSystemTrayIcon;
class QWidget;

namespace twinly {

class Tray final : public QObject {
    Q_OBJECT
public:
    explicit Tray(QWidget *window);

    QSystemTrayIcon *icon() const { return TrayIcon; }
    // 0 idle; 1 and 2 the busy frames that alternate while searching.
    void setImage(int image);
    void setHint(const QString &hint);
    void showSearching();
    void showIdle();
    void hide();

    void setBanner(QWidget *banner) { m_banner = banner; }
    // The banner first (a closed one is skipped), then the working window.
    QList<QWidget *> translatedWindows() const;
    void closeBanner();

    void MinimizeToTray();
    void TrayIconClick(int reason);

private:
    QWidget *m_window;
    QSystemTrayIcon *TrayIcon;
    QPointer<QWidget> m_banner;
};

} // namespace twinly
