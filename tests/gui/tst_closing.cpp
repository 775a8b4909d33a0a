// SPDX-License-Identifier: GPL-3.0-or-later
// The program's endings while a worker thread runs: the window closed during a search or a
// delete run, the banner closed (which ends the program) during a delete run, and the window
// destroyed under a search. Each must end promptly, keep no result of a stopped search, and
// leave nothing that reaches the window once it is gone.
#include "adv_form.h"
#include "connectivity.h"
#include "fake_dialogs.h"
#include "file_operations.h"
#include "gui_helpers.h"
#include "results_model.h"
#include "temp_tree.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

using namespace twinly;
using namespace twinly::test;

namespace {

// Ends the test program when a step hangs, so that a deadlock fails instead of stalling.
class Watchdog {
public:
    Watchdog(const char *what, std::chrono::seconds limit)
        : m_thread([this, what, limit] {
              std::unique_lock lock(m_mutex);
              if (!m_done.wait_for(lock, limit, [this] { return m_finished; })) {
                  std::fprintf(stderr, "hung: %s\n", what);
                  std::_Exit(3);
              }
          })
    {}
    ~Watchdog()
    {
        {
            std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_done.notify_all();
        m_thread.join();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::thread m_thread;
};

} // namespace

class TestClosing : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_config; // fresh for each case: no settings carried over
    std::unique_ptr<TempTree> m_tree;
    std::unique_ptr<FakeDialogs> m_dialogs;
    std::atomic<int> m_deleted{0};

    QString settings(const char *name) { return m_config->filePath(QString::fromLatin1(name)); }

    std::unique_ptr<TForm1> newWindow(const char *settingsName)
    {
        auto w = std::make_unique<TForm1>();
        w->setSettingsPath(settings(settingsName));
        w->show();
        if (!QTest::qWaitForWindowExposed(w.get()))
            qFatal("window not shown");
        child<QLineEdit>(w.get(), "MaskEdit")->setText(QStringLiteral("*"));
        return w;
    }

    // A content search over many folders of equal files.
    void startSearch(TForm1 *w, int folders)
    {
        for (int i = 0; i < folders; ++i)
            m_tree->createFile("d" + std::to_string(i) + "/f", "same");
        addFolder(w, QString::fromStdString(m_tree->root()));
        click(w, "CheckDublicates");
        child<QAbstractButton>(w, "RecursiveDirs")->setChecked(true);
        child<QAbstractButton>(w, "CompareContent")->setChecked(true);
        child<QAbstractButton>(w, "IgnoreDate")->setChecked(true);
        child<QAbstractButton>(w, "IgnoreNames")->setChecked(true);
        click(w, "GoBut");
    }

    // Six equal files found, five checked, deleted from disk slowly (150 ms a file).
    void startSlowDeleteRun(TForm1 *w)
    {
        startSearch(w, 6);
        if (!QTest::qWaitFor([w] { return !w->Searching(); }, 20000))
            qFatal("search did not end");
        QCOMPARE(w->results()->size(), 6);
        click(w, "Radio3");
        m_dialogs->answer = true; // yes to every question before the run
        InstallFileOperation([this](const std::string &src, const std::string &dst,
                                    platform::FileOperation op, unsigned flags, bool replace) {
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            ++m_deleted;
            return platform::PerformFileOperation(src, dst, op, flags, replace);
        });
        for (int i = 1; i < 6; ++i)
            w->results()->setChecked(i, true);
        click(w, "DeleteAll");
        QVERIFY(w->Deleting());
    }

    int filesLeft()
    {
        int n = 0;
        for (int i = 0; i < 6; ++i)
            n += QFileInfo::exists(
                     QString::fromStdString(m_tree->path("d" + std::to_string(i) + "/f")))
                     ? 1
                     : 0;
        return n;
    }

private Q_SLOTS:
    void init()
    {
        emptyXdgFolders();
        platform::SetConnectivityCheck([] { return false; });
        m_config = std::make_unique<QTemporaryDir>();
        m_tree = std::make_unique<TempTree>();
        m_dialogs = std::make_unique<FakeDialogs>();
        m_deleted = 0;
    }
    void cleanup()
    {
        InstallFileOperation({});
        m_dialogs.reset();
        m_tree.reset();
        platform::SetConnectivityCheck({});
    }

