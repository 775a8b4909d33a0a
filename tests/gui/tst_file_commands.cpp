// SPDX-License-Identifier: GPL-3.0-or-later
#include "crc.h"
#include "crc_db.h"
#include "fake_dialogs.h"
#include "file_operations.h"
#include "gui_helpers.h"
#include "list_commands.h"

#include "move_form.h"
#include "path_text.h"
#include "results_model.h"
#include "settings_store.h"
#include "temp_tree.h"
#include <QAbstractItemModelTester>

#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTreeView>
#include <QUrl>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

using namespace twinly;
using namespace twinly::test;

namespace {
constexpr char kLatin[] = "caf\xE9.txt";             // not UTF-8
constexpr char kLookalike[] = "caf\xEF\xBF\xBD.txt"; // U+FFFD, what a lossy decoding makes of it
} // namespace

// Stands in for the desktop's opener: records the URLs it is handed.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void open(const QUrl &url) { urls << url; }
};

class TestFileCommands : public QObject {
    Q_OBJECT

    QTemporaryDir m_config;
    std::unique_ptr<TempTree> m_tree;
    std::unique_ptr<TForm1> m_window;
    std::unique_ptr<QAbstractItemModelTester> m_modelTester;
    std::unique_ptr<FakeDialogs> m_dialogs;

    TForm1 *w() { return m_window.get(); }
    ResultsModel *model() { return w()->results(); }
    std::string path(std::string_view rel) { return m_tree->path(rel); }
    static bool exists(const std::string &p)
    {
        return QFileInfo::exists(QString::fromStdString(p));
    }

