// SPDX-License-Identifier: GPL-3.0-or-later
// Reference folders, exclusions, the order "largest groups first" and removing the folders a
// cleanup left empty, driven through the window's own controls on real files.
#include "fake_dialogs.h"
#include "gui_helpers.h"

#include "multi_language.h"
#include "path_text.h"
#include "results_model.h"
#include "settings_store.h"
#include "temp_tree.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QComboBox>
#include <QFont>
#include <QGroupBox>
#include <QIcon>
#include <QMenu>
#include <QTemporaryDir>
#include <QTreeView>

#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <set>

using namespace twinly;
using namespace twinly::test;
using platform::SettingsKey;

class TestCleanupOptions : public QObject {
    Q_OBJECT

    QTemporaryDir m_config;
    std::unique_ptr<TempTree> m_tree;
    std::unique_ptr<FakeDialogs> m_dialogs;
    std::unique_ptr<TForm1> m_window;
    std::unique_ptr<QAbstractItemModelTester> m_modelTester;

    TForm1 *w() { return m_window.get(); }
    ResultsModel *model() { return w()->results(); }
    std::string path(std::string_view rel) { return m_tree->path(rel); }
    QString settingsFile() const { return m_config.filePath(QStringLiteral("Zorvik.reg")); }
    static bool present(const std::string &p)
    {
        struct stat st {};
        return ::lstat(p.c_str(), &st) == 0;
    }