    void closingDuringASearchStopsItAndShowsNothing()
    {
        TAdvertiseForm banner{QUrl()};
        QSignalSpy bannerClosed(&banner, &TAdvertiseForm::closed);
        auto w = newWindow("search.reg");
        w->setBanner(&banner);
        startSearch(w.get(), 300);
        QVERIFY(w->Searching());
        {
            Watchdog dog("closing during a search", std::chrono::seconds(30));
            w->close();
        }
        QVERIFY(!w->isVisible());
        QVERIFY(!w->Searching());
        QCOMPARE(bannerClosed.size(), 1);
        QVERIFY(QFileInfo::exists(settings("search.reg")));
        // Whatever the scanner had finished is not shown later either: its thread has ended, so
        // anything it queued is among the posted events now.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        QCOMPARE(w->results()->rowCount(), 0);
    }

    void theEndOfASearchIsNotDeliveredToAWindowThatIsGone()
    {
        // Destroyed right after Go, whether the scanner has finished (its end already queued)
        // or is still walking; the queued end must find nothing to run on.
        for (int round = 0; round < 20; ++round) {
            auto w = newWindow("gone.reg");
            startSearch(w.get(), round % 2 ? 40 : 2);
            if (round % 4 == 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            Watchdog dog("destroying the window during a search", std::chrono::seconds(30));
            w.reset();
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
        }
    }

    void closingDuringADeleteRunEndsAfterTheFileInHand()
    {
        TAdvertiseForm banner{QUrl()};
        QSignalSpy bannerClosed(&banner, &TAdvertiseForm::closed);
        auto w = newWindow("delete.reg");
        w->setBanner(&banner);
        startSlowDeleteRun(w.get());
        w->close(); // the window waits for the run, without blocking the run's calls into it
        QVERIFY(w->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!w->isVisible(), 10000);
        QVERIFY(!w->Deleting());
        QCOMPARE(bannerClosed.size(), 1);
        QVERIFY(m_deleted.load() < 5);
        QCOMPARE(filesLeft(), 6 - m_deleted.load()); // each file either gone or still there
        QVERIFY(QFileInfo::exists(settings("delete.reg")));
    }

    void closingTheBannerDuringADeleteRunEndsTheProgram_data()
    {
        QTest::addColumn<bool>("inTray");
        QTest::newRow("window shown") << false;
        QTest::newRow("window hidden in the tray") << true;
    }
    void closingTheBannerDuringADeleteRunEndsTheProgram()
    {
        // As the program is put together: the banner's closing quits the event loop, then the
        // window is destroyed.
        QFETCH(bool, inTray);
        TAdvertiseForm banner{QUrl()};
        QObject::connect(&banner, &TAdvertiseForm::closed, qApp, &QApplication::quit,
                         Qt::QueuedConnection);
        auto w = newWindow("banner.reg");
        w->setBanner(&banner);
        banner.setMainForm(w.get());
        startSlowDeleteRun(w.get());
        if (inTray)
            w->hide(); // as minimising does where there is a tray
        QTimer::singleShot(0, &banner, [&banner] { banner.close(); });
        {
            Watchdog dog("the event loop after the banner closed", std::chrono::seconds(30));
            QApplication::exec();
        }
        {
            Watchdog dog("destroying the window after the program's end", std::chrono::seconds(30));
            w.reset();
        }
        QVERIFY(m_deleted.load() < 5);
        QCOMPARE(filesLeft(), 6 - m_deleted.load());
    }

    void destroyingTheWindowDuringADeleteRunDoesNotWaitForever()
    {
        // The event loop has already ended (the program is going away) while the run is
        // waiting on the window for a row to be removed.
        auto w = newWindow("destroy.reg");
        startSlowDeleteRun(w.get());
        // The run asks the window before every file; once one is gone, the window stops
        // answering and the run is left waiting on it.
        QTRY_VERIFY_WITH_TIMEOUT(m_deleted.load() >= 1, 20000);
        std::this_thread::sleep_for(std::chrono::milliseconds(400)); // the run waits on us now
        {
            Watchdog dog("destroying the window during a delete run", std::chrono::seconds(30));
            w.reset();
        }
        QVERIFY(m_deleted.load() >= 1);
        QVERIFY(m_deleted.load() < 5);
        QCOMPARE(filesLeft(), 6 - m_deleted.load());
        // Whatever the run had queued finds no window.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
};

QTEST_MAIN(TestClosing)
#include "tst_closing.moc"
