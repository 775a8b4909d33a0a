// SPDX-License-Identifier: GPL-3.0-or-later
#include "tray.h"

#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QWidget>

namespace twinly {

namespace {

QIcon trayImage(int image)
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1.5));
    p.setBrush(QColor(255, 60, 60));
    p.drawRoundedRect(QRectF(3, 3, 17, 22), 3, 3);
    p.setBrush(QColor(60, 220, 60));
    p.drawRoundedRect(QRectF(12, 7, 17, 22), 3, 3);
    if (image > 0) {
        p.setBrush(Qt::blue);
        p.setPen(Qt::NoPen);
        const QPointF at = image == 1 ? QPointF(9, 26) : QPointF(23, 26);
        p.drawEllipse(at, 4, 4);
    }
    return QIcon(pm);
}

} // namespace

Tray::Tray(QWidget *window) : QObject(window), m_window(window)
{
    // A child of the window, where the translator looks for the texts to replace.
    TrayIcon = new QSystemTrayIcon(window);
    TrayIcon->setObjectName(QStringLiteral("TrayIcon"));
    TrayIcon->setToolTip(QStringLiteral("Zorvik"));
    setImage(0);
    connect(TrayIcon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { TrayIconClick(reason); });
}

void Tray::setImage(int image)
{
    TrayIcon->setIcon(trayImage(image));
    TrayIcon->setProperty("image", image);
}

void Tray::setHint(const QString &hint)
{
    TrayIcon->setToolTip(hint);
}

void Tray::showSearching()
{
    setImage(1);
    setHint(QStringLiteral("Searching dublicates"));
}

void Tray::showIdle()
{
    setImage(0);
    setHint(QStringLiteral("Zorvik"));
}

void Tray::hide()
{
    TrayIcon->hide();
}

QList<QWidget *> Tray::translatedWindows() const
{
    QList<QWidget *> windows;
    if (m_banner)
        windows << m_banner.data();
    windows << m_window;
    return windows;
}

void Tray::closeBanner()
{
    if (m_banner)
        m_banner->close();
}

void Tray::MinimizeToTray()
{
    // With no tray to bring it back from, the window stays minimised where it is.
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    m_window->hide();
    TrayIcon->show();
}

void Tray::TrayIconClick(int reason)
{
    if (reason != QSystemTrayIcon::Trigger && reason != QSystemTrayIcon::Context)
        return; // the middle button does nothing
    m_window->showNormal();
    m_window->raise();
    m_window->activateWindow();
    // The click reaches here while Qt is still delivering the button press to the icon's own
    // window; hiding the icon now destroys that window under the event being delivered. The
    // icon goes once the event loop has finished with the press.
    QMetaObject::invokeMethod(TrayIcon, &QSystemTrayIcon::hide, Qt::QueuedConnection);
}

} // namespace twinly
