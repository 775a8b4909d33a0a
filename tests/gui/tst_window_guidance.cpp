// SPDX-License-Identifier: GPL-3.0-or-later
// What the window tells and offers without being asked: counts while a search runs, what it
// found when it ends, what to do with nothing to search, keys for the tool bar, labels that
// act like their buttons, a status bar wide enough for its texts.
#include "fake_dialogs.h"
#include "gui_helpers.h"
#include "multi_language.h"
#include "progress.h"
#include "results_model.h"
#include "search_job.h"
#include "temp_tree.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QHelpEvent>
#include <QLabel>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolTip>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

using namespace twinly;
using namespace twinly::test;

class TestWindowGuidance : public QObject {
    Q_OBJECT

    QTemporaryDir m_config;
    QTemporaryDir m_languages;
    std::unique_ptr<FakeDialogs> m_dialogs;
    std::unique_ptr<TForm1> m_window;
    std::unique_ptr<QAbstractItemModelTester> m_modelTester;
    std::unique_ptr<TempTree> m_tree;

    TForm1 *w() { return m_window.get(); }
    QString root() { return QString::fromStdString(m_tree->root()); }
    QString counts() { return child<QLabel>(w(), "StatusCounts")->text(); }
    QLabel *note() { return child<QLabel>(w(), "EmptyListNote"); }
    QString noteShown() { return note()->isVisible() ? note()->text() : QString(); }

