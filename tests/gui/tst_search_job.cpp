// SPDX-License-Identifier: GPL-3.0-or-later
#include "crc.h"
#include "crc_db.h"
#include "fake_dialogs.h"
#include "gui_helpers.h"

#include "results_model.h"
#include "search_job.h"
#include "settings_store.h"
#include "temp_tree.h"
#include <QAbstractItemModelTester>

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QRadioButton>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeView>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

using namespace twinly;
using namespace twinly::test;

class TestSearchJob : public QObject {
    Q_OBJECT

    QTemporaryDir m_config;
    std::unique_ptr<TForm1> m_window;
    std::unique_ptr<QAbstractItemModelTester> m_modelTester;
    std::unique_ptr<TempTree> m_tree;

    TForm1 *w() { return m_window.get(); }
    QString root() { return QString::fromStdString(m_tree->root()); }

    // Duplicate search, content compared, on the temporary tree.
    void prepareDuplicateSearch()
    {
        addFolder(w(), root());
        click(w(), "CheckDublicates");
        child<QAbstractButton>(w(), "RecursiveDirs")->setChecked(true);
        child<QAbstractButton>(w(), "CompareContent")->setChecked(true);
        child<QAbstractButton>(w(), "IgnoreDate")->setChecked(true);
        child<QAbstractButton>(w(), "IgnoreNames")->setChecked(true);
    }
    void waitForSearchEnd() { QTRY_VERIFY_WITH_TIMEOUT(!w()->Searching(), 20000); }

private Q_SLOTS:
    void init()
    {
        emptyXdgFolders();
        m_tree = std::make_unique<TempTree>();
        m_window = std::make_unique<TForm1>();
        // Every row change the test causes is checked against the model contract as it happens.
        m_modelTester = std::make_unique<QAbstractItemModelTester>(
            w()->results(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        w()->setSettingsPath(m_config.filePath(QStringLiteral("Zorvik.reg")));
        w()->show();
        QVERIFY(QTest::qWaitForWindowExposed(w()));
    }
    void cleanup()
    {
        m_modelTester.reset();
        m_window.reset();
        m_tree.reset();
    }

    void goFindsGroupsAndPaintsThemInAlternatingBands()
    {
        m_tree->createFile("a/one", "first pair");
        m_tree->createFile("b/one", "first pair");
        m_tree->createFile("a/two", "second pair!");
        m_tree->createFile("c/two", "second pair!");
        m_tree->createFile("c/alone", "nothing like it");
        prepareDuplicateSearch();
        click(w(), "GoBut");
        QVERIFY(w()->Searching());
        QVERIFY(!child(w(), "GoBut")->isEnabled());
        QVERIFY(child(w(), "StopBut")->isEnabled());
        QVERIFY(!child(w(), "OptionsPage")->isEnabled());
        waitForSearchEnd();

        ResultsModel *m = w()->results();
        QCOMPARE(m->rowCount(), 4);
        QCOMPARE(m->band(0), 1);
        QCOMPARE(m->band(1), 1);
        QCOMPARE(m->band(2), 0);
        QCOMPARE(m->index(0, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(Qt::red));
        QCOMPARE(m->index(3, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(0, 255, 0));
        for (int row = 0; row < 4; ++row)
            QCOMPARE(m->index(row, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
        QVERIFY(child(w(), "OptionsPage")->isEnabled());
        QVERIFY(child(w(), "GoBut")->isEnabled());
        QVERIFY(!child(w(), "StopBut")->isEnabled());
        QVERIFY(child(w(), "Gauge1")->isHidden());
        QCOMPARE(child<QTabWidget>(w(), "PageControl1")->currentWidget(), child(w(), "DublPage"));

        // Checking rows works through the model's check role.
        QVERIFY(m->setData(m->index(1, 0), Qt::Checked, Qt::CheckStateRole));
        QVERIFY(m->isChecked(1));
    }

    // Unchecked, "Use mask" takes every file whatever the field says; checked, the mask
    // decides; comparing by look reads pictures only, either way.
    void useMaskDecidesWhetherTheMaskApplies()
    {
        m_tree->createFile("a/notes.txt", "same words");
        m_tree->createFile("b/notes.txt", "same words");
        m_tree->createFile("a/data.bin", "same bytes");
        m_tree->createFile("b/data.bin", "same bytes");
        prepareDuplicateSearch();
        auto *mask = child<QLineEdit>(w(), "MaskEdit");
        mask->setText(QStringLiteral("*.txt"));
        const auto found = [this] {
            click(w(), "GoBut");
            waitForSearchEnd();
            QStringList names;
            for (int row = 0; row < w()->results()->rowCount(); ++row)
                names << QString::fromUtf8(w()->results()->record(row).FileName());
            names.sort();
            return names;
        };
        QVERIFY(!checked(w(), "MaskCBox"));
        QCOMPARE(found(), (QStringList{QStringLiteral("data.bin"), QStringLiteral("data.bin"),
                                       QStringLiteral("notes.txt"), QStringLiteral("notes.txt")}));
        click(w(), "MaskCBox");
        QCOMPARE(found(), (QStringList{QStringLiteral("notes.txt"), QStringLiteral("notes.txt")}));
        click(w(), "MaskCBox");
        mask->setText(QStringLiteral("*.nothing"));
        QCOMPARE(found().size(), 4);
        click(w(), "VisualCMP");
        QCOMPARE(found(), QStringList());
    }

    void listMenusHintsAndColoursFollowTheRules()
    {
        FakeDialogs dialogs;
        m_tree->createFile("a/one", "pair");
        m_tree->createFile("b/one", "pair");
        prepareDuplicateSearch();
        click(w(), "GoBut");
        waitForSearchEnd();
        auto *list = child<QTreeView>(w(), "List");
        auto *menu = child<QMenu>(w(), "ItemPopup");
        QCOMPARE(list->model()->rowCount(), 2);
        const QPoint row1 = list->visualRect(list->model()->index(1, 0)).center();

        // A plain right-click selects the row and opens the program's menu...
        QTest::mouseClick(list->viewport(), Qt::RightButton, {}, row1);
        QCOMPARE(list->currentIndex().row(), 1);
        QVERIFY(menu->isVisible());
        menu->hide();
        // ...with Shift it is the file's own menu instead.
        QTest::mouseClick(list->viewport(), Qt::RightButton, Qt::ShiftModifier, row1);
        QVERIFY(!menu->isVisible());
        QCOMPARE(dialogs.contextMenus.size(), 1);
        QCOMPARE(dialogs.contextMenus[0], w()->results()->record(1).FullName);
        // "program menu" swaps the two.
        click(w(), "ProgramMenu");
        click(w(), "RezBut");
        QTest::mouseClick(list->viewport(), Qt::RightButton, Qt::ShiftModifier, row1);
        QVERIFY(menu->isVisible());
        menu->hide();
        // Below the last row nothing happens and the selection stays.
        QTest::mouseClick(list->viewport(), Qt::RightButton, {},
                          QPoint(5, list->viewport()->height() - 3));
        QVERIFY(!menu->isVisible());
        QCOMPARE(list->currentIndex().row(), 1);

        // The hint follows the row under the pointer and stays when it leaves the rows.
        QTest::mouseMove(list->viewport(), row1);
        const QString path = list->model()->index(1, 0).data().toString();
        QCOMPARE(list->toolTip(), path);
        QTest::mouseMove(list->viewport(), QPoint(5, list->viewport()->height() - 3));
        QCOMPARE(list->toolTip(), path);

        // A new colour repaints every band-1 row.
        child<QComboBox>(w(), "Color1")->setCurrentIndex(12); // Blue
        QCOMPARE(w()->results()->index(0, 0).data(Qt::BackgroundRole).value<QColor>(),
                 QColor(Qt::blue));
    }

    void visualSearchGroupsAResizedCopy()
    {
        QImage picture(320, 240, QImage::Format_RGB32);
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 320; ++x)
                picture.setPixel(x, y, qRgb(x * 255 / 320, y * 255 / 240, (x * y) % 256));
        QVERIFY(picture.save(QString::fromStdString(m_tree->path("a.bmp"))));
        QVERIFY(picture.scaled(160, 120).save(QString::fromStdString(m_tree->path("b.bmp"))));
        QImage other(320, 240, QImage::Format_RGB32);
        other.fill(Qt::darkBlue);
        QVERIFY(other.save(QString::fromStdString(m_tree->path("c.bmp"))));
        m_tree->createFile("notes.txt", "not a picture");
        addFolder(w(), root());
        click(w(), "CheckDublicates");
        click(w(), "VisualCMP");
        click(w(), "IgnoreSize"); // a resized copy has another size
        child<QAbstractButton>(w(), "IgnoreDate")->setChecked(true);
        child<QAbstractButton>(w(), "IgnoreNames")->setChecked(true);
        click(w(), "GoBut");
        waitForSearchEnd();
        ResultsModel *m = w()->results();
        QCOMPARE(m->rowCount(), 2);
        QStringList names{m->index(0, 0).data().toString(), m->index(1, 0).data().toString()};
        names.sort();
        QCOMPARE(names, (QStringList{root() + QStringLiteral("/a.bmp"),
                                     root() + QStringLiteral("/b.bmp")}));
    }

    // The scanner is held at the start of its checksum phase for as long as the test looks: the
    // busy timer must tick meanwhile, however often the progress poll runs.
    void busyIndicatorBlinksAndTheTrayHintShowsProgressDuringASearch()
    {
        m_tree->createFile("a/one", "pair");
        m_tree->createFile("b/one", "pair");
        prepareDuplicateSearch();
        auto held = std::make_shared<std::atomic<bool>>(false);
        auto release = std::make_shared<std::atomic<bool>>(false);
        struct Release {
            std::shared_ptr<std::atomic<bool>> flag;
            ~Release() { *flag = true; }
        } releaseOnExit{release};
        w()->findChild<SearchJob *>()->setScannerHook([held, release](TDirScanner &scanner) {
            scanner.Progress.setPhaseObserver([held, release](Phase phase) {
                if (phase != Phase::CalculatingCrc)
                    return;
                *held = true;
                while (!*release)
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
            });
        });
        click(w(), "GoBut");
        QTRY_VERIFY_WITH_TIMEOUT(*held, 20000);

        auto *brain = child<QLabel>(w(), "Brain");
        QSystemTrayIcon *tray = w()->trayIcon();
        QTRY_VERIFY_WITH_TIMEOUT(brain->isVisible(), 3000);
        QCOMPARE(tray->property("image").toInt(), 2);
        QTRY_VERIFY_WITH_TIMEOUT(!brain->isVisible(), 3000);
        QCOMPARE(tray->property("image").toInt(), 1);
        QVERIFY(w()->Searching());
        QCOMPARE(child<QLabel>(w(), "StatusPanel0")->text(), QStringLiteral("Calculating CRC"));
        const int percent = child<QProgressBar>(w(), "Gauge1")->value();
        QCOMPARE(tray->toolTip(), QStringLiteral("Twinly\r\nCalculating CRC - ") +
                                      QString::number(percent) +
                                      QStringLiteral("% done\r\n2 files found"));

        *release = true;
        waitForSearchEnd();
        QVERIFY(brain->isHidden());
        QCOMPARE(tray->property("image").toInt(), 0);
        QCOMPARE(w()->results()->rowCount(), 2);
    }

    void stopLeavesTheListEmpty()
    {
        for (int i = 0; i < 50; ++i)
            m_tree->createFile("d" + std::to_string(i) + "/f", "same");
        prepareDuplicateSearch();
        click(w(), "GoBut");
        click(w(), "StopBut"); // before the scanner's end can be handled
        QVERIFY(w()->StopRequested());
        QCOMPARE(child<QTabWidget>(w(), "PageControl1")->currentWidget(),
                 child(w(), "OptionsPageScroll"));
        waitForSearchEnd();
        QCOMPARE(w()->results()->rowCount(), 0);
    }

    void plainListingShowsEveryFileInTheFirstColour()
    {
        m_tree->createFile("x", "1");
        m_tree->createFile("y", "22");
        // Settings that choose neither "Check for duplicates" nor "Create CRC DB".
        m_modelTester.reset();
        m_window.reset();
        const QString settings = m_config.filePath(QStringLiteral("Zorvik.reg"));
        {
            auto key = *platform::SettingsKey::create(settings.toStdString());
            key.writeBinary("Setings", std::vector<std::uint8_t>(33, 0));
            QVERIFY(key.save());
        }
        m_window = std::make_unique<TForm1>();
        w()->setSettingsPath(settings);
        w()->show();
        QVERIFY(QTest::qWaitForWindowExposed(w()));
        QFile::remove(settings); // the next case is a first run again
        QVERIFY(!checked(w(), "CheckDublicates") && !checked(w(), "CreateCRC"));
        addFolder(w(), root());
        click(w(), "GoBut"); // a plain listing
        waitForSearchEnd();
        QCOMPARE(w()->results()->rowCount(), 2);
        QCOMPARE(w()->results()->band(0), 1);
        QCOMPARE(w()->results()->band(1), 1);
    }

    void createDatabaseWritesTheFileAndShowsNothing()
    {
        m_tree->createFile("m/a", "same");
        m_tree->createFile("m/b", "same");
        m_tree->createFile("m/c", "other");
        addFolder(w(), root() + QStringLiteral("/m"));
        click(w(), "CreateCRC");
        const QString db = root() + QStringLiteral("/out.twd");
        child<QLineEdit>(w(), "CRCFileSave")->setText(QLatin1Char('"') + db + QLatin1Char('"'));
        click(w(), "GoBut");
        waitForSearchEnd();
        QCOMPARE(w()->results()->rowCount(), 0);
        QCOMPARE(std::filesystem::file_size(db.toStdString()), 4u + 2 * 8);
    }

    void refusalsShowTheirMessageAndStartNothing()
    {
        FakeDialogs dialogs;
        addFolder(w(), root());
        click(w(), "CreateCRC");
        click(w(), "GoBut");
        QCOMPARE(dialogs.errors,
                 QStringList{QStringLiteral("Error: Unable save DB to empty file !")});
        QVERIFY(!w()->Searching());
        QVERIFY(child(w(), "GoBut")->isEnabled());

        dialogs.errors.clear();
        child<QLineEdit>(w(), "CRCFileSave")->setText(QStringLiteral("/tmp/x.twd"));
        click(w(), "CheckDublicates");
        click(w(), "CRCCompare");
        click(w(), "CreateCRC"); // refused even in Create CRC DB mode
        click(w(), "GoBut");
        QCOMPARE(dialogs.errors, QStringList{QStringLiteral("Error: Empty CRC DB !")});
        QVERIFY(!w()->Searching());
    }

    void databaseRowsJoinTheGroupsAndBadDatabasesAreReported()
    {
        FakeDialogs dialogs;
        m_tree->createFile("disk/file", "recorded");
        FileList recorded;
        recorded.push_back(TFileData::onDisk("/x", "y", 8, 0));
        recorded[0].CRC = Crc32Of("recorded", 8);
        recorded[0].CrcKnown = true;
        QVERIFY(!SaveCRCDatabase(m_tree->path("db.twd"), recorded));

        addFolder(w(), root() + QStringLiteral("/disk"));
        click(w(), "CheckDublicates");
        click(w(), "CRCCompare");
        for (const std::string &db : {m_tree->path("db.twd"), m_tree->path("missing.twd")}) {
            child<QLineEdit>(w(), "CRCFile")->setText(QString::fromStdString(db));
            click(w(), "AddFile");
        }
        // Unchecked databases are read as well.
        child<QListWidget>(w(), "CRCFileList")->item(0)->setCheckState(Qt::Unchecked);
        click(w(), "GoBut");
        waitForSearchEnd();
        QCOMPARE(dialogs.errors, QStringList{QStringLiteral("Error: Error when reading CRC DB !")});
        ResultsModel *m = w()->results();
        QCOMPARE(m->rowCount(), 2);
        QStringList names{m->index(0, 0).data().toString(), m->index(1, 0).data().toString()};
        QVERIFY(names.contains(QStringLiteral("Off line")));
    }

    void optionsSnapshotFollowsTheControls()
    {
        addFolder(w(), QStringLiteral("/a"));
        addFolder(w(), QStringLiteral("/a/b")); // left unchecked by the folder rule
        click(w(), "CheckDublicates");
        click(w(), "MinSizeC");
        child<QDoubleSpinBox>(w(), "MinSize")->setValue(3000000000.0);
        click(w(), "VisualCMP");
        const SearchOptions o = w()->searchOptions();
        QCOMPARE(o.Folders, std::vector<std::string>{"/a"});
        QCOMPARE(o.Mask, std::string(kPictureFormatsMask));
        QVERIFY(o.MinSize && *o.MinSize == 3000000000.0);
        QVERIFY(!o.MaxSize);
        QVERIFY(o.VisualCompare);
        QVERIFY(!o.CompareContent);
    }
};

QTEST_MAIN(TestSearchJob)
#include "tst_search_job.moc"
