// SPDX-License-Identifier: GPL-3.0-or-later
#include "adv_form.h"

#include "connectivity.h"

#include <QCloseEvent>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTextBrowser>
#include <QTimer>
#include <QVBoxLayout>

namespace twinly {

TAdvertiseForm::TAdvertiseForm(const QUrl &server, QWidget *parent)
    : QWidget(parent,
              Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_server(server)
{
    setObjectName(QStringLiteral("AdvertiseForm"));
    setBlankTitle();
    setFixedSize(480, 60);
    move(526, 103);
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    Web = new QTextBrowser(this);
    Web->setObjectName(QStringLiteral("Web"));
    Web->setOpenExternalLinks(true);
    Web->setFrameShape(QFrame::NoFrame);
    v->addWidget(Web);
    m_network = new QNetworkAccessManager(this);
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(45000);
    connect(Timer1, &QTimer::timeout, this, &TAdvertiseForm::Timer1Timer);
    Timer1->start();
    FormCreate();
}

QUrl TAdvertiseForm::pageUrl() const
{
    if (m_server.isEmpty())
        return {};
    return m_server.resolved(QUrl(QStringLiteral("adv.html")));
}

void TAdvertiseForm::FormCreate()
{
    // No page is loaded now; the first tick loads it.
    setOnline(platform::IsInternetConnected());
}

void TAdvertiseForm::setOnline(bool online)
{
    // Without a server there is nothing to advertise: the banner stays away.
    setVisible(online && !m_server.isEmpty());
}

void TAdvertiseForm::Timer1Timer()
{
    const bool online = platform::IsInternetConnected();
    setOnline(online);
    if (!online || m_server.isEmpty())
        return;
    QNetworkReply *reply = m_network->get(QNetworkRequest(pageUrl()));
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        // The outcome is not judged: whatever arrived is shown until the next tick.
        if (reply->error() == QNetworkReply::NoError)
            Web->setHtml(QString::fromUtf8(reply->readAll()));
        reply->deleteLater();
    });
}

void TAdvertiseForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    FormShow();
}

void TAdvertiseForm::FormShow()
{
    if (m_mainForm) {
        m_mainForm->activateWindow();
        m_mainForm->setFocus();
    }
}

void TAdvertiseForm::setBlankTitle()
{
    // The title bar stays empty. An empty title is not enough: the window system is then
    // given the program's name instead.
    setWindowTitle(QStringLiteral(" "));
}

void TAdvertiseForm::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        FormResize();
    else if (event->type() == QEvent::WindowTitleChange && windowTitle().isEmpty())
        setBlankTitle(); // a language file's empty caption
}

void TAdvertiseForm::FormResize()
{
    if (isMinimized())
        QTimer::singleShot(0, this, [this] { showNormal(); });
}

void TAdvertiseForm::closeEvent(QCloseEvent *event)
{
    Timer1->stop();
    QWidget::closeEvent(event);
    Q_EMIT closed();
}

} // namespace twinly