    void prepareDuplicateSearch()
    {
        addFolder(w(), root());
        // Set, not clicked: a first run already starts with some of them on.
        child<QAbstractButton>(w(), "CheckDublicates")->setChecked(true);
        child<QAbstractButton>(w(), "RecursiveDirs")->setChecked(true);
        child<QAbstractButton>(w(), "CompareContent")->setChecked(true);
        child<QAbstractButton>(w(), "IgnoreDate")->setChecked(true);
        child<QAbstractButton>(w(), "IgnoreNames")->setChecked(true);
    }
    void waitForSearchEnd() { QTRY_VERIFY_WITH_TIMEOUT(!w()->Searching(), 20000); }
    void press(QKeySequence key) { QTest::keyClick(w(), key[0].key(), key[0].keyboardModifiers()); }
    // The hint as the pointer resting on the button brings it up.
    QString hintOf(const char *name)
    {
        auto *button = child<QWidget>(w(), name);
        const QPoint at = button->rect().center();
        QHelpEvent help(QEvent::ToolTip, at, button->mapToGlobal(at));
        QApplication::sendEvent(button, &help);
        const QString text = QToolTip::text();
        QToolTip::hideText();
        return text;
    }

private Q_SLOTS:
    void init()
    {
        emptyXdgFolders();
        TMultiLang::setLanguageFolder(m_languages.path());
        m_dialogs = std::make_unique<FakeDialogs>();
        m_tree = std::make_unique<TempTree>();
        QFile::remove(m_config.filePath(QStringLiteral("Zorvik.reg")));
        m_window = std::make_unique<TForm1>();
        m_modelTester = std::make_unique<QAbstractItemModelTester>(
            w()->results(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        w()->setSettingsPath(m_config.filePath(QStringLiteral("Zorvik.reg")));
        w()->show();
        QVERIFY(QTest::qWaitForWindowExposed(w()));
        child<QLineEdit>(w(), "MaskEdit")->setText(QStringLiteral("*"));
    }
    void cleanup()
    {
        m_modelTester.reset();
        m_window.reset();
        m_tree.reset();
        m_dialogs.reset();
    }

    // The scanner is held after its reads: the counts of what it found and read stand in the
    // status bar and, in short, in the tray's hint.
    void aRunningSearchShowsItsCountsInTheStatusBarAndTheTray()
    {
        m_tree->createFile("a/one", "pair");
        m_tree->createFile("b/one", "pair");
        m_tree->createFile("c/alone", "a size of its own");
        prepareDuplicateSearch();
        auto at = std::make_shared<std::atomic<int>>(-1);
        auto release = std::make_shared<std::atomic<bool>>(false);
        struct Release {
            std::shared_ptr<std::atomic<bool>> flag;
            ~Release() { *flag = true; }
        } releaseOnExit{release};
        w()->findChild<SearchJob *>()->setScannerHook([at, release](TDirScanner &scanner) {
            scanner.Progress.setPhaseObserver([at, release](Phase phase) {
                if (phase != Phase::ComparingFiles && phase != Phase::RemovingDifferentFiles)
                    return;
                *at = static_cast<int>(phase);
                while (*release == false)
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                *release = false;
            });
        });
        click(w(), "GoBut");
        QTRY_COMPARE_WITH_TIMEOUT(at->load(), static_cast<int>(Phase::ComparingFiles), 20000);
        QTRY_COMPARE(counts(), QStringLiteral("3 files found"));
        QSystemTrayIcon *tray = w()->trayIcon();
        QTRY_VERIFY_WITH_TIMEOUT(tray->toolTip().endsWith(QStringLiteral("\r\n3 files found")),
                                 3000);

        *release = true;
        QTRY_COMPARE_WITH_TIMEOUT(at->load(), static_cast<int>(Phase::RemovingDifferentFiles),
                                  20000);
        // The file alone with its size is never read.
        QTRY_COMPARE(counts(), QStringLiteral("2 of 2 files read, 8 bytes of 8 bytes"));
        // The hint follows the timer, which may still show the phase before: wait for both.
        QTRY_VERIFY_WITH_TIMEOUT(tray->toolTip().endsWith(QStringLiteral("\r\n2/2 files")) &&
                                     tray->toolTip().startsWith(QStringLiteral(
                                         "Twinly\r\nRemoving diferent files fom list - ")),
                                 3000);

        *release = true;
        waitForSearchEnd();
        QCOMPARE(counts(), QStringLiteral("1 group, 2 files, 4 bytes in redundant copies"));
        QCOMPARE(tray->toolTip(), QStringLiteral("Zorvik"));
    }

    // Until the next search the status bar says what the last one found; an empty list says
    // it too.
    void anEndedSearchSaysWhatItFoundUntilTheNextOne()
    {
        const std::string big(3072, 'b');
        const std::string mid(1536, 'm');
        for (const char *f : {"x/1", "x/2"})
            m_tree->createFile(f, big);
        for (const char *f : {"y/1", "y/2", "y/3"})
            m_tree->createFile(f, mid);
        m_tree->createFile("z/unique", "unique");
        prepareDuplicateSearch();
        click(w(), "GoBut");
        waitForSearchEnd();
        QCOMPARE(w()->results()->rowCount(), 5);
        QCOMPARE(counts(), QStringLiteral("2 groups, 5 files, 6.0 kB in redundant copies"));
        QVERIFY(noteShown().isEmpty());

        // Only different files left: nothing to list, and the list says so.
        QVERIFY(QDir(root() + QStringLiteral("/x")).removeRecursively());
        QVERIFY(QDir(root() + QStringLiteral("/y")).removeRecursively());
        m_tree->createFile("other", "other content");
        click(w(), "GoBut");
        waitForSearchEnd();
        QCOMPARE(w()->results()->rowCount(), 0);
        QCOMPARE(counts(), QStringLiteral("No duplicates found in 2 files"));
        QCOMPARE(noteShown(), counts());

        // A plain listing counts its rows.
        child<QAbstractButton>(w(), "CheckDublicates")->setChecked(false);
        click(w(), "GoBut");
        waitForSearchEnd();
        QCOMPARE(w()->results()->rowCount(), 2);
        QCOMPARE(counts(), QStringLiteral("2 files"));

        // Stopped: nothing of it is told.
        click(w(), "GoBut");
        click(w(), "StopBut");
        waitForSearchEnd();
        QCOMPARE(counts(), QString());
    }

    // With no folder, the empty list says what to do and Go's hint why it cannot be pressed.
    void withNoFolderTheListAndGoSayWhatToDo()
    {
        QVERIFY(note()->isVisible());
        QVERIFY(note()->text().contains(QStringLiteral("Options")));
        QCOMPARE(hintOf("GoBut"), QStringLiteral("Go. (F5, Ctrl+Return)\nAdd a folder to search "
                                                 "on the Options page first."));
        addFolder(w(), root());
        click(w(), "RezBut");
        QVERIFY(!note()->isVisible());
        QCOMPARE(hintOf("GoBut"), QStringLiteral("Go. (F5, Ctrl+Return)"));
        QCOMPARE(hintOf("StopBut"), QStringLiteral("Stop. (Esc)"));
        QCOMPARE(hintOf("ExitBut"), QStringLiteral("Exit program. (Ctrl+Q)"));
        child<QListWidget>(w(), "DirList")->setCurrentRow(0);
        click(w(), "DelDirBut");
        click(w(), "RezBut");
        QVERIFY(note()->isVisible());
    }

    // A language file translates the hint; the keys are still named after it.
    void translatedHintsStillNameTheirKeys()
    {
        QFile f(m_languages.filePath(QStringLiteral("Test.lng")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[Hint.Form1]\nGoBut=Los.\n[Strings]\nstrGoNoFolders=Erst Ordner.\n"
                "strNoFolders=Kein Ordner.\n");
        f.close();
        auto *tabs = child<QTabWidget>(w(), "PageControl1");
        tabs->setCurrentIndex(tabs->count() - 1); // "More options" refreshes the list
        auto *list = child<QComboBox>(w(), "Languages");
        const int index = list->findText(QStringLiteral("Test.lng"));
        QVERIFY(index >= 0);
        list->setCurrentIndex(index);
        Q_EMIT list->activated(index);
        QCOMPARE(hintOf("GoBut"), QStringLiteral("Los. (F5, Ctrl+Return)\nErst Ordner."));
        QCOMPARE(note()->text(), QStringLiteral("Kein Ordner."));
        QFile::remove(f.fileName());
    }

    void keysWorkTheToolBar()
    {
        w()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w()));
        auto *tabs = child<QTabWidget>(w(), "PageControl1");
        QCOMPARE(tabs->currentIndex(), 0);
        press(QKeySequence(Qt::CTRL | Qt::Key_Tab));
        QCOMPARE(tabs->currentWidget(), child(w(), "OptionsPageScroll"));
        // The visual page's tab is absent: from "Options" straight on to "More options".
        press(QKeySequence(Qt::CTRL | Qt::Key_Tab));
        QCOMPARE(tabs->currentIndex(), tabs->count() - 1);
        press(QKeySequence(Qt::CTRL | Qt::Key_Tab));
        QCOMPARE(tabs->currentIndex(), 0);
        press(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab));
        QCOMPARE(tabs->currentIndex(), tabs->count() - 1);

        // F5 with nothing to search does nothing, as Go would.
        press(QKeySequence(Qt::Key_F5));
        QVERIFY(!w()->Searching());
        for (int i = 0; i < 40; ++i)
            m_tree->createFile("d" + std::to_string(i) + "/f", "same");
        prepareDuplicateSearch();
        press(QKeySequence(Qt::Key_F5));
        QVERIFY(w()->Searching());
        press(QKeySequence(Qt::Key_Escape));
        QVERIFY(w()->StopRequested());
        waitForSearchEnd();
        QCOMPARE(w()->results()->rowCount(), 0);
        press(QKeySequence(Qt::CTRL | Qt::Key_Return));
        waitForSearchEnd();
        QCOMPARE(w()->results()->rowCount(), 40);

        press(QKeySequence(Qt::CTRL | Qt::Key_Q));
        QVERIFY(!w()->isVisible());
    }

