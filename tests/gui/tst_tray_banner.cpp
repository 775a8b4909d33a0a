// SPDX-License-Identifier: GPL-3.0-or-later
#include "adv_form.h"
#include "connectivity.h"
#include "fake_dialogs.h"
#include "gui_helpers.h"
#include "search_job.h"
#include "temp_tree.h"
#include "tray.h"

#include <QDialog>
#include <QLabel>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>

using namespace twinly;
using namespace twinly::test;

// A tiny HTTP server on the loopback address that answers every request with one page.
class PageServer : public QObject {
public:
    explicit PageServer(QByteArray body) : m_body(std::move(body))
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            QTcpSocket *s = m_server.nextPendingConnection();
            connect(s, &QTcpSocket::readyRead, s, [this, s] {
                const QByteArray request = s->readAll();
                paths << QString::fromLatin1(request.split(' ').value(1));
                s->write("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                         QByteArray::number(m_body.size()) + "\r\n\r\n" + m_body);
                s->disconnectFromHost();
            });
        });
    }
    QUrl root() const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(m_server.serverPort()));
    }
    QStringList paths;

private:
    QTcpServer m_server;
    QByteArray m_body;
};

class TestTrayBanner : public QObject {
    Q_OBJECT

    QTemporaryDir m_config;

private Q_SLOTS:
    void init() { emptyXdgFolders(); }
    void cleanup() { platform::SetConnectivityCheck({}); }

    void trayHintFollowsTheSearch()
    {
        TempTree tree;
        for (int i = 0; i < 3; ++i)
            tree.createFile("f" + std::to_string(i), "same");
        TForm1 w;
        w.setSettingsPath(m_config.filePath(QStringLiteral("a.reg")));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QSystemTrayIcon *tray = w.trayIcon();
        QCOMPARE(tray->toolTip(), QStringLiteral("Zorvik"));
        w.findChild<SearchJob *>()->Timer1Timer();
        QCOMPARE(tray->toolTip(), QStringLiteral("Twinly"));
        addFolder(&w, QString::fromStdString(tree.root()));
        child<QLineEdit>(&w, "MaskEdit")->setText(QStringLiteral("*"));
        click(&w, "GoBut");
        QCOMPARE(tray->toolTip(), QStringLiteral("Searching dublicates"));
        QCOMPARE(tray->property("image").toInt(), 1);
        w.findChild<SearchJob *>()->Timer1Timer();
        // The phase with its percentage, then the counts so far in short.
        const QStringList lines = tray->toolTip().split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0], QStringLiteral("Twinly"));
        QVERIFY(lines[1].endsWith(QStringLiteral("% done")));
        QVERIFY(lines[2].endsWith(QStringLiteral(" found")));
        QTRY_VERIFY(!w.Searching());
        QCOMPARE(tray->toolTip(), QStringLiteral("Zorvik"));
        QCOMPARE(tray->property("image").toInt(), 0);
    }

    void withoutATrayMinimisingKeepsTheWindow()
    {
        QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable()); // offscreen has none
        TForm1 w;
        w.setSettingsPath(m_config.filePath(QStringLiteral("b.reg")));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.findChild<Tray *>()->MinimizeToTray();
        QVERIFY(w.isVisible());
        QVERIFY(!w.trayIcon()->isVisible());
        // A tray click restores; the middle button does nothing.
        w.showMinimized();
        w.findChild<Tray *>()->TrayIconClick(QSystemTrayIcon::MiddleClick);
        QVERIFY(w.isMinimized() || !w.isVisible() || w.windowState() & Qt::WindowMinimized);
        w.findChild<Tray *>()->TrayIconClick(QSystemTrayIcon::Context);
        QVERIFY(!(w.windowState() & Qt::WindowMinimized));
    }

    // The icon's own window is still handling the press when the click is reported: the icon
    // must outlive that delivery and leave afterwards. Left and right buttons restore alike.
    void clickOnTheIconRestoresAndTheIconLeavesAfterThePress()
    {
        TForm1 w;
        w.setSettingsPath(m_config.filePath(QStringLiteral("e.reg")));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QSystemTrayIcon *tray = w.trayIcon();
        for (const auto reason : {QSystemTrayIcon::Context, QSystemTrayIcon::Trigger}) {
            w.showMinimized();
            tray->show(); // as MinimizeToTray does where a tray exists
            bool presentDuringDelivery = false;
            const auto during = connect(tray, &QSystemTrayIcon::activated, this,
                                        [&] { presentDuringDelivery = tray->isVisible(); });
            Q_EMIT tray->activated(reason);
            disconnect(during);
            QVERIFY(presentDuringDelivery);
            QVERIFY(!(w.windowState() & Qt::WindowMinimized));
            QVERIFY(w.isVisible());
            QTRY_VERIFY(!tray->isVisible());
        }
        // The middle button leaves everything as it is.
        tray->show();
        Q_EMIT tray->activated(QSystemTrayIcon::MiddleClick);
        QCoreApplication::processEvents();
        QVERIFY(tray->isVisible());
        tray->hide();
    }

    void bannerFollowsTheConnectionAndLoadsThePage()
    {
        PageServer server("<p>Twinly news</p>");
        bool online = false;
        platform::SetConnectivityCheck([&] { return online; });
        TAdvertiseForm banner(server.root());
        QVERIFY(!banner.isVisible()); // offline at creation
        QCOMPARE(banner.pageUrl(), server.root().resolved(QUrl(QStringLiteral("adv.html"))));
        online = true;
        banner.Timer1Timer();
        QVERIFY(banner.isVisible());
        QTRY_COMPARE(server.paths, QStringList{QStringLiteral("/adv.html")});
        QTRY_VERIFY(banner.findChild<QTextBrowser *>(QStringLiteral("Web"))
                        ->toPlainText()
                        .contains(QStringLiteral("Twinly news")));
        QCOMPARE(banner.size(), QSize(480, 60));
        // Minimised by any means, it comes back at once.
        banner.showMinimized();
        QTRY_VERIFY(!banner.isMinimized());
        online = false;
        banner.Timer1Timer();
        QVERIFY(!banner.isVisible());
        QCOMPARE(server.paths.size(), 1);
        // No server configured: nothing to advertise, never shown.
        online = true;
        TAdvertiseForm none{QUrl()};
        none.Timer1Timer();
        QVERIFY(!none.isVisible());
    }

    void closingTheWindowClosesTheBannerAfterSavingSettings()
    {
        platform::SetConnectivityCheck([] { return false; });
        TAdvertiseForm banner{QUrl()};
        QSignalSpy closed(&banner, &TAdvertiseForm::closed);
        const QString settings = m_config.filePath(QStringLiteral("c.reg"));
        {
            TForm1 w;
            w.setSettingsPath(settings);
            w.setBanner(&banner);
            banner.setMainForm(&w);
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            click(&w, "ExitBut");
            QVERIFY(!w.isVisible());
        }
        QCOMPARE(closed.size(), 1);
        QVERIFY(QFile::exists(settings));
    }

    void aboutShowsNameAndVersion()
    {
        TForm1 w;
        w.setSettingsPath(m_config.filePath(QStringLiteral("d.reg")));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTimer::singleShot(0, [&] {
            auto *about = w.findChild<QDialog *>(QStringLiteral("AboutBox1"));
            QVERIFY(about);
            QVERIFY(about->findChild<QLabel *>(QStringLiteral("Version"))
                        ->text()
                        .contains(QStringLiteral(TWINLY_VERSION)));
            about->accept();
        });
        click(&w, "SpeedButton1");
    }
};

QTEST_MAIN(TestTrayBanner)
#include "tst_tray_banner.moc"
