// SPDX-License-Identifier: GPL-3.0-or-later
#include "fake_dialogs.h"
#include "gui_helpers.h"
#include "hash_cache.h"
#include "temp_tree.h"

#include <QDir>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>

using namespace twinly;
using namespace twinly::test;

class TestMainWindow : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<TForm1> m_window;

    TForm1 *w() { return m_window.get(); }
    bool tabVisible(const char *page)
    {
        auto *tabs = child<QTabWidget>(w(), "PageControl1");
        QWidget *tab = child(w(), page);
        while (tabs->indexOf(tab) < 0)
            tab = tab->parentWidget();
        return tabs->isTabVisible(tabs->indexOf(tab));
    }

private Q_SLOTS:
    void init()
    {
        emptyXdgFolders();
        m_window = std::make_unique<TForm1>();
        // A settings file that does not exist yet: the first run.
        w()->setSettingsPath(m_dir.filePath(QStringLiteral("Zorvik.reg")));
        w()->show();
        QVERIFY(QTest::qWaitForWindowExposed(w()));
    }
    void cleanup() { m_window.reset(); }

    // Ready for a search that finds duplicates by content, and asking before deleting.
    void firstRunStartsFromTheBuiltInOptions()
    {
        for (const char *name : {"RecursiveDirs", "CompareContent", "IgnoreDate", "IgnoreNames",
                                 "ConfDel", "ConfDelAll", "CheckDublicates"})
            QVERIFY2(checked(w(), name), name);
        for (const char *name : {"CreateCRC", "MaskCBox", "IgnoreSize", "VisualCMP", "CRCCompare",
                                 "MinSizeC", "MaxSizeC"})
            QVERIFY2(!checked(w(), name), name);
        QVERIFY(!child(w(), "GroupBox1")->isHidden()); // the compare setup shows
        const SearchOptions o = w()->searchOptions();
        QVERIFY(o.FindDuplicates && o.CompareContent && o.Recursive && o.IgnoreDate &&
                o.IgnoreNames && !o.CreateDB);
        QCOMPARE(o.Mask, std::string()); // "Use mask" is unchecked: every file
        QVERIFY(checked(w(), "CMPMethod1"));
        QVERIFY(checked(w(), "SysMenu"));
        QVERIFY(checked(w(), "Radio2"));
        QCOMPARE(w()->DeleteMode(), 2);
        auto *mask = child<QLineEdit>(w(), "MaskEdit");
        QCOMPARE(mask->text(), QStringLiteral("*.bmp;*.jpg;*.jpeg;*.gif"));
        QVERIFY(mask->isEnabled()); // although "Use mask" is unchecked
        QCOMPARE(w()->windowTitle(), QStringLiteral("Twinly"));
        QVERIFY(!child(w(), "GoBut")->isEnabled());
        QVERIFY(!child(w(), "StopBut")->isEnabled());
        QVERIFY(!tabVisible("VisualOptions"));
        QCOMPARE(child<QTabWidget>(w(), "PageControl1")->currentWidget(), child(w(), "DublPage"));
    }

    void checksumsAreRememberedUnlessTurnedOffAndCanBeForgotten()
    {
        QVERIFY(checked(w(), "RememberChecksums")); // on for a new user
        const std::string folder = w()->searchOptions().CacheFolder;
        QCOMPARE(folder, HashCache::DefaultFolder());
        {
            auto cache = HashCache::open(folder);
            QVERIFY(cache);
            TFileData d = TFileData::onDisk("/x", "y", 1, 0);
            d.Inode = 1;
            FileList list;
            list.push_back(std::move(d));
            QVERIFY(cache->store(list, {0}, {CachedDigest{true, 1, {}, false, 0}}));
        }
        click(w(), "ClearCache");
        QCOMPARE(HashCache::open(folder)->size(), std::size_t{0});

        click(w(), "RememberChecksums");
        QVERIFY(w()->searchOptions().CacheFolder.empty());
        QVERIFY(w()->SaveSettings());
        m_window = std::make_unique<TForm1>();
        w()->setSettingsPath(m_dir.filePath(QStringLiteral("Zorvik.reg")));
        w()->show();
        QVERIFY(QTest::qWaitForWindowExposed(w()));
        QVERIFY(!checked(w(), "RememberChecksums"));
    }

    void uncheckingUseMaskFillsAnEmptyMaskOnly()
    {
        auto *mask = child<QLineEdit>(w(), "MaskEdit");
        click(w(), "MaskCBox");
        QVERIFY(mask->isEnabled());
        mask->clear();
        click(w(), "MaskCBox");
        QCOMPARE(mask->text(), QStringLiteral("*.*"));
        QVERIFY(!mask->isEnabled());
        click(w(), "MaskCBox");
        mask->setText(QStringLiteral("*.txt"));
        click(w(), "MaskCBox");
        QCOMPARE(mask->text(), QStringLiteral("*.txt"));
    }

    void compareInDatabaseCascades()
    {
        click(w(), "CheckDublicates");
        click(w(), "CRCCompare");
        QVERIFY(checked(w(), "IgnoreDate"));
        QVERIFY(checked(w(), "IgnoreNames"));
        QVERIFY(checked(w(), "CompareContent"));
        QVERIFY(child(w(), "GroupBox5")->isEnabled());
        QVERIFY(child(w(), "CRCFile")->isEnabled());
        click(w(), "IgnoreSize");
        QVERIFY(!checked(w(), "CompareContent"));
        QVERIFY(!checked(w(), "CRCCompare"));
        QVERIFY(!child(w(), "GroupBox5")->isEnabled());
    }

    void visualCompareAndContentExcludeEachOther()
    {
        QVERIFY(checked(w(), "CompareContent"));
        click(w(), "VisualCMP");
        QVERIFY(!checked(w(), "CompareContent"));
        QVERIFY(tabVisible("VisualOptions"));
        QVERIFY(child(w(), "Preview4")->isVisible() || !child(w(), "Preview4")->isHidden());
        QVERIFY(!child(w(), "MaskCBox")->isEnabled());
        QVERIFY(!child(w(), "MaskEdit")->isEnabled());
        // A chart preview falls back to the original size when content comparison returns.
        child<QRadioButton>(w(), "Preview4")->setChecked(true);
        QCOMPARE(w()->PreviewMode(), 3);
        click(w(), "CompareContent");
        QVERIFY(!checked(w(), "VisualCMP"));
        QVERIFY(checked(w(), "Preview1"));
        QCOMPARE(w()->PreviewMode(), 0);
        QVERIFY(!tabVisible("VisualOptions"));
        QVERIFY(child(w(), "Preview4")->isHidden());
        QVERIFY(child(w(), "MaskEdit")->isEnabled()); // whatever "Use mask" says
    }

    void createDatabaseModeHidesTheCompareGroups()
    {
        click(w(), "CreateCRC");
        QVERIFY(child(w(), "GroupBox5")->isHidden());
        QVERIFY(child(w(), "CRCCompare")->isHidden());
        QVERIFY(child(w(), "GroupBox1")->isHidden());
        QVERIFY(child(w(), "CRCFileSave")->isEnabled());
        click(w(), "CheckDublicates");
        QVERIFY(!checked(w(), "CreateCRC"));
        QVERIFY(!child(w(), "GroupBox1")->isHidden());
        QVERIFY(!child(w(), "GroupBox5")->isHidden());
        QVERIFY(!child(w(), "CRCFileSave")->isEnabled());
        // A click on a chosen radio leaves it chosen.
        click(w(), "CheckDublicates");
        QVERIFY(checked(w(), "CheckDublicates"));
    }

    void sizeBoundsFollowTheirCheckBoxes()
    {
        QVERIFY(!child(w(), "MinSize")->isEnabled());
        click(w(), "MinSizeC");
        QVERIFY(child(w(), "MinSize")->isEnabled());
        QVERIFY(!child(w(), "MaxSize")->isEnabled());
        click(w(), "MaxSizeC");
        QVERIFY(child(w(), "MaxSize")->isEnabled());
    }

    void folderCheckRuleUnchecksFoldersInsideEarlierOnes()
    {
        addFolder(w(), QStringLiteral("/a"));
        addFolder(w(), QStringLiteral("/a/b"));
        addFolder(w(), QStringLiteral("/ab")); // shares the first letters only: not inside
        auto *list = child<QListWidget>(w(), "DirList");
        QCOMPARE(list->count(), 3);
        QCOMPARE(list->item(0)->checkState(), Qt::Checked);
        QCOMPARE(list->item(1)->checkState(), Qt::Unchecked);
        QCOMPARE(list->item(2)->checkState(), Qt::Checked);
        // The other way round the inner folder, listed first, is unchecked all the same.
        list->clear();
        addFolder(w(), QStringLiteral("/x/y"));
        addFolder(w(), QStringLiteral("/x"));
        QCOMPARE(list->item(0)->checkState(), Qt::Unchecked);
        QCOMPARE(list->item(1)->checkState(), Qt::Checked);
        // Checking by hand runs the rule too: the inner folder cannot be checked beside it.
        list->item(1)->setCheckState(Qt::Unchecked);
        list->item(0)->setCheckState(Qt::Checked);
        QCOMPARE(list->item(0)->checkState(), Qt::Checked);
        list->item(1)->setCheckState(Qt::Checked);
        QCOMPARE(list->item(0)->checkState(), Qt::Unchecked);
        QCOMPARE(list->item(1)->checkState(), Qt::Checked);
    }

    // One folder has one text in the list, and two entries that reach one folder (or one
    // inside the other) are never both searched, whatever their texts say.
    void folderListComparesRealFolders()
    {
        TempTree tree;
        const std::string album = tree.createDir("x/Music/album");
        tree.createDir("ov/sub");
        tree.createDir("elsewhere");
        tree.symlink(tree.path("x/Music"), "link");
        tree.symlink(tree.path("elsewhere"), "x/Music/out");
        auto *list = child<QListWidget>(w(), "DirList");
        const auto text = [](const std::string &p) { return QString::fromStdString(p); };
        const auto entries = [list] {
            QStringList texts;
            for (int i = 0; i < list->count(); ++i)
                texts << list->item(i)->text() + (list->item(i)->checkState() == Qt::Checked
                                                      ? QStringLiteral(" +")
                                                      : QStringLiteral(" -"));
            return texts;
        };

        // Texts are made clean when added: the same folder comes once.
        addFolder(w(), text(tree.path("x/Music/./album/")));
        addFolder(w(), text(tree.path("x//Music/../Music/album")));
        QCOMPARE(entries(), QStringList{text(album) + QStringLiteral(" +")});
        // A link to a folder around it: that folder, listed after, takes over.
        addFolder(w(), text(tree.path("link")));
        QCOMPARE(entries(), (QStringList{text(album) + QStringLiteral(" -"),
                                         text(tree.path("link")) + QStringLiteral(" +")}));
        // The folder itself beside the link to it: one of them only.
        addFolder(w(), text(tree.path("x/Music")));
        QCOMPARE(list->item(2)->checkState(), Qt::Unchecked);
        // Below it by text, but through a link leading out: searched on its own.
        addFolder(w(), text(tree.path("x/Music/out")));
        QCOMPARE(list->item(3)->checkState(), Qt::Checked);

        list->clear();
        addFolder(w(), text(tree.path("ov/sub")));
        addFolder(w(), text(tree.path("ov")));
        QCOMPARE(entries(), (QStringList{text(tree.path("ov/sub")) + QStringLiteral(" -"),
                                         text(tree.path("ov")) + QStringLiteral(" +")}));

        // A relative text continues the working folder.
        list->clear();
        const QString before = QDir::currentPath();
        QDir::setCurrent(text(tree.path("ov")));
        addFolder(w(), QStringLiteral("sub/."));
        QDir::setCurrent(before);
        QCOMPARE(entries(), QStringList{text(tree.path("ov/sub")) + QStringLiteral(" +")});
        QCOMPARE(w()->searchOptions().Folders, std::vector<std::string>{tree.path("ov/sub")});
    }

    void addingIgnoresEmptyAndCaseDuplicatesAndGoFollowsTheList()
    {
        auto *list = child<QListWidget>(w(), "DirList");
        addFolder(w(), QString());
        QCOMPARE(list->count(), 0);
        addFolder(w(), QStringLiteral("/Data"));
        QVERIFY(child(w(), "GoBut")->isEnabled());
        addFolder(w(), QStringLiteral("/data"));
        QCOMPARE(list->count(), 1);
        click(w(), "DelDirBut"); // nothing selected: nothing removed
        QCOMPARE(list->count(), 1);
        list->setCurrentRow(0);
        click(w(), "DelDirBut");
        QCOMPARE(list->count(), 0);
        QVERIFY(!child(w(), "GoBut")->isEnabled());

        auto *files = child<QListWidget>(w(), "CRCFileList");
        click(w(), "CheckDublicates");
        click(w(), "CRCCompare");
        child<QLineEdit>(w(), "CRCFile")->setText(QStringLiteral("/m/a.twd"));
        click(w(), "AddFile");
        child<QLineEdit>(w(), "CRCFile")->setText(QStringLiteral("/M/A.TWD"));
        click(w(), "AddFile");
        QCOMPARE(files->count(), 1);
        QCOMPARE(files->item(0)->checkState(), Qt::Checked);
    }

    void deleteModeRadiosEnableTheKeepingFolder()
    {
        click(w(), "Radio1");
        QCOMPARE(w()->DeleteMode(), 1);
        QVERIFY(child(w(), "MoveDir")->isEnabled());
        QVERIFY(!child(w(), "Smile1")->isHidden());
        QVERIFY(child(w(), "Smile2")->isHidden());
        click(w(), "Radio3");
        QCOMPARE(w()->DeleteMode(), 3);
        QVERIFY(!child(w(), "MoveDir")->isEnabled());
        QVERIFY(!child(w(), "Smile3")->isHidden());
        QVERIFY(!checked(w(), "Radio1"));
        // Leaving the folder field drops a trailing separator.
        click(w(), "Radio1");
        auto *moveDir = child<QLineEdit>(w(), "MoveDir");
        moveDir->setText(QStringLiteral("/keep/"));
        Q_EMIT moveDir->editingFinished();
        QCOMPARE(moveDir->text(), QStringLiteral("/keep"));
    }

    void everyControlHasItsHintAndThePagesTheirOrder()
    {
        QCOMPARE(child(w(), "GoBut")->toolTip(), QStringLiteral("Go."));
        QCOMPARE(child(w(), "List")->toolTip(),
                 QStringLiteral("There is list of duplicated files."));
        QCOMPARE(child(w(), "VisualCMP")->toolTip(),
                 QStringLiteral("Visual picture comparing. Verry slow !"));
        auto *tabs = child<QTabWidget>(w(), "PageControl1");
        QCOMPARE(tabs->tabText(0), QStringLiteral("Dublicates"));
        QCOMPARE(tabs->tabText(1), QStringLiteral("Options"));
        QCOMPARE(tabs->tabText(2), QStringLiteral("Visual comparing options"));
        QCOMPARE(tabs->tabText(3), QStringLiteral("More options"));
        QVERIFY(w()->minimumSize() == QSize(600, 391));
        QVERIFY(!child(w(), "CheckBox1")->isHidden());
        for (const char *action : {"Delete1", "Deleteonlyfromlist1", "Open1", "Move1", "Copy1",
                                   "Select1", "Unselect1", "Properties1"})
            QVERIFY2(w()->findChild<QAction *>(QString::fromLatin1(action)), action);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
