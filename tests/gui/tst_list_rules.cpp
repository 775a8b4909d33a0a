// SPDX-License-Identifier: GPL-3.0-or-later
// Deciding about whole lists: checking by rule, inverting within groups, replacing copies by
// links, saving the list, the checked totals, and originals that no command takes away.
#include "fake_dialogs.h"
#include "file_identity.h"
#include "gui_helpers.h"
#include "list_commands.h"
#include "results_model.h"
#include "search_job.h"
#include "select_rule_form.h"
#include "selection_rules.h"
#include "settings_store.h"
#include "temp_tree.h"

#include <QAbstractItemModelTester>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeView>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <set>

using namespace twinly;
using namespace twinly::test;

class TestListRules : public QObject {
    Q_OBJECT

    QTemporaryDir m_config;
    std::unique_ptr<TempTree> m_tree;
    std::unique_ptr<TForm1> m_window;
    std::unique_ptr<QAbstractItemModelTester> m_modelTester;
    std::unique_ptr<FakeDialogs> m_dialogs;

    TForm1 *w() { return m_window.get(); }
    ResultsModel *model() { return w()->results(); }
    std::string path(std::string_view rel) { return m_tree->path(rel); }

    void openWindow()
    {
        m_window = std::make_unique<TForm1>();
        m_modelTester = std::make_unique<QAbstractItemModelTester>(
            w()->results(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        w()->setSettingsPath(m_config.filePath(QStringLiteral("Zorvik.reg")));
        w()->show();
        QVERIFY(QTest::qWaitForWindowExposed(w()));
        child<QLineEdit>(w(), "MaskEdit")->setText(QStringLiteral("*"));
    }
    // A content search over `folders`, those of `references` holding originals.
    int search(const std::vector<std::string> &folders,
               const std::vector<std::string> &references = {})
    {
        for (const std::string &folder : folders)
            addFolder(w(), QString::fromStdString(folder));
        click(w(), "CheckDublicates");
        child<QAbstractButton>(w(), "RecursiveDirs")->setChecked(true);
        child<QAbstractButton>(w(), "CompareContent")->setChecked(true);
        child<QAbstractButton>(w(), "IgnoreDate")->setChecked(true);
        child<QAbstractButton>(w(), "IgnoreNames")->setChecked(true);
        w()->findChild<SearchJob *>(QStringLiteral("SearchJob"))
            ->setScannerHook(
                [references](TDirScanner &s) { s.Options.ReferenceFolders = references; });
        click(w(), "GoBut");
        if (!QTest::qWaitFor([this] { return !w()->Searching(); }, 20000))
            qFatal("search did not end");
        return model()->rowCount();
    }
    int rowOf(const std::string &p)
    {
        for (int i = 0; i < model()->size(); ++i)
            if (model()->record(i).FullName == p)
                return i;
        return -1;
    }
    bool isChecked(const std::string &p) { return model()->isChecked(rowOf(p)); }
    // The paths checked, as paths relative to the tree.
    std::set<std::string> checkedFiles()
    {
        std::set<std::string> out;
        for (int i = 0; i < model()->size(); ++i)
            if (model()->isChecked(i))
                out.insert(model()->record(i).FullName.substr(m_tree->root().size() + 1));
        return out;
    }
    void select(const std::string &p)
    {
        child<QTreeView>(w(), "List")->setCurrentIndex(model()->index(rowOf(p), 0));
    }
    void trigger(const char *action) { child<QAction>(w(), action)->trigger(); }
    void applyRule(const SelectionRule &rule)
    {
        m_dialogs->selectionRule = rule;
        click(w(), "SelectRule");
    }
    static platform::FileIdentity id(const std::string &p) { return platform::IdentifyFile(p); }
    std::string timed(const char *rel, const char *bytes, std::time_t mtime)
    {
        return m_tree->createFile(rel, bytes, mtime);
    }
    QString totalsText()
    {
        QCoreApplication::processEvents();
        auto *label = child<QLabel>(w(), "CheckedTotals");
        return label->isVisibleTo(w()) ? label->text() : QString();
    }

private Q_SLOTS:
    void init()
    {
        emptyXdgFolders();
        QFile::remove(m_config.filePath(QStringLiteral("Zorvik.reg")));
        m_tree = std::make_unique<TempTree>();
        m_dialogs = std::make_unique<FakeDialogs>();
        openWindow();
    }
    void cleanup()
    {
        m_modelTester.reset();
        m_window.reset();
        m_dialogs.reset();
        m_tree.reset();
    }

    // Each rule on one small tree: two groups, the second with no name matching the mask.
    void eachRuleChecksAllButItsKeeperInEveryGroup()
    {
        timed("s/x/a1.txt", "aaaa", 1000000000);
        timed("s/long/folder/a22.txt", "aaaa", 1300000000);
        timed("s/a.txt", "aaaa", 1200000000);
        timed("s/b_long_name.txt", "bbbbbb", 1500000000);
        timed("s/x/b.txt", "bbbbbb", 1400000000);
        QCOMPARE(search({path("s")}), 5);
        const std::set<std::string> all = {"s/x/a1.txt", "s/long/folder/a22.txt", "s/a.txt",
                                           "s/b_long_name.txt", "s/x/b.txt"};
        const auto allBut = [&all](std::set<std::string> kept) {
            std::set<std::string> out;
            for (const std::string &p : all)
                if (!kept.contains(p))
                    out.insert(p);
            return out;
        };
        // The first row of each group, whatever order the walk gave.
        std::set<std::string> firsts;
        for (int i = 0; i < model()->size(); ++i)
            if (i == 0 || model()->group(i) != model()->group(i - 1))
                firsts.insert(model()->record(i).FullName.substr(m_tree->root().size() + 1));
        std::string firstOutsideX;
        for (int i = 0; i < model()->size() && firstOutsideX.empty(); ++i) {
            const std::string rel = model()->record(i).FullName.substr(m_tree->root().size() + 1);
            if (!rel.starts_with("s/x/") && model()->record(i).FileSize == 4)
                firstOutsideX = rel;
        }

        const struct {
            SelectionRule rule;
            std::set<std::string> checked;
        } cases[] = {
            {{KeepRule::Newest, {}}, allBut({"s/long/folder/a22.txt", "s/b_long_name.txt"})},
            {{KeepRule::Oldest, {}}, allBut({"s/x/a1.txt", "s/x/b.txt"})},
            {{KeepRule::ShortestPath, {}}, allBut({"s/a.txt", "s/x/b.txt"})},
            {{KeepRule::LongestPath, {}}, allBut({"s/long/folder/a22.txt", "s/b_long_name.txt"})},
            {{KeepRule::ShortestName, {}}, allBut({"s/a.txt", "s/x/b.txt"})},
            {{KeepRule::First, {}}, allBut(firsts)},
            {{KeepRule::InsideFolder, path("s/x")}, allBut({"s/x/a1.txt", "s/x/b.txt"})},
            {{KeepRule::OutsideFolder, path("s/x")}, allBut({firstOutsideX, "s/b_long_name.txt"})},
            // No name of the second group matches: none of its files is checked.
            {{KeepRule::NameMatches, "*22*"}, {"s/x/a1.txt", "s/a.txt"}},
        };
        for (const auto &c : cases) {
            applyRule(c.rule);
            QCOMPARE(checkedFiles(), c.checked);
        }

        // Unselect all, then invert: every file but the first of each group.
        trigger("UnselectAll1");
        QVERIFY(checkedFiles().empty());
        trigger("InvertGroups1");
        QCOMPARE(checkedFiles(), allBut(firsts));
        // Inverting again checks the first of each group alone (no group loses every copy).
        trigger("InvertGroups1");
        QCOMPARE(checkedFiles(), firsts);
        // The menu entry opens the same dialog.
        m_dialogs->selectionRule = SelectionRule{KeepRule::Oldest, {}};
        trigger("SelectRule1");
        QCOMPARE(checkedFiles(), allBut({"s/x/a1.txt", "s/x/b.txt"}));
        // Cancelled: nothing changes.
        m_dialogs->ruleAccepted = false;
        m_dialogs->selectionRule = SelectionRule{KeepRule::Newest, {}};
        click(w(), "SelectRule");
        QCOMPARE(checkedFiles(), allBut({"s/x/a1.txt", "s/x/b.txt"}));
    }

    // The dialog's controls make the rule; a folder or mask rule without its text has no OK.
    void theRuleDialogMakesTheRuleOfItsControls()
    {
        const auto texts = [](const char *, const char *builtIn) {
            return QString::fromUtf8(builtIn);
        };
        QString askedFrom;
        TSelectRuleForm form({KeepRule::OutsideFolder, path("old")}, texts,
                             [&](const QString &start) {
                                 askedFrom = start;
                                 return m_dialogs->folder;
                             });
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(checked(&form, "RuleOutside"));
        QCOMPARE(child<QLineEdit>(&form, "RuleFolder")->text(),
                 QString::fromStdString(path("old")));
        QVERIFY(!child<QLineEdit>(&form, "RuleMask")->isEnabled());

        click(&form, "RuleNewest");
        QCOMPARE(form.rule(), (SelectionRule{KeepRule::Newest, {}}));
        QVERIFY(!child<QLineEdit>(&form, "RuleFolder")->isEnabled());

        click(&form, "RuleName");
        QVERIFY(!child<QPushButton>(&form, "OKBut")->isEnabled());
        QVERIFY(!form.rule());
        QTest::keyClicks(child<QLineEdit>(&form, "RuleMask"), QStringLiteral(" *.jpg;IMG_* "));
        QVERIFY(child<QPushButton>(&form, "OKBut")->isEnabled());
        QCOMPARE(form.rule(), (SelectionRule{KeepRule::NameMatches, "*.jpg;IMG_*"}));

        click(&form, "RuleInside");
        m_dialogs->folder = QString::fromStdString(path("picked"));
        click(&form, "RuleFolderBut");
        QCOMPARE(askedFrom, QString::fromStdString(path("old")));
        QCOMPARE(form.rule(), (SelectionRule{KeepRule::InsideFolder, path("picked")}));
        // A cancelled folder choice keeps the folder.
        m_dialogs->folder.clear();
        click(&form, "RuleFolderBut");
        QCOMPARE(form.rule(), (SelectionRule{KeepRule::InsideFolder, path("picked")}));
        child<QLineEdit>(&form, "RuleFolder")->clear();
        QVERIFY(!child<QPushButton>(&form, "OKBut")->isEnabled());
    }

    void tiesKeepTheFirstInListOrderAndTheLastRuleIsOfferedAgain()
    {
        timed("s/p/one", "same", 1300000000);
        timed("s/q/two", "same", 1300000000);
        timed("s/r/six", "same", 1100000000);
        QCOMPARE(search({path("s")}), 3);
        applyRule({KeepRule::Newest, {}});
        // The two newest tie: the first of them in the list stays.
        const std::string first =
            rowOf(path("s/p/one")) < rowOf(path("s/q/two")) ? "s/p/one" : "s/q/two";
        QVERIFY(!isChecked(path(first)));
        QCOMPARE(checkedFiles().size(), std::size_t(2));

        // The first use offers "first in list order"; later ones the rule chosen last, also
        // after the window was closed.
        QCOMPARE(m_dialogs->offeredRules.front(), (SelectionRule{KeepRule::First, {}}));
        applyRule({KeepRule::InsideFolder, path("s/q")});
        QVERIFY(!isChecked(path("s/q/two")));
        m_dialogs->selectionRule.reset();
        click(w(), "SelectRule");
        QCOMPARE(m_dialogs->offeredRules.back(),
                 (SelectionRule{KeepRule::InsideFolder, path("s/q")}));
        m_modelTester.reset();
        m_window->close();
        m_window.reset();
        openWindow();
        QCOMPARE(w()->findChild<ListCommands *>()->storedSelectionRule(),
                 (SelectionRule{KeepRule::InsideFolder, path("s/q")}));
    }

    // Originals are kept by every rule, never checked, and no command takes them away.
    void originalsAreKeptByRulesAndRefusedByEveryCommand()
    {
        timed("s/a", "same", 1500000000);
        timed("s/b", "same", 1400000000);
        timed("ref/a", "same", 1000000000);
        timed("ref/c", "cccc", 1000000000);
        timed("ref/d", "cccc", 1000000000); // a group of originals only: not shown
        QCOMPARE(search({path("s")}, {path("ref")}), 3);
        QVERIFY(model()->record(rowOf(path("ref/a"))).Reference);
        QCOMPARE(rowOf(path("ref/c")), -1);

        // Oldest would keep ref/a anyway; newest too, because it is the original.
        for (const KeepRule rule : {KeepRule::Newest, KeepRule::Oldest, KeepRule::First}) {
            applyRule({rule, {}});
            QCOMPARE(checkedFiles(), (std::set<std::string>{"s/a", "s/b"}));
        }
        trigger("UnselectAll1");
        trigger("InvertGroups1");
        QCOMPARE(checkedFiles(), (std::set<std::string>{"s/a", "s/b"}));

        const auto refused = [this](const char *what) {
            const bool told = !m_dialogs->errors.isEmpty() &&
                              m_dialogs->errors.last().contains(QStringLiteral("reference folder"));
            if (!told)
                qWarning("%s was not refused", what);
            m_dialogs->errors.clear();
            return told && QFileInfo::exists(QString::fromStdString(path("ref/a"))) &&
                   m_tree->read("ref/a") == "same";
        };
        m_dialogs->answer = true;
        click(w(), "Radio3");
        select(path("ref/a"));
        trigger("Delete1");
        QVERIFY(refused("Delete"));
        QVERIFY(m_dialogs->questions.isEmpty()); // refused before any question
        QTest::keyClick(child<QTreeView>(w(), "List"), Qt::Key_Delete);
        QVERIFY(refused("the Delete key"));
        m_dialogs->folder = QString::fromStdString(path("elsewhere"));
        QDir().mkpath(m_dialogs->folder);
        trigger("Move1");
        QVERIFY(refused("Move"));
        model()->setData(model()->index(rowOf(path("ref/a")), 0),
                         QString::fromStdString(path("ref/renamed")), Qt::EditRole);
        QVERIFY(refused("Rename"));
        trigger("Link1");
        QVERIFY(refused("Link"));
        // Copying onto an original's name is refused; the original is not replaced.
        timed("other/a", "diff", 1000000000);
        m_dialogs->folder = QString::fromStdString(path("ref"));
        select(path("s/a"));
        trigger("Copy1");
        QVERIFY(refused("Copy over"));
        QCOMPARE(rowOf(path("ref/a")) >= 0, true);

        // Checked by other means, an original is left out of deleting, and does not count as
        // leaving: its group keeps it, so no last-copy question comes.
        m_dialogs->questions.clear();
        model()->setChecked(rowOf(path("s/a")), true);
        model()->setChecked(rowOf(path("s/b")), true);
        model()->setChecked(rowOf(path("ref/a")), true);
        click(w(), "DeleteAll");
        QVERIFY(QTest::qWaitFor([this] { return !w()->Deleting(); }, 10000));
        QVERIFY(m_dialogs->questions.filter(QStringLiteral("last copy")).isEmpty());
        QVERIFY(!QFileInfo::exists(QString::fromStdString(path("s/a"))));
        QVERIFY(!QFileInfo::exists(QString::fromStdString(path("s/b"))));
        QCOMPARE(m_tree->read("ref/a"), std::string("same"));
        QCOMPARE(model()->size(), 1);
    }

    // A group made only of originals (rows given by hand, as no search shows one): no rule,
    // no inversion checks any of it.
    void aGroupOfOriginalsOnlyGetsNoCheck()
    {
        FileList rows;
        for (const char *rel : {"ref/a", "ref/b"}) {
            const std::string p = m_tree->createFile(rel, "same");
            const platform::FileIdentity now = id(p);
            TFileData d = TFileData::onDisk(path("ref"), rel + 4, 4, 0);
            d.Device = now.Device;
            d.Inode = now.Inode;
            d.MtimeNs = now.MtimeNs;
            d.Reference = true;
            rows.push_back(std::move(d));
        }
        model()->fill(std::move(rows), RowBand{1, 1}, {0, 0});
        for (const KeepRule rule : {KeepRule::Newest, KeepRule::First, KeepRule::LongestPath}) {
            applyRule({rule, {}});
            QVERIFY(checkedFiles().empty());
        }
        trigger("InvertGroups1");
        QVERIFY(checkedFiles().empty());
        QVERIFY(totalsText().isEmpty());
    }

    void linksReplaceCheckedFilesAndLeaveFailuresAsTheyWere()
    {
        m_tree->createFile("s/a", "same");
        m_tree->createFile("s/b", "same");
        m_tree->createFile("s/c", "same");
        m_tree->createFile("t/x", "other!");
        m_tree->createFile("t/y", "other!");
        m_tree->createFile("t/z", "other!");
        QCOMPARE(search({path("s"), path("t")}), 6);
        const platform::FileIdentity keptA = id(path("s/a"));

        // Hard links: b and c become names of a; their rows leave.
        applyRule({KeepRule::InsideFolder, path("s/a")}); // nothing is in "s/a": no check
        QVERIFY(checkedFiles().empty());
        model()->setChecked(rowOf(path("s/b")), true);
        model()->setChecked(rowOf(path("s/c")), true);
        m_dialogs->itemIndex = 0;
        trigger("LinkAll1");
        QVERIFY(m_dialogs->errors.isEmpty());
        QCOMPARE(m_dialogs->itemChoices.size(), 1);
        QCOMPARE(id(path("s/b")).Inode, keptA.Inode);
        QCOMPARE(id(path("s/c")).Inode, keptA.Inode);
        QCOMPARE(rowOf(path("s/b")), -1);
        QCOMPARE(rowOf(path("s/c")), -1);
        QVERIFY(rowOf(path("s/a")) >= 0);

        // A symbolic link from the row menu: the selected row's file points at the first
        // unchecked copy of its group.
        const std::string firstT =
            model()->record(model()->groupRange(rowOf(path("t/x"))).first).FullName;
        const std::string linked = firstT == path("t/z") ? path("t/y") : path("t/z");
        select(linked);
        m_dialogs->itemIndex = 1;
        trigger("Link1");
        QVERIFY(m_dialogs->errors.isEmpty());
        char target[4096] = {};
        QVERIFY(::readlink(linked.c_str(), target, sizeof target - 1) > 0);
        QCOMPARE(std::string(target), firstT);
        QCOMPARE(rowOf(linked), -1);

        // The file changed since the search: refused with the reason, the file stays as it is.
        std::string changed;
        for (const char *rel : {"t/x", "t/y", "t/z"})
            if (path(rel) != firstT && path(rel) != linked)
                changed = path(rel);
        m_tree->createFile(changed.substr(m_tree->root().size() + 1), "OTHER!", 1000000000);
        const platform::FileIdentity before = id(changed);
        model()->setChecked(rowOf(changed), true);
        m_dialogs->itemIndex = 0;
        trigger("LinkAll1");
        QCOMPARE(m_dialogs->errors.size(), 1);
        QVERIFY(m_dialogs->errors[0].contains(platform::DisplayPath(changed)));
        QVERIFY(m_dialogs->errors[0].contains(QStringLiteral("changed since the search")));
        QCOMPARE(id(changed).Inode, before.Inode);
        QCOMPARE(m_tree->read(changed.substr(m_tree->root().size() + 1)), std::string("OTHER!"));
        QVERIFY(rowOf(changed) >= 0);
        QVERIFY(model()->isChecked(rowOf(changed)));
    }

    void aReflinkIsMadeOrRefusedWithItsReason()
    {
        m_tree->createFile("s/a", "same content");
        m_tree->createFile("s/b", "same content");
        QCOMPARE(search({path("s")}), 2);
        const int first = 0;
        const std::string kept = model()->record(first).FullName;
        const std::string replaced = model()->record(1).FullName;
        const platform::FileIdentity before = id(replaced);
        model()->setChecked(1, true);
        m_dialogs->itemIndex = 2;
        trigger("LinkAll1");
        if (m_dialogs->errors.isEmpty()) {
            // Cloned: a file of its own with the same content; its row stays and vouches for it.
            QVERIFY(rowOf(replaced) >= 0);
            QCOMPARE(model()->record(rowOf(replaced)).Inode, id(replaced).Inode);
            QVERIFY(!model()->isChecked(rowOf(replaced)));
        } else {
            QVERIFY(m_dialogs->errors[0].contains(QStringLiteral("btrfs")));
            QCOMPARE(id(replaced).Inode, before.Inode);
            QVERIFY(model()->isChecked(rowOf(replaced)));
        }
        QCOMPARE(m_tree->read(replaced.substr(m_tree->root().size() + 1)),
                 std::string("same content"));
        QCOMPARE(id(kept).Inode, model()->record(rowOf(kept)).Inode);
    }

    // A hard link cannot join two file systems: refused with that reason, the file stays.
    void aHardLinkAcrossFileSystemsIsRefused()
    {
        QTemporaryDir other(QStringLiteral("/dev/shm/twinly-test-XXXXXX"));
        struct stat here {
        }, there{};
        if (!other.isValid() || ::stat(m_tree->root().c_str(), &here) != 0 ||
            ::stat(other.path().toLocal8Bit().constData(), &there) != 0 ||
            here.st_dev == there.st_dev)
            QSKIP("no second file system for temporary files");
        m_tree->createFile("s/a", "same");
        const std::string away = other.path().toStdString() + "/b";
        std::ofstream(away) << "same";
        QCOMPARE(search({path("s"), other.path().toStdString()}), 2);
        const std::string replaced = rowOf(away) == 0 ? path("s/a") : away;
        const platform::FileIdentity before = id(replaced);
        model()->setChecked(rowOf(replaced), true);
        m_dialogs->itemIndex = 0;
        trigger("LinkAll1");
        QCOMPARE(m_dialogs->errors.size(), 1);
        QVERIFY(m_dialogs->errors[0].contains(QStringLiteral("two file systems")));
        QCOMPARE(id(replaced).Inode, before.Inode);
        QVERIFY(rowOf(replaced) >= 0);
    }

    // With every copy checked there is nothing to link to: each file stays, and the user is told.
    void everyCopyCheckedLeavesNothingToLinkTo()
    {
        m_tree->createFile("s/a", "same");
        m_tree->createFile("s/b", "same");
        QCOMPARE(search({path("s")}), 2);
        const platform::FileIdentity a = id(path("s/a")), b = id(path("s/b"));
        model()->setChecked(0, true);
        model()->setChecked(1, true);
        m_dialogs->itemIndex = 1;
        trigger("LinkAll1");
        QCOMPARE(m_dialogs->errors.size(), 1);
        QVERIFY(m_dialogs->errors[0].startsWith(QStringLiteral("Error: 2 files were not")));
        QVERIFY(m_dialogs->errors[0].contains(QStringLiteral("no unchecked, unchanged copy")));
        QCOMPARE(id(path("s/a")).Inode, a.Inode);
        QCOMPARE(id(path("s/b")).Inode, b.Inode);
        QVERIFY(id(path("s/b")).regular());
        QCOMPARE(model()->size(), 2);
        // Cancelling the kind asks nothing more and changes nothing.
        m_dialogs->errors.clear();
        m_dialogs->itemAccepted = false;
        model()->setChecked(0, false);
        trigger("LinkAll1");
        QVERIFY(m_dialogs->errors.isEmpty());
        QVERIFY(id(path("s/b")).regular());
    }

    // The copy linked to is the original when the group has one.
    void linksGoToTheOriginalFirst()
    {
        m_tree->createFile("s/a", "same");
        m_tree->createFile("s/b", "same");
        m_tree->createFile("ref/o", "same");
        QCOMPARE(search({path("s")}, {path("ref")}), 3);
        model()->setChecked(rowOf(path("s/b")), true);
        m_dialogs->itemIndex = 0;
        trigger("LinkAll1");
        QVERIFY(m_dialogs->errors.isEmpty());
        QCOMPARE(id(path("s/b")).Inode, id(path("ref/o")).Inode);
        QVERIFY(id(path("s/a")).Inode != id(path("ref/o")).Inode);
    }

    void saveListWritesCsvOrJsonWithGroupsAndMarks()
    {
        m_tree->createFile("s/a", "same");
        m_tree->createFile("s/b", "same");
        m_tree->createFile("t/x", "other!");
        m_tree->createFile("t/y", "other!");
        m_tree->createFile("ref/o", "other!");
        QCOMPARE(search({path("s"), path("t")}, {path("ref")}), 5);
        model()->setChecked(rowOf(path("s/b")), true);
        model()->setChecked(rowOf(path("t/y")), true);

        m_dialogs->file = QString::fromStdString(path("out/list.JSON"));
        QDir().mkpath(QString::fromStdString(path("out")));
        trigger("SaveList1");
        QVERIFY(m_dialogs->errors.isEmpty());
        QFile json(m_dialogs->file);
        QVERIFY(json.open(QIODevice::ReadOnly));
        QJsonParseError error{};
        const QJsonArray rows = QJsonDocument::fromJson(json.readAll(), &error).array();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(rows.size(), 5);
        std::map<std::string, QJsonObject> byPath;
        for (const QJsonValue &row : rows)
            byPath[row[QStringLiteral("path")].toString().toStdString()] = row.toObject();
        QCOMPARE(byPath[path("s/a")][QStringLiteral("group")].toInt(),
                 byPath[path("s/b")][QStringLiteral("group")].toInt());
        QCOMPARE(byPath[path("t/x")][QStringLiteral("group")].toInt(),
                 byPath[path("ref/o")][QStringLiteral("group")].toInt());
        QVERIFY(byPath[path("s/a")][QStringLiteral("group")].toInt() !=
                byPath[path("t/x")][QStringLiteral("group")].toInt());
        QCOMPARE(byPath[path("s/b")][QStringLiteral("checked")].toBool(), true);
        QCOMPARE(byPath[path("s/a")][QStringLiteral("checked")].toBool(), false);
        QCOMPARE(byPath[path("ref/o")][QStringLiteral("reference")].toBool(), true);
        QCOMPARE(byPath[path("t/x")][QStringLiteral("reference")].toBool(), false);

        // A name without extension is saved as CSV.
        m_dialogs->file = QString::fromStdString(path("out/list"));
        trigger("SaveList1");
        std::ifstream csv(path("out/list.csv"));
        std::string line;
        std::getline(csv, line);
        QCOMPARE(line, std::string("band,path,size,time,crc,group,reference,checked"));
        int lines = 0, checked = 0;
        std::set<std::string> groups;
        while (std::getline(csv, line)) {
            ++lines;
            checked += line.ends_with(",1") ? 1 : 0;
            if (line.find(path("ref/o")) != std::string::npos)
                QVERIFY(line.ends_with(",1,0"));
        }
        QCOMPARE(lines, 5);
        QCOMPARE(checked, 2);

        // A folder that cannot take the file: the user is told, nothing is left there.
        m_dialogs->file = QString::fromStdString(path("missing/list.csv"));
        trigger("SaveList1");
        QCOMPARE(m_dialogs->errors.size(), 1);
        QVERIFY(m_dialogs->errors[0].contains(QStringLiteral("could not be saved")));
        QVERIFY(!QFileInfo::exists(QString::fromStdString(path("missing"))));
    }

    // At the window's smallest size the strip above the list still shows every button and both
    // labels whole.
    void theStripKeepsItsButtonsAndLabelsAtTheSmallestSize()
    {
        w()->resize(600, 391);
        QCoreApplication::processEvents();
        auto *strip = child<QWidget>(w(), "Panel6");
        if (!qEnvironmentVariableIsEmpty("TWINLY_SHOT"))
            w()->grab().save(qEnvironmentVariable("TWINLY_SHOT"));
        for (const char *name : {"DeleteAll", "Label1", "SelectRule", "RemoveAll", "Label2"}) {
            auto *widget = child<QWidget>(w(), name);
            QVERIFY2(widget->isVisible(), name);
            const QRect r(widget->mapTo(strip, QPoint(0, 0)), widget->size());
            QVERIFY2(strip->rect().contains(r), name);
            QVERIFY2(widget->width() >= widget->sizeHint().width(), name);
        }
    }

    void checkedTotalsFollowTheChecks()
    {
        m_tree->createFile("s/a", "12345");
        m_tree->createFile("s/b", "12345");
        m_tree->createFile("s/c", "12345");
        QCOMPARE(search({path("s")}), 3);
        QVERIFY(totalsText().isEmpty());
        model()->setData(model()->index(rowOf(path("s/b")), 0), Qt::Checked, Qt::CheckStateRole);
        QCOMPARE(totalsText(), QStringLiteral("1 files checked, 5 bytes"));
        applyRule({KeepRule::First, {}});
        QCOMPARE(totalsText(), QStringLiteral("2 files checked, 10 bytes"));
        // The activity panels stay as a search left them.
        QVERIFY(child<QLabel>(w(), "StatusPanel0")->text().isEmpty());
        QVERIFY(child<QLabel>(w(), "StatusPanel2")->text().isEmpty());
        // A removed row counts no more.
        select(model()->record(model()->size() - 1).FullName);
        trigger("Deleteonlyfromlist1");
        QCOMPARE(totalsText(), QStringLiteral("1 files checked, 5 bytes"));
        trigger("UnselectAll1");
        QVERIFY(totalsText().isEmpty());
    }
};

QTEST_MAIN(TestListRules)
#include "tst_list_rules.moc"