    // A content search over `folder`; returns the rows found.
    int search(const std::string &folder) { return search(std::vector<std::string>{folder}); }
    int search(const std::vector<std::string> &folders)
    {
        for (const std::string &folder : folders)
            addFolder(w(), QString::fromStdString(folder));
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
    int rowOf(const std::string &p)
    {
        for (int i = 0; i < model()->size(); ++i)
            if (model()->record(i).FullName == p)
                return i;
        return -1;
    }
    void select(int row)
    {
        auto *list = child<QTreeView>(w(), "List");
        list->setCurrentIndex(model()->index(row, 0));
    }
    void trigger(const char *action) { child<QAction>(w(), action)->trigger(); }
    static bool present(const std::string &p)
    {
        struct stat st {};
        return ::lstat(p.c_str(), &st) == 0;
    }
    // The paths the trash's records give back, percent-decoded as a restoring tool reads them.
    static std::vector<std::string> trashedPaths()
    {
        // Read by bytes: the records of names that are not UTF-8 have such names too.
        std::vector<std::string> paths;
        std::error_code ec;
        for (const auto &entry : std::filesystem::directory_iterator(
                 qgetenv("XDG_DATA_HOME").toStdString() + "/Trash/info", ec)) {
            std::ifstream in(entry.path(), std::ios::binary);
            std::string line;
            while (std::getline(in, line))
                if (line.starts_with("Path="))
                    paths.push_back(
                        QByteArray::fromPercentEncoding(QByteArray::fromStdString(line.substr(5)))
                            .toStdString());
        }
        return paths;
    }
    void setMode(const char *radio) { click(w(), radio); }
    void check(const std::string &p) { model()->setChecked(rowOf(p), true); }
    void deleteRow(const std::string &p)
    {
        select(rowOf(p));
        trigger("Delete1");
    }
    void rename(const std::string &p, const QString &text)
    {
        model()->setData(model()->index(rowOf(p), 0), text, Qt::EditRole);
    }
    void deleteChecked()
    {
        click(w(), "DeleteAll");
        if (!QTest::qWaitFor([this] { return !w()->Deleting(); }, 10000))
            qFatal("deleting did not end");
    }
    int lastCopyQuestions() const
    {
        return static_cast<int>(m_dialogs->questions.filter(QStringLiteral("last copy")).size());
    }
    static void setTimes(const std::string &p, std::time_t sec, long nsec)
    {
        const timespec times[2] = {{sec, nsec}, {sec, nsec}};
        if (::utimensat(AT_FDCWD, p.c_str(), times, 0) != 0)
            qFatal("cannot set the times of %s", p.c_str());
    }
    // Files whose times differ only below the second: the packed time cannot tell them apart.
    std::string createTimed(const char *rel, const char *bytes)
    {
        const std::string p = m_tree->createFile(rel, bytes);
        setTimes(p, 1600000000, 500);
        return p;
    }
    // Another file of the same size and times takes the name.
    void renameOver(const char *rel, const char *bytes)
    {
        const std::string other = createTimed("renamed-over.tmp", bytes);
        if (std::rename(other.c_str(), path(rel).c_str()) != 0)
            qFatal("cannot rename over %s", rel);
    }

private Q_SLOTS:
    void init()
    {
        emptyXdgFolders();
        m_tree = std::make_unique<TempTree>();
        m_dialogs = std::make_unique<FakeDialogs>();
        m_window = std::make_unique<TForm1>();
        // Every row change the test causes is checked against the model contract as it happens.
        m_modelTester = std::make_unique<QAbstractItemModelTester>(
            w()->results(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        w()->setSettingsPath(m_config.filePath(QStringLiteral("Zorvik.reg")));
        w()->show();
        QVERIFY(QTest::qWaitForWindowExposed(w()));
        child<QLineEdit>(w(), "MaskEdit")->setText(QStringLiteral("*"));
        // The cases count every question asked: the two confirmations a user can turn off
        // start off here, and a case that is about them turns them on.
        child<QAbstractButton>(w(), "ConfDel")->setChecked(false);
        child<QAbstractButton>(w(), "ConfDelAll")->setChecked(false);
    }
    void cleanup()
    {
        m_modelTester.reset();
        m_window.reset();
        m_dialogs.reset();
        m_tree.reset();
        InstallFileOperation({});
    }

    void deleteOneFileInEachModeAfterTheQuestion()
    {
        m_tree->createFile("s/a", "same");
        m_tree->createFile("s/b", "same");
        m_tree->createFile("s/c", "same");
        m_tree->createFile("s/d", "same");
        QCOMPARE(search(path("s")), 4);
        click(w(), "ConfDel");

        // No: nothing happens.
        select(rowOf(path("s/a")));
        m_dialogs->answer = false;
        trigger("Delete1");
        QCOMPARE(m_dialogs->questions,
                 QStringList{QStringLiteral("Deleting file: Do you wnat to delete this file ?")});
        QVERIFY(exists(path("s/a")));
        QCOMPARE(model()->size(), 4);

        // Mode 3: gone for good.
        m_dialogs->answer = true;
        setMode("Radio3");
        trigger("Delete1");
        QVERIFY(!exists(path("s/a")));
        QCOMPARE(model()->size(), 3);
        QCOMPARE(rowOf(path("s/a")), -1);

        // Mode 2: into the trash, with its record.
        setMode("Radio2");
        select(rowOf(path("s/b")));
        trigger("Delete1");
        QVERIFY(!exists(path("s/b")));
        const QString data = QString::fromLocal8Bit(qgetenv("XDG_DATA_HOME"));
        QVERIFY(QFileInfo::exists(data + QStringLiteral("/Trash/info/b.trashinfo")));

        // Mode 1: below the keeping folder with its whole path; a later file of the same path
        // replaces the kept one.
        setMode("Radio1");
        const std::string keep = path("keep");
        child<QLineEdit>(w(), "MoveDir")->setText(QString::fromStdString(keep));
        select(rowOf(path("s/c")));
        trigger("Delete1");
        QVERIFY(!exists(path("s/c")));
        QCOMPARE(m_tree->read("keep" + path("s/c")), std::string("same"));
        m_tree->createFile("s/c", "newer");
        QVERIFY(w()->findChild<ListCommands *>()->DeleteByMode(path("s/c")).ok);
        QCOMPARE(m_tree->read("keep" + path("s/c")), std::string("newer"));
        QVERIFY(m_dialogs->errors.isEmpty());
    }

    void aFileChangedSinceTheSearchIsNotDeleted()
    {
        m_tree->createFile("s/a", "same");
        m_tree->createFile("s/b", "same");
        QCOMPARE(search(path("s")), 2);
        setMode("Radio3");
        m_tree->createFile("s/a", "SAME", 1000000000); // same size, other time and content
        select(rowOf(path("s/a")));
        trigger("Delete1");
        QVERIFY(exists(path("s/a")));
        QCOMPARE(model()->size(), 2);
        QCOMPARE(m_dialogs->errors.size(), 1);
        QVERIFY(m_dialogs->errors[0].contains(QStringLiteral("changed since the search")));
    }

    void emptyKeepingFolderIsRefused()
    {
        m_tree->createFile("s/a", "same");
        m_tree->createFile("s/b", "same");
        QCOMPARE(search(path("s")), 2);
        setMode("Radio1");
        child<QLineEdit>(w(), "MoveDir")->clear();
        select(0);
        trigger("Delete1");
        QCOMPARE(m_dialogs->errors,
                 QStringList{QStringLiteral("Error: No folder is set to keep deleted files in.")});
        QCOMPARE(model()->size(), 2);
    }

    void deleteMarkedFilesOnTheThreadWithGaugeAndSafetyQuestion()
    {
        m_tree->createFile("s/a", "same");
        m_tree->createFile("s/b", "same");
        m_tree->createFile("s/c", "same");
        QCOMPARE(search(path("s")), 3);
        setMode("Radio3");
        for (int i = 0; i < 3; ++i)
            model()->setChecked(i, true);
        // Every file of the group is checked: one more question; No deletes nothing.
        m_dialogs->answer = false;
        click(w(), "DeleteAll");
        QVERIFY(!w()->Deleting());
        QCOMPARE(m_dialogs->questions.size(), 1);
        QVERIFY(m_dialogs->questions[0].contains(
            QStringLiteral("1 groups would lose their last copy")));
        QCOMPARE(model()->size(), 3);

        m_dialogs->answer = true;
        QSignalSpy gauge(child<QProgressBar>(w(), "Gauge1"), &QProgressBar::valueChanged);
        click(w(), "DeleteAll");
        QTRY_VERIFY(!w()->Deleting());
        QCOMPARE(model()->size(), 0);
        QVERIFY(!exists(path("s/a")) && !exists(path("s/b")) && !exists(path("s/c")));
        QList<int> values;
        for (const auto &args : gauge)
            values << args.at(0).toInt();
        values.removeAll(0);
        QCOMPARE(values, (QList<int>{33, 67, 100}));
        QVERIFY(child(w(), "PageControl1")->isEnabled());
        QVERIFY(child(w(), "Gauge1")->isHidden());
    }

    void databaseRowsAreLeftAloneByEveryFileCommand()
    {
        m_tree->createFile("s/a", "recorded");
        FileList recorded;
        recorded.push_back(TFileData::onDisk("/x", "y", 8, 0));
        recorded[0].CRC = Crc32Of("recorded", 8);
        recorded[0].CrcKnown = true;
        QVERIFY(!SaveCRCDatabase(path("db.twd"), recorded));
        click(w(), "CheckDublicates");
        click(w(), "CRCCompare");
        child<QLineEdit>(w(), "CRCFile")->setText(QString::fromStdString(path("db.twd")));
        click(w(), "AddFile");
        QCOMPARE(search(path("s")), 2);
        const int offline = rowOf("Off line");
        QVERIFY(offline >= 0);
        setMode("Radio3");
        select(offline);
        int calls = 0;
        InstallFileOperation(
            [&](const std::string &, const std::string &, platform::FileOperation, unsigned, bool) {
                ++calls;
                return platform::FileOpResult{};
            });
        m_dialogs->folder = QString::fromStdString(path("dest"));
        for (const char *action : {"Delete1", "Open1", "Move1", "Copy1"})
            trigger(action);
        QVERIFY(model()->setData(model()->index(offline, 0), QStringLiteral("/tmp/renamed"),
                                 Qt::EditRole));
        QCOMPARE(calls, 0);
        QVERIFY(m_dialogs->errors.isEmpty()); // Open did not even try
        QCOMPARE(model()->record(offline).FullName, std::string("Off line"));
        // DeleteAll with the database row and the file checked: the database row stays.
        InstallFileOperation({});
        model()->setChecked(0, true);
        model()->setChecked(1, true);
        m_dialogs->answer = true; // the group's only file on disk is checked: asked
        click(w(), "DeleteAll");
        QTRY_VERIFY(!w()->Deleting());
        QCOMPARE(model()->size(), 1);
        QCOMPARE(model()->record(0).FullName, std::string("Off line"));
    }

    void closingDuringADeleteRunStopsAfterTheFileInHand()
    {
        for (int i = 0; i < 6; ++i)
            m_tree->createFile("s/f" + std::to_string(i), "same");
        QCOMPARE(search(path("s")), 6);
        setMode("Radio3");
        std::atomic<int> done{0};
        InstallFileOperation([&](const std::string &src, const std::string &dst,
                                 platform::FileOperation op, unsigned flags, bool replace) {
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            ++done;
            return platform::PerformFileOperation(src, dst, op, flags, replace);
        });
        for (int i = 1; i < 6; ++i)
            model()->setChecked(i, true);
        click(w(), "DeleteAll");
        QVERIFY(w()->Deleting());
        w()->close(); // must neither deadlock nor close under the running thread
        QVERIFY(w()->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!w()->isVisible(), 5000);
        QVERIFY(!w()->Deleting());
        QVERIFY(done.load() < 5);
        QCOMPARE(model()->size(), 0); // closing frees the results
    }

    void moveAndCopyFollowTheFileAndAskBeforeReplacing()
    {
        m_tree->createFile("s/a", "same");
        m_tree->createFile("s/b", "same");
        m_tree->createFile("dest/a", "other file");
        QCOMPARE(search(path("s")), 2);
        m_dialogs->folder = QString::fromStdString(path("dest"));

        // An existing, different file: asked; No leaves everything as it was.
        select(rowOf(path("s/a")));
        m_dialogs->answer = false;
        trigger("Move1");
        QCOMPARE(m_dialogs->destinations, QStringList{QStringLiteral("Move files")});
        QCOMPARE(m_dialogs->questions.size(), 1);
        QVERIFY(exists(path("s/a")));
        QCOMPARE(m_tree->read("dest/a"), std::string("other file"));

        // Copy of b: a copy appears, the row stays.
        select(rowOf(path("s/b")));
        trigger("Copy1");
        QCOMPARE(m_tree->read("dest/b"), std::string("same"));
        QVERIFY(rowOf(path("s/b")) >= 0);

        // Move of b elsewhere: the row follows the file.
        m_dialogs->folder = QString::fromStdString(path("other"));
        const int row = rowOf(path("s/b"));
        select(row);
        trigger("Move1");
        QVERIFY(!exists(path("s/b")));
        QCOMPARE(model()->record(row).FullName, path("other/b"));
        QCOMPARE(model()->index(row, 0).data().toString(), QString::fromStdString(path("other/b")));
        // Cancel does nothing.
        m_dialogs->destinationAccepted = false;
        trigger("Move1");
        QCOMPARE(model()->record(row).FullName, path("other/b"));
    }

    void renameInPlaceMovesTheFileOrLeavesTheCaption()
    {
        m_tree->createFile("s/a", "same");
        m_tree->createFile("s/b", "same");
        m_tree->createDir("elsewhere");
        QCOMPARE(search(path("s")), 2);
        const int row = rowOf(path("s/a"));
        QVERIFY(model()->setData(model()->index(row, 0),
                                 QString::fromStdString(path("elsewhere/renamed")), Qt::EditRole));
        QVERIFY(exists(path("elsewhere/renamed")));
        QCOMPARE(model()->record(row).FullName, path("elsewhere/renamed"));
        // Onto the other file: asked, and No keeps both.
        m_dialogs->answer = false;
        model()->setData(model()->index(row, 0), QString::fromStdString(path("s/b")), Qt::EditRole);
        QCOMPARE(m_dialogs->questions.size(), 1);
        QCOMPARE(model()->record(row).FullName, path("elsewhere/renamed"));
        QVERIFY(exists(path("elsewhere/renamed")) && exists(path("s/b")));
        // A path that cannot be made: the caption keeps its text, the error is shown.
        model()->setData(model()->index(row, 0), QStringLiteral("/proc/nope/x"), Qt::EditRole);
        QCOMPARE(model()->record(row).FullName, path("elsewhere/renamed"));
        QCOMPARE(m_dialogs->errors.size(), 1);
    }

    // The check box and the caption live in the file name cell; the keys reach them from any
    // cell of the selected row.
    void spaceAndF2ActOnTheRowFromAnyCell()
    {
        m_tree->createFile("s/a", "same");
        m_tree->createFile("s/b", "same");
        QCOMPARE(search(path("s")), 2);
        auto *list = child<QTreeView>(w(), "List");
        const int row = rowOf(path("s/b"));
        const QRect timeCell = list->visualRect(model()->index(row, ResultsModel::TimeColumn));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, timeCell.center());
        QCOMPARE(list->currentIndex().column(), int(ResultsModel::TimeColumn));
        QVERIFY(list->selectionModel()->isRowSelected(row, {}));

        QTest::keyClick(list, Qt::Key_Space);
        QVERIFY(model()->isChecked(row));
        QVERIFY(!model()->isChecked(1 - row));
        QTest::keyClick(list, Qt::Key_Space);
        QVERIFY(!model()->isChecked(row));

        QTest::keyClick(list, Qt::Key_F2);
        auto *editor = qobject_cast<QLineEdit *>(list->focusWidget());
        QVERIFY(editor);
        QCOMPARE(editor->text(), QString::fromStdString(path("s/b")));
        editor->setText(QString::fromStdString(path("s/renamed")));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(model()->record(row).FullName, path("s/renamed"));
        QVERIFY(exists(path("s/renamed")) && !exists(path("s/b")));
        QVERIFY(m_dialogs->errors.isEmpty());
    }

    void selectKeepsOneFileOfEachGroupUnchecked()
    {
        for (const char *f : {"p/1", "p/2", "p/3"})
            m_tree->createFile(f, "three of a kind");
        QCOMPARE(search(path("p")), 3);
        select(0);
        trigger("Select1");
        QCOMPARE(m_dialogs->inputs, QStringList{QStringLiteral("Select all files in path: ") +
                                                QString::fromStdString(path("p"))});
        QVERIFY(!model()->isChecked(0));
        QVERIFY(model()->isChecked(1));
        QVERIFY(model()->isChecked(2));
        trigger("Select1"); // a second Select changes nothing
        QVERIFY(!model()->isChecked(0));
        // First row checked beforehand: only the third gets checked.
        model()->setChecked(1, false);
        model()->setChecked(2, false);
        model()->setChecked(0, true);
        trigger("Select1");
        QVERIFY(model()->isChecked(0));
        QVERIFY(!model()->isChecked(1));
        QVERIFY(model()->isChecked(2));
        // Unselect clears every row below the path; an emptied text matches every row.
        trigger("Unselect1");
        for (int i = 0; i < 3; ++i)
            QVERIFY(!model()->isChecked(i));
        m_dialogs->inputText = QString(QLatin1String(""));
        model()->setChecked(1, true);
        trigger("Unselect1");
        QVERIFY(!model()->isChecked(1));
        // Cancelled: nothing.
        m_dialogs->inputAccepted = false;
        trigger("Select1");
        QVERIFY(!model()->isChecked(1) && !model()->isChecked(2));
    }

    void removeAndRemoveAllLeaveTheFiles()
    {
        for (const char *f : {"r/1", "r/2", "r/3", "r/4"})
            m_tree->createFile(f, "four");
        QCOMPARE(search(path("r")), 4);
        select(0);
        const std::string first = model()->record(0).FullName;
        trigger("Deleteonlyfromlist1");
        QCOMPARE(model()->size(), 3);
        QVERIFY(exists(first));
        click(w(), "RemoveAll"); // nothing checked: nothing changes
        QCOMPARE(model()->size(), 3);
        model()->setChecked(0, true);
        model()->setChecked(2, true);
        const std::string kept = model()->record(1).FullName;
        click(w(), "RemoveAll");
        QCOMPARE(model()->size(), 1);
        QCOMPARE(model()->record(0).FullName, kept);
        QVERIFY(!model()->isChecked(0));
        for (const char *f : {"r/1", "r/2", "r/3", "r/4"})
            QVERIFY(exists(path(f)));
    }

    void destinationHistoryKeepsNewestFirstAcrossUses()
    {
        const QString settings = m_config.filePath(QStringLiteral("history.reg"));
        auto use = [&](auto &&act) {
            TMoveForm form(settings.toStdString());
            form.show();
            if (!QTest::qWaitForWindowExposed(&form))
                qFatal("dialog not shown");
            act(form);
            return form.history();
        };
        // First use: empty field and list, both remove buttons off; OK with nothing stores "".
        use([](TMoveForm &f) {
            QVERIFY(f.directory().empty());
            QVERIFY(!child(&f, "RemoveBut")->isEnabled());
            QVERIFY(!child(&f, "RemoveAllBut")->isEnabled());
            click(&f, "OKBut");
        });
        use([](TMoveForm &f) {
            child<QLineEdit>(&f, "Directory")->setText(QStringLiteral("/Old stuff"));
            click(&f, "OKBut");
        });
        use([](TMoveForm &f) {
            child<QLineEdit>(&f, "Directory")->setText(QStringLiteral("/backup"));
            click(&f, "OKBut");
        });
        // The same folder in other letter case goes to the top, as typed.
        QStringList history = use([](TMoveForm &f) {
            QCOMPARE(f.directory(), std::string("/backup")); // newest entry preselected
            QVERIFY(child(&f, "RemoveBut")->isEnabled());
            child<QLineEdit>(&f, "Directory")->setText(QStringLiteral("/Backup"));
            click(&f, "OKBut");
        });
        QCOMPARE(history, (QStringList{QStringLiteral("/Backup"), QStringLiteral("/Old stuff")}));
        std::string stored;
        QVERIFY(
            platform::SettingsKey::open(settings.toStdString())->readString("MovePaths", stored));
        QCOMPARE(stored, std::string("/Backup,\"/Old stuff\""));
        // Remove all, then Cancel: the emptied history is kept.
        use([](TMoveForm &f) {
            click(&f, "RemoveAllBut");
            click(&f, "CancelBut");
        });
        QVERIFY(use([](TMoveForm &f) { click(&f, "CancelBut"); }).isEmpty());
    }

    void groupsAreTheSearchsEvenWhereBandsMeet()
    {
        for (const char *f : {"s/a1", "s/a2"})
            m_tree->createFile(f, "first");
        for (const char *f : {"s/b1", "s/b2"})
            m_tree->createFile(f, "other");
        for (const char *f : {"s/c1", "s/c2"})
            m_tree->createFile(f, "third");
        QCOMPARE(search(path("s")), 6);
        setMode("Radio3");
        // The middle group leaves the list: its neighbours now share one band.
        select(2);
        trigger("Deleteonlyfromlist1");
        select(2);
        trigger("Deleteonlyfromlist1");
        QCOMPARE(model()->size(), 4);
        QCOMPARE(model()->band(1), model()->band(2));
        const std::string first = model()->record(0).FullName;
        const std::string second = model()->record(1).FullName;
        model()->setChecked(0, true);
        model()->setChecked(1, true);
        // Both copies of one group, the confirmations off: the question comes all the same.
        QVERIFY(!checked(w(), "ConfDelAll"));
        m_dialogs->answer = false;
        click(w(), "DeleteAll");
        QVERIFY(!w()->Deleting());
        QCOMPARE(m_dialogs->questions.size(), 1);
        QVERIFY(m_dialogs->questions[0].contains(
            QStringLiteral("1 groups would lose their last copy")));
        QVERIFY(exists(first) && exists(second));
        QCOMPARE(model()->size(), 4);

        m_dialogs->answer = true;
        deleteChecked();
        QVERIFY(!exists(first) && !exists(second));
        QCOMPARE(model()->size(), 2);
        QVERIFY(exists(model()->record(0).FullName) && exists(model()->record(1).FullName));
        QVERIFY(m_dialogs->errors.isEmpty());
    }

    void aCopyChangedVanishedOrRenamedOverIsNoKeptCopy()
    {
        for (const char *f : {"s/a1", "s/a2"})
            createTimed(f, "aaaaaaaa");
        for (const char *f : {"s/b1", "s/b2"})
            createTimed(f, "bbbbbbbb");
        for (const char *f : {"s/c1", "s/c2"})
            createTimed(f, "cccccccc");
        for (const char *f : {"s/d1", "s/d2"})
            createTimed(f, "dddddddd");
        QCOMPARE(search(path("s")), 8);
        setMode("Radio3");
        m_tree->createFile("s/a2", "AAAAAAAA");  // rewritten, same size ...
        setTimes(path("s/a2"), 1600000000, 501); // ... within the same second
        renameOver("s/b2", "bbbbbbbb");
        QVERIFY(::unlink(path("s/c2").c_str()) == 0);

        m_dialogs->answer = false;
        for (const char *f : {"s/a1", "s/b1", "s/c1"})
            deleteRow(path(f));
        QCOMPARE(lastCopyQuestions(), 3);
        for (const char *f : {"s/a1", "s/b1", "s/c1"})
            QVERIFY(exists(path(f)));
        // An untouched copy counts: no question at all.
        deleteRow(path("s/d1"));
        QCOMPARE(m_dialogs->questions.size(), 3);
        QVERIFY(!exists(path("s/d1")));

        // Checked together: one question naming the three groups.
        for (const char *f : {"s/a1", "s/b1", "s/c1"})
            check(path(f));
        click(w(), "DeleteAll");
        QVERIFY(!w()->Deleting());
        QVERIFY(m_dialogs->questions.last().contains(QStringLiteral("3 groups")));
        for (const char *f : {"s/a1", "s/b1", "s/c1"})
            QVERIFY(exists(path(f)));
    }

    void secondNamesOfAFileAreNoCopiesOfIt()
    {
        // A hard link: two rows of one file.
        m_tree->createFile("x/c", "one content");
        m_tree->createFile("s/a", "one content");
        m_tree->symlink(path("s"), "t");
        m_tree->createFile("h/0/c", "a content of its own size");
        m_tree->createFile("h/a", "a content of its own size");
        QVERIFY(::link(path("h/a").c_str(), path("h/a2").c_str()) == 0);
        // The folder list takes the link to a checked folder as that folder, and keeps it
        // unchecked however it is clicked: the hard link gives the rows of one file here.
        QCOMPARE(search(std::vector<std::string>{path("x"), path("s"), path("t"), path("h")}), 5);
        setMode("Radio3");
        for (const char *f : {"s/a", "x/c", "h/a", "h/0/c"})
            check(path(f));
        m_dialogs->answer = false;
        click(w(), "DeleteAll");
        QVERIFY(!w()->Deleting());
        QCOMPARE(m_dialogs->questions.size(), 1);
        QVERIFY(m_dialogs->questions[0].contains(QStringLiteral("2 groups")));
        QCOMPARE(model()->size(), 5);
        for (const char *f : {"s/a", "x/c", "h/a", "h/a2", "h/0/c"})
            QVERIFY(exists(path(f)));
    }

    void deletingTheLastRemainingCopyAsks()
    {
        m_tree->createFile("s/a", "same");
        m_tree->createFile("s/b", "same");
        QCOMPARE(search(path("s")), 2);
        setMode("Radio3");
        select(rowOf(path("s/b")));
        trigger("Deleteonlyfromlist1");
        QVERIFY(!checked(w(), "ConfDel"));
        m_dialogs->answer = false;
        deleteRow(path("s/a"));
        QCOMPARE(m_dialogs->questions.size(), 1);
        QVERIFY(m_dialogs->questions[0].contains(
            QStringLiteral("1 groups would lose their last copy")));
        QVERIFY(exists(path("s/a")));
        QCOMPARE(model()->size(), 1);
        m_dialogs->answer = true;
        deleteRow(path("s/a"));
        QVERIFY(!exists(path("s/a")));
        QCOMPARE(model()->size(), 0);
        QVERIFY(exists(path("s/b"))); // never in the list's hands any more
    }

    void replacingAFileTakesItsRowsAlong()
    {
        m_tree->createFile("s/a", "twin");
        m_tree->createFile("t/a", "twin");
        m_tree->createFile("s/x", "pair");
        m_tree->createFile("s/y", "pair");
        m_tree->createFile("u/p", "alone");
        m_tree->createFile("u/q", "alone");
        m_tree->createFile("v/k", "keeper");
        m_tree->createFile("v/l", "keeper");
        QCOMPARE(search(m_tree->root()), 8);
        m_dialogs->answer = true;

        // Moved onto its own twin: one row for the one file, and that is now the last copy.
        m_dialogs->folder = QString::fromStdString(path("t"));
        select(rowOf(path("s/a")));
        trigger("Move1");
        QCOMPARE(m_dialogs->questions.size(), 1); // replace it? and nothing more
        QVERIFY(!exists(path("s/a")));
        QCOMPARE(rowOf(path("s/a")), -1);
        const int moved = rowOf(path("t/a"));
        QVERIFY(moved >= 0);
        QCOMPARE(model()->size(), 7);
        setMode("Radio3");
        m_dialogs->answer = false;
        deleteRow(path("t/a"));
        QCOMPARE(lastCopyQuestions(), 1);
        QVERIFY(exists(path("t/a")));

        // Renamed onto its twin by its bare name: the same.
        m_dialogs->answer = true;
        rename(path("s/x"), QStringLiteral("y"));
        QVERIFY(!exists(path("s/x")));
        QCOMPARE(rowOf(path("s/x")), -1);
        QVERIFY(rowOf(path("s/y")) >= 0);
        QCOMPARE(model()->size(), 6);

        // Renamed onto the last listed copy of another group: asked, and No keeps both.
        select(rowOf(path("u/q")));
        trigger("Deleteonlyfromlist1");
        const int asked = lastCopyQuestions();
        // The replace question gets Yes, the last-copy question No.
        m_dialogs->answers = {true, false};
        rename(path("v/k"), QString::fromStdString(path("u/p")));
        QCOMPARE(lastCopyQuestions(), asked + 1);
        QCOMPARE(m_tree->read("u/p"), std::string("alone"));
        QCOMPARE(m_tree->read("v/k"), std::string("keeper"));
        QVERIFY(rowOf(path("v/k")) >= 0 && rowOf(path("u/p")) >= 0);
    }

    void theDeletingThreadAsksTheRuleForEveryFile()
    {
        for (const char *f : {"s/a", "s/b", "s/c"})
            m_tree->createFile(f, "three");
        QCOMPARE(search(path("s")), 3);
        setMode("Radio3");
        check(path("s/a"));
        check(path("s/b"));
        // The one unchecked copy is rewritten while the run is under way, after the first file.
        int calls = 0;
        InstallFileOperation([&](const std::string &src, const std::string &dst,
                                 platform::FileOperation op, unsigned flags, bool replace) {
            if (calls++ == 0)
                m_tree->createFile("s/c", "THREE");
            return platform::PerformFileOperation(src, dst, op, flags, replace);
        });
        deleteChecked();
        QCOMPARE(calls, 1);
        QVERIFY(m_dialogs->questions.isEmpty());
        QCOMPARE(m_dialogs->errors.size(), 1);
        QVERIFY2(m_dialogs->errors[0].contains(QStringLiteral("1 files were not deleted")),
                 qPrintable(m_dialogs->errors[0]));
        QCOMPARE(int(exists(path("s/a"))) + int(exists(path("s/b"))), 1);
        QCOMPARE(model()->size(), 2);
    }

    void theKeepingFolderGoesThroughTheRule()
    {
        // An earlier kept copy of s/a is itself in the list, as the only other copy.
        const std::string keep = path("keep");
        m_tree->createFile("s/a", "kept before");
        m_tree->createFile("keep" + path("s/a"), "kept before");
        m_tree->createFile("s/b", "other pair");
        m_tree->createFile("s/c", "other pair");
        QCOMPARE(search(m_tree->root()), 4);
        setMode("Radio1");
        child<QLineEdit>(w(), "MoveDir")->setText(QString::fromStdString(keep));

        // Keeping s/a replaces its group's other copy: asked, even with a single row deleted.
        m_dialogs->answer = false;
        deleteRow(path("s/a"));
        QCOMPARE(lastCopyQuestions(), 1);
        QVERIFY(exists(path("s/a")));
        check(path("s/a"));
        click(w(), "DeleteAll");
        QVERIFY(!w()->Deleting());
        QCOMPARE(lastCopyQuestions(), 2);
        QVERIFY(exists(path("s/a")));
        QCOMPARE(model()->size(), 4);
        m_dialogs->answer = true;
        deleteChecked();
        // The kept file was replaced: its row left with the row of the file kept.
        QCOMPARE(model()->size(), 2);
        QVERIFY(!exists(path("s/a")));
        QCOMPARE(m_tree->read("keep" + path("s/a")), std::string("kept before"));

        // Folders that name no place of their own, or lead back to the file itself.
        m_tree->symlink("/", "root-link");
        int calls = 0;
        InstallFileOperation(
            [&](const std::string &, const std::string &, platform::FileOperation, unsigned, bool) {
                ++calls;
                return platform::FileOpResult{};
            });
        m_dialogs->errors.clear();
        for (const char *bad : {"//", "/", "/.", "relative/folder"}) {
            child<QLineEdit>(w(), "MoveDir")->setText(QString::fromLatin1(bad));
            deleteRow(path("s/b"));
        }
        QCOMPARE(m_dialogs->errors.size(), 4);
        for (const QString &e : m_dialogs->errors)
            QVERIFY2(e.contains(QStringLiteral("cannot take the files")), qPrintable(e));
        QCOMPARE(calls, 0);
        InstallFileOperation({});
        child<QLineEdit>(w(), "MoveDir")->setText(QString::fromStdString(path("root-link")));
        deleteRow(path("s/b"));
        QCOMPARE(m_dialogs->errors.size(), 5);
        QVERIFY(m_dialogs->errors.last().contains(QStringLiteral("leads back to the file")));
        check(path("s/b"));
        deleteChecked();
        QCOMPARE(m_dialogs->errors.size(), 6);
        QVERIFY(exists(path("s/b")));
        QCOMPARE(model()->size(), 2);
    }

    void aRewriteWithinTwoSecondsOrARenameOverIsAChange()
    {
        for (const char *f : {"s/a", "s/b", "s/c", "s/d"})
            createTimed(f, "12345678");
        QCOMPARE(search(path("s")), 4);
        setMode("Radio3");
        m_tree->createFile("s/a", "87654321");
        setTimes(path("s/a"), 1600000000, 499);
        renameOver("s/b", "12345678");
        deleteRow(path("s/a"));
        deleteRow(path("s/b"));
        QCOMPARE(m_dialogs->errors.size(), 2);
        for (const QString &e : m_dialogs->errors)
            QVERIFY(e.contains(QStringLiteral("changed since the search")));
        QVERIFY(exists(path("s/a")) && exists(path("s/b")));
        // On the deleting thread: counted, and told at the end.
        check(path("s/a"));
        check(path("s/b"));
        deleteChecked();
        QCOMPARE(m_dialogs->errors.size(), 3);
        QVERIFY(m_dialogs->errors.last().contains(QStringLiteral("2 files have changed")));
        QVERIFY(exists(path("s/a")) && exists(path("s/b")));
        QCOMPARE(model()->size(), 4);
    }

    void aVanishedFileLeavesTheListAndIsCounted()
    {
        for (const char *f : {"s/a", "s/b", "s/c", "s/d"})
            m_tree->createFile(f, "four");
        QCOMPARE(search(path("s")), 4);
        setMode("Radio3");
        check(path("s/a"));
        check(path("s/b"));
        QVERIFY(::unlink(path("s/a").c_str()) == 0);
        deleteChecked();
        QCOMPARE(m_dialogs->errors.size(), 1);
        QVERIFY2(m_dialogs->errors[0].contains(QStringLiteral("1 files no longer existed")),
                 qPrintable(m_dialogs->errors[0]));
        QVERIFY(!m_dialogs->errors[0].contains(QStringLiteral("changed")));
        QCOMPARE(rowOf(path("s/a")), -1);
        QCOMPARE(rowOf(path("s/b")), -1);
        QVERIFY(!exists(path("s/b")));
        // One file: its row leaves, and the user is told (selected first, so that the preview
        // still finds it).
        select(rowOf(path("s/c")));
        QVERIFY(::unlink(path("s/c").c_str()) == 0);
        trigger("Delete1");
        QCOMPARE(m_dialogs->errors.size(), 2);
        QVERIFY(m_dialogs->errors[1].contains(QStringLiteral("no longer exists")));
        QCOMPARE(model()->size(), 1);
    }

    void aMoveAcrossFileSystemsKeepsVouchingOrFails()
    {
        const std::string mnt = m_tree->createDir("other-fs");
        if (::mount("tmpfs", mnt.c_str(), "tmpfs", 0, "size=1m") != 0)
            QSKIP("mounting a tmpfs is not allowed here");
        struct Unmount {
            std::string dir;
            ~Unmount()
            {
                platform::SetMoveCopiedHook({});
                ::umount(dir.c_str());
            }
        } unmount{mnt};
        for (const char *f : {"s/a", "s/b", "s/c"})
            m_tree->createFile(f, "three");
        QCOMPARE(search(path("s")), 3);
        setMode("Radio3");
        m_dialogs->folder = QString::fromStdString(mnt);
        // A new inode, the same file: the row follows and can still be deleted.
        select(rowOf(path("s/b")));
        trigger("Move1");
        QVERIFY(!exists(path("s/b")));
        QVERIFY(rowOf(mnt + "/b") >= 0);
        deleteRow(mnt + "/b");
        QVERIFY(m_dialogs->errors.isEmpty());
        QVERIFY(!exists(mnt + "/b"));

        // A program appends to the file while it is copied: the copy goes, the file stays.
        platform::SetMoveCopiedHook([](const std::string &source) {
            std::FILE *f = std::fopen(source.c_str(), "ab");
            std::fputs(" and a line more", f);
            std::fclose(f);
        });
        select(rowOf(path("s/a")));
        trigger("Move1");
        QCOMPARE(m_dialogs->errors.size(), 1);
        QVERIFY2(m_dialogs->errors[0].contains(QStringLiteral("changed while it was being moved")),
                 qPrintable(m_dialogs->errors[0]));
        QCOMPARE(m_tree->read("s/a"), std::string("three and a line more"));
        QVERIFY(!exists(mnt + "/a"));
        QVERIFY(rowOf(path("s/a")) >= 0);
    }

    void destinationsAreFullPathsOrBeginAtHome()
    {
        const QByteArray oldHome = qgetenv("HOME");
        struct RestoreHome {
            QByteArray home;
            ~RestoreHome() { qputenv("HOME", home); }
        } restore{oldHome};
        const std::string home = m_tree->createDir("home");
        qputenv("HOME", QByteArray::fromStdString(home));
        for (const char *f : {"s/a", "s/b", "s/c", "s/d"})
            m_tree->createFile(f, "four");
        QCOMPARE(search(path("s")), 4);

        m_dialogs->folder = QStringLiteral("~");
        select(rowOf(path("s/a")));
        trigger("Move1");
        QVERIFY(exists(home + "/a"));
        QVERIFY(rowOf(home + "/a") >= 0);
        m_dialogs->folder = QStringLiteral("~/copies");
        select(rowOf(path("s/b")));
        trigger("Copy1");
        QCOMPARE(m_tree->read("home/copies/b"), std::string("four"));
        setMode("Radio1");
        child<QLineEdit>(w(), "MoveDir")->setText(QStringLiteral("~/kept"));
        deleteRow(path("s/c"));
        QCOMPARE(m_tree->read("home/kept" + path("s/c")), std::string("four"));
        QVERIFY(!QFileInfo::exists(QStringLiteral("~")));
        QVERIFY(m_dialogs->errors.isEmpty());

        // Nothing is ever tried on these.
        int calls = 0;
        InstallFileOperation(
            [&](const std::string &, const std::string &, platform::FileOperation, unsigned, bool) {
                ++calls;
                return platform::FileOpResult{};
            });
        for (const char *bad : {"relative", "./here", "/", "//", "/.", "/tmp/.."}) {
            m_dialogs->folder = QString::fromLatin1(bad);
            select(rowOf(path("s/d")));
            trigger("Move1");
            trigger("Copy1");
        }
        QCOMPARE(calls, 0);
        QCOMPARE(m_dialogs->errors.size(), 12);
        QVERIFY(m_dialogs->errors[0].contains(QStringLiteral("'relative' cannot take the files")));
        QVERIFY(rowOf(path("s/d")) >= 0);
    }

    void aBareNameRenamesInTheFilesOwnFolder()
    {
        m_tree->createFile("s/a", "same");
        m_tree->createFile("s/b", "same");
        const std::string elsewhere = m_tree->createDir("working-folder");
        QCOMPARE(search(path("s")), 2);
        const QString oldCwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(QString::fromStdString(elsewhere)));
        rename(path("s/a"), QStringLiteral("renamed"));
        rename(path("s/b"), QStringLiteral("sub/deeper"));
        QDir::setCurrent(oldCwd);
        QVERIFY(exists(path("s/renamed")));
        QVERIFY(exists(path("s/sub/deeper")));
        QVERIFY(!exists(elsewhere + "/renamed"));
        QVERIFY(!exists(elsewhere + "/sub"));
        QVERIFY(rowOf(path("s/renamed")) >= 0);
        QCOMPARE(model()->index(rowOf(path("s/renamed")), 0).data().toString(),
                 QString::fromStdString(path("s/renamed")));
        QVERIFY(m_dialogs->errors.isEmpty());
    }

    // A name that is not UTF-8 ("caf" and the byte E9) beside the name a lossy decoding makes
    // of it ("caf" and U+FFFD): every command acts on the file its row shows.
    void namesThatAreNotUtf8AreDeletedInEveryModeAndNeverTheirLookalike()
    {
        for (const std::string dir : {"s/m1/", "s/m2/", "s/m3/"}) {
            m_tree->createFile(dir + kLatin, "same");
            m_tree->createFile(dir + kLookalike, "same");
        }
        m_tree->createFile(std::string("s/m4/") + kLatin, "same");
        QCOMPARE(search(path("s")), 7);
        const int latin3 = rowOf(path("s/m3/") + kLatin);
        QVERIFY(latin3 >= 0);
        QCOMPARE(model()->index(latin3, 0).data().toString(),
                 QString::fromStdString(path("s/m3/")) + QStringLiteral("caf\\xE9.txt"));
        QCOMPARE(model()->index(rowOf(path("s/m3/") + kLookalike), 0).data().toString(),
                 QString::fromStdString(path("s/m3/")) + QStringLiteral("caf\uFFFD.txt"));

        setMode("Radio3");
        select(latin3);
        trigger("Delete1");
        QVERIFY(!present(path("s/m3/") + kLatin));
        QVERIFY(present(path("s/m3/") + kLookalike));

        setMode("Radio2");
        select(rowOf(path("s/m2/") + kLatin));
        trigger("Delete1");
        QVERIFY(!present(path("s/m2/") + kLatin));
        QVERIFY(present(path("s/m2/") + kLookalike));
        const std::vector<std::string> trashed = trashedPaths();
        QCOMPARE(std::count(trashed.begin(), trashed.end(), path("s/m2/") + kLatin), 1);
        QCOMPARE(std::count(trashed.begin(), trashed.end(), path("s/m2/") + kLookalike), 0);

        // The keeping folder's name is not UTF-8 either.
        setMode("Radio1");
        const std::string keep = path("keep\xE9");
        child<QLineEdit>(w(), "MoveDir")->setText(platform::DisplayPath(keep));
        select(rowOf(path("s/m1/") + kLatin));
        trigger("Delete1");
        QVERIFY(!present(path("s/m1/") + kLatin));
        QVERIFY(present(path("s/m1/") + kLookalike));
        QCOMPARE(m_tree->read("keep\xE9" + path("s/m1/") + kLatin), std::string("same"));
        QCOMPARE(model()->size(), 4);
        QVERIFY(m_dialogs->errors.isEmpty());

        // The deleting thread is handed the same bytes.
        setMode("Radio3");
        model()->setChecked(rowOf(path("s/m4/") + kLatin), true);
        click(w(), "DeleteAll");
        QTRY_VERIFY(!w()->Deleting());
        QVERIFY(!present(path("s/m4/") + kLatin));
        for (const std::string dir : {"s/m1/", "s/m2/", "s/m3/"})
            QVERIFY(present(path(dir) + kLookalike));
        QCOMPARE(model()->size(), 3);
    }

    void namesThatAreNotUtf8AreMovedCopiedRenamedAndOpenedAsThemselves()
    {
        m_tree->createFile(std::string("s/") + kLatin, "same");
        m_tree->createFile(std::string("s/") + kLookalike, "same");
        QCOMPARE(search(path("s")), 2);

        // Copy and move into folders whose names are not UTF-8.
        m_dialogs->folder = platform::DisplayPath(path("c\xE9"));
        select(rowOf(path("s/") + kLatin));
        trigger("Copy1");
        QCOMPARE(m_tree->read(std::string("c\xE9/") + kLatin), std::string("same"));
        QVERIFY(!present(path("c\xE9/") + kLookalike));
        m_dialogs->folder = platform::DisplayPath(path("m\xE9"));
        int row = rowOf(path("s/") + kLatin);
        select(row);
        trigger("Move1");
        const std::string moved = path("m\xE9/") + kLatin;
        QVERIFY(present(moved) && !present(path("s/") + kLatin));
        QVERIFY(present(path("s/") + kLookalike));
        QCOMPARE(model()->record(row).FullName, moved);
        QCOMPARE(model()->index(row, 0).data().toString(), platform::DisplayPath(moved));

        // Renamed in place: the edited caption goes back to bytes.
        const std::string renamed = path("m\xE9/caf\xE9-2.txt");
        QVERIFY(
            model()->setData(model()->index(row, 0), platform::DisplayPath(renamed), Qt::EditRole));
        QVERIFY(present(renamed) && !present(moved));
        QCOMPARE(model()->record(row).FullName, renamed);
        // A valid name with a backslash in it stays that name.
        const int other = rowOf(path("s/") + kLookalike);
        const std::string plain = path("s/plain\\xE9.txt");
        QVERIFY(model()->setData(model()->index(other, 0), QString::fromStdString(plain),
                                 Qt::EditRole));
        QVERIFY(present(plain));
        QCOMPARE(model()->record(other).FullName, plain);
        QVERIFY(m_dialogs->errors.isEmpty());

        // Open hands the desktop the file's URL with its bytes; the file's menu gets the bytes.
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
        select(row);
        trigger("Open1");
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(catcher.urls.size(), 1);
        QCOMPARE(catcher.urls[0].toEncoded(),
                 "file://" + QByteArray::fromStdString(renamed).toPercentEncoding("/"));
        trigger("Properties1");
        QCOMPARE(m_dialogs->contextMenus, std::vector<std::string>{renamed});
        QVERIFY(m_dialogs->errors.isEmpty());
    }

    void selectAndUnselectTellFoldersApartByTheirBytes()
    {
        for (const char *f : {"1", "2"}) {
            m_tree->createFile(std::string("u/d\xE9/") + f, "four of a kind");
            m_tree->createFile(std::string("u/d\xEF\xBF\xBD/") + f, "four of a kind");
        }
        QCOMPARE(search(path("u")), 4);
        const std::string latin = path("u/d\xE9");
        const auto inLatin = [&](int i) { return model()->record(i).DirName() == latin; };
        for (int i = 0; i < 4; ++i)
            model()->setChecked(i, true);
        int latinRow = 0;
        while (!inLatin(latinRow))
            ++latinRow;
        select(latinRow);
        trigger("Unselect1");
        QCOMPARE(m_dialogs->inputs, QStringList{QStringLiteral("Unselect all files in path: ") +
                                                platform::DisplayPath(latin)});
        for (int i = 0; i < 4; ++i)
            QCOMPARE(model()->isChecked(i), !inLatin(i));
        for (int i = 0; i < 4; ++i)
            model()->setChecked(i, false);
        trigger("Select1");
        int checkedLatin = 0;
        for (int i = 0; i < 4; ++i) {
            QVERIFY(!model()->isChecked(i) || inLatin(i));
            checkedLatin += model()->isChecked(i) ? 1 : 0;
        }
        QVERIFY(checkedLatin > 0);
    }

    void openWithoutAnAssociatedProgramSaysSo()
    {
        m_tree->createFile("o/file.unknownext", "x");
        m_tree->createFile("o/copy.unknownext", "x");
        QCOMPARE(search(path("o")), 2);
        select(rowOf(path("o/file.unknownext")));
        trigger("Open1");
        QCOMPARE(m_dialogs->errors,
                 QStringList{QStringLiteral("Error: ERROR - Can't open file file.unknownext")});
        trigger("Properties1");
        QCOMPARE(m_dialogs->contextMenus, std::vector<std::string>{path("o/file.unknownext")});
    }
};

QTEST_MAIN(TestFileCommands)
#include "tst_file_commands.moc"