    void labelsActLikeTheirButtons()
    {
        for (const char *f : {"r/1", "r/2", "r/3"})
            m_tree->createFile(f, "three");
        prepareDuplicateSearch();
        click(w(), "GoBut");
        waitForSearchEnd();
        ResultsModel *model = w()->results();
        QCOMPARE(model->rowCount(), 3);
        model->setChecked(1, true);
        auto *remove = child<QLabel>(w(), "Label2");
        QTest::mouseClick(remove, Qt::LeftButton, {}, remove->rect().center());
        QCOMPARE(model->rowCount(), 2);

        // Deleting asks first: the answer "no" leaves everything.
        child<QAbstractButton>(w(), "ConfDelAll")->setChecked(true);
        click(w(), "RezBut");
        model->setChecked(0, true);
        m_dialogs->answer = false;
        auto *del = child<QLabel>(w(), "Label1");
        QTest::mouseClick(del, Qt::LeftButton, {}, del->rect().center());
        QCOMPARE(m_dialogs->questions.size(), 1);
        QCOMPARE(model->rowCount(), 2);
        for (const char *f : {"r/1", "r/2", "r/3"})
            QVERIFY(QFileInfo::exists(QString::fromStdString(m_tree->path(f))));
        // The right button is no click.
        m_dialogs->questions.clear();
        QTest::mouseClick(del, Qt::RightButton, {}, del->rect().center());
        QVERIFY(m_dialogs->questions.isEmpty());
    }

    // Panel 0 shows every phase text whole, in the bar's font at any size.
    void theActivityPanelFitsEveryPhaseText()
    {
        auto *panel = child<QLabel>(w(), "StatusPanel0");
        auto fits = [&] {
            for (Phase p :
                 {Phase::CreatingPathList, Phase::ComparingFiles, Phase::CalculatingImageProperties,
                  Phase::CalculatingCrc, Phase::RemovingDifferentFiles}) {
                const QString text = QString::fromLatin1(PhaseText(p).data());
                if (panel->contentsRect().width() < panel->fontMetrics().horizontalAdvance(text))
                    return false;
            }
            return true;
        };
        QVERIFY(fits());
        QFont large = w()->statusBar()->font();
        large.setPointSizeF(large.pointSizeF() * 2.5);
        w()->statusBar()->setFont(large);
        QTRY_VERIFY(fits());
    }
};

QTEST_MAIN(TestWindowGuidance)
#include "tst_window_guidance.moc"