    void openWindow()
    {
        m_window = std::make_unique<TForm1>();
        m_modelTester = std::make_unique<QAbstractItemModelTester>(
            w()->results(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        w()->setSettingsPath(settingsFile());
        w()->show();
        if (!QTest::qWaitForWindowExposed(w()))
            qFatal("window not shown");
    }
    void closeWindow()
    {
        w()->close();
        m_modelTester.reset();
        m_window.reset();
    }
    // A content search over the folders already listed.
    int search()
    {
        child<QLineEdit>(w(), "MaskEdit")->setText(QStringLiteral("*"));
        click(w(), "CheckDublicates");
        child<QAbstractButton>(w(), "RecursiveDirs")->setChecked(true);
        child<QAbstractButton>(w(), "CompareContent")->setChecked(true);
        child<QAbstractButton>(w(), "IgnoreDate")->setChecked(true);
        child<QAbstractButton>(w(), "IgnoreNames")->setChecked(true);
        click(w(), "GoBut");
        if (!QTest::qWaitFor([this] { return !w()->Searching(); }, 20000))
            qFatal("search did not end");
        return model()->rowCount();
    }
    std::set<std::string> rowPaths()
    {
        std::set<std::string> paths;
        for (int i = 0; i < model()->size(); ++i)
            paths.insert(model()->record(i).FullName);
        return paths;
    }
    int rowOf(const std::string &p)
    {
        for (int i = 0; i < model()->size(); ++i)
            if (model()->record(i).FullName == p)
                return i;
        return -1;
    }
    QListWidgetItem *folderEntry(const std::string &p)
    {
        auto *list = child<QListWidget>(w(), "DirList");
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->data(Qt::UserRole).toByteArray().toStdString() == p)
                return list->item(i);
        qFatal("no folder entry %s", p.c_str());
    }
    void markReference(const std::string &p)
    {
        auto *list = child<QListWidget>(w(), "DirList");
        showPageOf(list);
        list->setCurrentItem(folderEntry(p));
        click(w(), "RefDirBut");
    }
    void addExclusion(const QString &pattern)
    {
        child<QLineEdit>(w(), "ExcludeEdit")->setText(pattern);
        click(w(), "AddExcludeBut");
    }
    void select(int row) { child<QTreeView>(w(), "List")->setCurrentIndex(model()->index(row, 0)); }
    void trigger(const char *action) { child<QAction>(w(), action)->trigger(); }
    void deleteChecked()
    {
        click(w(), "DeleteAll");
        if (!QTest::qWaitFor([this] { return !w()->Deleting(); }, 10000))
            qFatal("deleting did not end");
    }

private Q_SLOTS:
    void init()
    {
        emptyXdgFolders();
        QFile::remove(settingsFile());
        m_tree = std::make_unique<TempTree>();
        m_dialogs = std::make_unique<FakeDialogs>();
        m_dialogs->answer = true; // every confirmation is answered Yes
        openWindow();
    }
    void cleanup()
    {
        m_modelTester.reset();
        m_window.reset();
        m_dialogs.reset();
        m_tree.reset();
        TMultiLang::setLanguageFolder({});
    }

    void excludedFoldersAndFilesAreLeftOut()
    {
        m_tree->createFile("a/keep", "same bytes");
        m_tree->createFile("b/keep", "same bytes");
        m_tree->createFile("a/.git/objects/x", "same bytes");
        m_tree->createFile("b/node_modules/y", "same bytes");
        m_tree->createFile("b/cache/z", "same bytes");
        m_tree->createFile("a/scratch.tmp", "same bytes");
        m_tree->createFile("a/~lock", "same bytes");
        addFolder(w(), QString::fromStdString(m_tree->root()));
        addExclusion(QStringLiteral(".git"));
        addExclusion(QStringLiteral("node_modules"));
        addExclusion(QString::fromStdString(path("b/cache")));
        addExclusion(QStringLiteral("*.tmp;~*"));
        QVERIFY(child<QLineEdit>(w(), "ExcludeEdit")->text().isEmpty());
        addExclusion(QStringLiteral("*.tmp;~*")); // already listed: nothing added
        QCOMPARE(child<QListWidget>(w(), "ExcludeList")->count(), 4);
        QCOMPARE(w()->searchOptions().Exclusions,
                 (std::vector<std::string>{".git", "node_modules", path("b/cache"), "*.tmp;~*"}));

        QCOMPARE(search(), 2);
        QCOMPARE(rowPaths(), (std::set<std::string>{path("a/keep"), path("b/keep")}));

        // Removing an exclusion takes the folder back into the next search.
        auto *list = child<QListWidget>(w(), "ExcludeList");
        list->setCurrentRow(0);
        click(w(), "DelExcludeBut");
        QCOMPARE(list->count(), 3);
        QCOMPARE(search(), 3);
        QVERIFY(rowOf(path("a/.git/objects/x")) >= 0);
    }

    void referenceRowsAreShownButNeverChecked()
    {
        m_tree->createFile("orig/photo", "kept original");
        m_tree->createFile("copies/photo", "kept original");
        m_tree->createFile("orig/a/twice", "only originals");
        m_tree->createFile("orig/b/twice", "only originals");
        m_tree->createFile("copies/x", "plain pair");
        m_tree->createFile("copies/y", "plain pair");
        addFolder(w(), QString::fromStdString(m_tree->root()));
        addFolder(w(), QString::fromStdString(path("orig")));
        // A plain folder inside another is unchecked; marked as reference it is checked again
        // and stays so.
        QCOMPARE(folderEntry(path("orig"))->checkState(), Qt::Unchecked);
        markReference(path("orig"));
        folderEntry(path("orig"))->setCheckState(Qt::Checked);
        QCOMPARE(folderEntry(path("orig"))->checkState(), Qt::Checked);
        QCOMPARE(folderEntry(m_tree->root())->checkState(), Qt::Checked);
        QVERIFY(folderEntry(path("orig"))->text().endsWith(QStringLiteral("(reference)")));
        QVERIFY(!folderEntry(path("orig"))->icon().isNull());
        QVERIFY(folderEntry(m_tree->root())->icon().isNull());
        QCOMPARE(w()->searchOptions().Folders, std::vector<std::string>{m_tree->root()});
        QCOMPARE(w()->searchOptions().ReferenceFolders, std::vector<std::string>{path("orig")});

        // The group made only of originals is not shown.
        QCOMPARE(search(), 4);
        QCOMPARE(rowPaths(), (std::set<std::string>{path("orig/photo"), path("copies/photo"),
                                                    path("copies/x"), path("copies/y")}));
        const int ref = rowOf(path("orig/photo"));
        const int copy = rowOf(path("copies/photo"));
        QVERIFY(model()->record(ref).Reference);
        QVERIFY(!model()->record(copy).Reference);
        QVERIFY(model()->index(ref, 0).data(Qt::FontRole).value<QFont>().italic());
        QVERIFY(!model()->index(ref, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
        QVERIFY(!model()->index(copy, 0).data(Qt::FontRole).value<QFont>().italic());
        QVERIFY(!model()->index(copy, 0).data(Qt::DecorationRole).isValid());

        // The check box refuses, by the model and by the mouse.
        QVERIFY(!(model()->flags(model()->index(ref, 0)) & Qt::ItemIsUserCheckable));
        QVERIFY(!model()->setData(model()->index(ref, 0), Qt::Checked, Qt::CheckStateRole));
        QVERIFY(!model()->isChecked(ref));
        auto *list = child<QTreeView>(w(), "List");
        showPageOf(list);
        for (const int row : {ref, copy}) {
            const QRect cell = list->visualRect(model()->index(row, 0));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              QPoint(cell.left() + 10, cell.center().y()));
        }
        QVERIFY(!model()->isChecked(ref));
        QVERIFY(model()->isChecked(copy));
        model()->setChecked(copy, false);

        // Space refuses too, while it checks a plain row.
        select(ref);
        QTest::keyClick(list, Qt::Key_Space);
        QVERIFY(!model()->isChecked(ref));
        select(copy);
        QTest::keyClick(list, Qt::Key_Space);
        QVERIFY(model()->isChecked(copy));
        model()->setChecked(copy, false);

        // Selecting by path passes over the reference row: its copy is checked instead.
        m_dialogs->inputText = QStringLiteral("*");
        select(ref);
        trigger("Select1");
        QVERIFY(!model()->isChecked(ref));
        QVERIFY(model()->isChecked(copy));
    }

    void largestGroupsFirstOrdersByTheBytesFreed()
    {
        m_tree->createFile("small/1", std::string(10, 's'));
        m_tree->createFile("small/2", std::string(10, 's'));
        m_tree->createFile("big/1", std::string(100, 'b'));
        m_tree->createFile("big/2", std::string(100, 'b'));
        m_tree->createFile("big/3", std::string(100, 'b'));
        m_tree->createFile("mid/1", std::string(150, 'm'));
        m_tree->createFile("mid/2", std::string(150, 'm'));
        addFolder(w(), QString::fromStdString(m_tree->root()));
        // Off: groups by size, as always.
        QVERIFY(!checked(w(), "LargestFirst"));
        QCOMPARE(search(), 7);
        QCOMPARE(model()->record(0).FileSize, 10);

        // On: 200 bytes freed, then 150, then 10.
        click(w(), "LargestFirst");
        QCOMPARE(search(), 7);
        const std::int64_t sizes[] = {100, 100, 100, 150, 150, 10, 10};
        const std::uint8_t bands[] = {1, 1, 1, 0, 0, 1, 1};
        for (int row = 0; row < 7; ++row) {
            QCOMPARE(model()->record(row).FileSize, sizes[row]);
            QCOMPARE(model()->band(row), bands[row]);
        }
        QCOMPARE(model()->groupRange(0), std::make_pair(0, 3));
        QCOMPARE(model()->groupRange(3), std::make_pair(3, 5));
        QCOMPARE(model()->groupRange(6), std::make_pair(5, 7));
        // The rows stay aligned as rows leave.
        model()->RemoveRow(3);
        QCOMPARE(model()->record(3).FileSize, 150);
        QCOMPARE(model()->groupRange(3), std::make_pair(3, 4));
    }

    void foldersLeftEmptyGoAfterADeleteRun()
    {
        m_tree->createFile("keep/f", "copy");
        m_tree->createFile("gone/deep/f", "copy");
        m_tree->createDir("gone/emptyBefore");
        m_tree->createFile("solo/f", "copy");
        m_tree->createFile("other/g", "second");
        m_tree->createFile("other/deeper/g", "second");
        addFolder(w(), QString::fromStdString(m_tree->root()));
        addFolder(w(), QString::fromStdString(path("solo"))); // listed, unchecked
        click(w(), "Radio3");
        click(w(), "RemoveEmptyFolders");
        QCOMPARE(search(), 5);
        model()->setChecked(rowOf(path("gone/deep/f")), true);
        model()->setChecked(rowOf(path("solo/f")), true);
        model()->setChecked(rowOf(path("other/deeper/g")), true);
        deleteChecked();
        QCOMPARE(model()->rowCount(), 2);
        QVERIFY(!present(path("gone/deep")));
        QVERIFY(!present(path("other/deeper")));
        // Kept: a folder empty before, the folders holding it or anything else, and a folder
        // of the search list, although it is empty now.
        QVERIFY(present(path("gone/emptyBefore")));
        QVERIFY(present(path("gone")));
        QVERIFY(present(path("other")));
        QVERIFY(present(path("solo")));
        QVERIFY(present(m_tree->root()));
    }

    void foldersLeftEmptyStayUnlessAsked()
    {
        m_tree->createFile("keep/f", "copy");
        m_tree->createFile("gone/f", "copy");
        m_tree->createFile("gone2/f", "copy");
        addFolder(w(), QString::fromStdString(m_tree->root()));
        click(w(), "Radio3");
        QCOMPARE(search(), 3);
        select(rowOf(path("gone/f")));
        trigger("Delete1");
        QVERIFY(!present(path("gone/f")));
        QVERIFY(present(path("gone")));
        // Asked for: a single delete, to the keeping folder, takes its folder along.
        click(w(), "RemoveEmptyFolders");
        click(w(), "Radio1");
        child<QLineEdit>(w(), "MoveDir")->setText(QString::fromStdString(path("kept")));
        select(rowOf(path("gone2/f")));
        trigger("Delete1");
        QVERIFY(!present(path("gone2")));
        QVERIFY(present(path("kept") + path("gone2/f")));
    }

    void foldersLeftEmptyGoAfterAMove()
    {
        m_tree->createFile("a/f", "moved copy");
        m_tree->createFile("b/sub/f", "moved copy");
        m_tree->createFile("c/f", "renamed copy");
        m_tree->createFile("d/inner/f", "renamed copy");
        addFolder(w(), QString::fromStdString(m_tree->root()));
        click(w(), "RemoveEmptyFolders");
        QCOMPARE(search(), 4);
        m_tree->createDir("dest");
        m_dialogs->folder = QString::fromStdString(path("dest"));
        select(rowOf(path("b/sub/f")));
        trigger("Move1");
        QVERIFY(present(path("dest/f")));
        QVERIFY(!present(path("b/sub")));
        QVERIFY(!present(path("b")));
        QVERIFY(present(path("a/f")));
        // A rename into another folder is a move too.
        const int row = rowOf(path("d/inner/f"));
        model()->setData(model()->index(row, 0), QString::fromStdString(path("c/g")), Qt::EditRole);
        QTRY_VERIFY(present(path("c/g")));
        QVERIFY(!present(path("d")));
        QVERIFY(present(m_tree->root()));
    }

    void settingsKeepTheNewChoicesBesideTheOldValues()
    {
        const std::string plain = path("plain dir"), ref = path("ref,erence");
        m_tree->createDir("plain dir");
        m_tree->createDir("ref,erence");
        addFolder(w(), QString::fromStdString(plain));
        addFolder(w(), QString::fromStdString(ref));
        markReference(ref);
        addExclusion(QStringLiteral(".git"));
        addExclusion(QStringLiteral("*.tmp;~*"));
        addExclusion(QStringLiteral("/x/a,b \"c\""));
        click(w(), "LargestFirst");
        click(w(), "RemoveEmptyFolders");
        closeWindow();

        // "Paths" is the folder list as it always was: a program that knows no reference
        // folders reads both entries.
        auto key = SettingsKey::open(settingsFile().toStdString());
        QVERIFY(key);
        std::string text;
        QVERIFY(key->readString("Paths", text));
        QCOMPARE(platform::DecodeCommaList(text), (std::vector<std::string>{plain, ref}));
        QVERIFY(key->readString("ReferencePaths", text));
        QCOMPARE(platform::DecodeCommaList(text), std::vector<std::string>{ref});

        openWindow();
        QVERIFY(!folderEntry(ref)->icon().isNull());
        QVERIFY(folderEntry(plain)->icon().isNull());
        SearchOptions o = w()->searchOptions();
        QCOMPARE(o.Folders, std::vector<std::string>{plain});
        QCOMPARE(o.ReferenceFolders, std::vector<std::string>{ref});
        QCOMPARE(o.Exclusions, (std::vector<std::string>{".git", "*.tmp;~*", "/x/a,b \"c\""}));
        QVERIFY(checked(w(), "LargestFirst"));
        QVERIFY(checked(w(), "RemoveEmptyFolders"));

        // Unmarked and saved: no reference is left behind.
        markReference(ref);
        QVERIFY(folderEntry(ref)->icon().isNull());
        QVERIFY(!folderEntry(ref)->text().contains(QStringLiteral("(reference)")));
        closeWindow();
        openWindow();
        QVERIFY(w()->searchOptions().ReferenceFolders.empty());
        QCOMPARE(w()->searchOptions().Folders, (std::vector<std::string>{plain, ref}));
    }

    void anOlderSettingsFileReadsAsBefore()
    {
        closeWindow();
        QFile::remove(settingsFile());
        const std::string plain = path("a"), other = path("b");
        {
            auto key = SettingsKey::create(settingsFile().toStdString());
            QVERIFY(key);
            key->writeString("Paths", platform::EncodeCommaList({plain, other}));
            const std::uint8_t marks[] = {1, 1};
            key->writeBinary("SelectedPaths", marks);
            QVERIFY(key->save());
        }
        openWindow();
        const SearchOptions o = w()->searchOptions();
        QCOMPARE(o.Folders, (std::vector<std::string>{plain, other}));
        QVERIFY(o.ReferenceFolders.empty());
        QVERIFY(o.Exclusions.empty());
        QCOMPARE(child<QListWidget>(w(), "ExcludeList")->count(), 0);
        QVERIFY(!checked(w(), "LargestFirst"));
        QVERIFY(!checked(w(), "RemoveEmptyFolders"));
        // A reference named for a folder no longer listed marks nothing.
        closeWindow();
        {
            auto key = SettingsKey::create(settingsFile().toStdString());
            key->writeString("ReferencePaths", platform::EncodeCommaList({path("gone")}));
            QVERIFY(key->save());
        }
        openWindow();
        QVERIFY(w()->searchOptions().ReferenceFolders.empty());
        QCOMPARE(w()->searchOptions().Folders.size(), std::size_t(2));
    }

    void theFolderListsRowMenuMarksAReference()
    {
        m_tree->createDir("x");
        addFolder(w(), QString::fromStdString(path("x")));
        auto *list = child<QListWidget>(w(), "DirList");
        showPageOf(list);
        QListWidgetItem *item = folderEntry(path("x"));
        const QPoint at = list->visualItemRect(item).center();
        QMetaObject::invokeMethod(list, "customContextMenuRequested", Q_ARG(QPoint, at));
        auto *menu = child<QMenu>(w(), "DirPopup");
        QVERIFY(menu->isVisible());
        auto *action = child<QAction>(w(), "RefDir1");
        QVERIFY(!action->isChecked());
        action->trigger();
        menu->hide();
        QVERIFY(!item->icon().isNull());
        QCOMPARE(w()->searchOptions().ReferenceFolders, std::vector<std::string>{path("x")});
        QMetaObject::invokeMethod(list, "customContextMenuRequested", Q_ARG(QPoint, at));
        QVERIFY(action->isChecked());
        action->trigger();
        menu->hide();
        QVERIFY(w()->searchOptions().ReferenceFolders.empty());
    }

    void theShippedGermanTextsReachTheNewControls()
    {
        QTemporaryDir program;
        QVERIFY(QFile::copy(QStringLiteral(TWINLY_SOURCE_DIR "/lang/Deutsch.lng"),
                            program.filePath(QStringLiteral("Deutsch.lng"))));
        TMultiLang::setLanguageFolder(program.path());
        m_tree->createDir("x");
        addFolder(w(), QString::fromStdString(path("x")));
        markReference(path("x"));
        auto *tabs = child<QTabWidget>(w(), "PageControl1");
        tabs->setCurrentIndex(tabs->count() - 1); // "More options" lists the language files
        auto *languages = child<QComboBox>(w(), "Languages");
        const int index = languages->findText(QStringLiteral("Deutsch.lng"));
        QVERIFY(index >= 0);
        languages->setCurrentIndex(index);
        Q_EMIT languages->activated(index);
        QTRY_VERIFY(folderEntry(path("x"))->text().endsWith(QStringLiteral("(Referenz)")));
        QCOMPARE(child<QAbstractButton>(w(), "LargestFirst")->text(),
                 QStringLiteral("Größte Gruppen zuerst"));
        QCOMPARE(child<QAbstractButton>(w(), "RemoveEmptyFolders")->text(),
                 QStringLiteral("Leer gewordene Ordner entfernen"));
        QCOMPARE(child<QGroupBox>(w(), "ExcludeGroup")->title(), QStringLiteral(" Ausschließen "));
        QCOMPARE(child<QAction>(w(), "RefDir1")->text(),
                 QStringLiteral("Referenzordner (geschützt)"));
        QVERIFY(child(w(), "RefDirBut")->toolTip().startsWith(QStringLiteral("Den gewählten")));
        QVERIFY(child(w(), "ExcludeEdit")->toolTip().startsWith(QStringLiteral("Ein Ordnername")));
    }
};

QTEST_MAIN(TestCleanupOptions)
#include "tst_cleanup_options.moc"
