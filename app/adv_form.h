// SPDX-License-Identifier: GPL-3.0-or-later
// The small banner that shows the advertisement page while the machine is online. It is the
// application's first window: closing it ends the program.
#pragma once

#include <QPointer>
#include <QUrl>
#include <QWidget>

class QNetworkAccessManager;
class QTextBrowser;
class QTimer;

namespace twinly {

class TAdvertiseForm final : public QWidget {
    Q_OBJECT
public:
    // `server`: the advertisement server's root address; empty shows no banner at all.
    explicit TAdvertiseForm(const QUrl &server, QWidget *parent = nullptr);

    void setMainForm(QWidget *form) { m_mainForm = form; }
    QUrl pageUrl() const;

    void FormCreate();
    void Timer1Timer();

Q_SIGNALS:
    void closed();

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void FormShow();
    void FormResize();
    void setOnline(bool online);
    void setBlankTitle();

    QUrl m_server;
    QTextBrowser *Web = nullptr;
    QTimer *Timer1 = nullptr;
    QNetworkAccessManager *m_network = nullptr;
    QPointer<QWidget> m_mainForm;
};

} // namespace twinly
