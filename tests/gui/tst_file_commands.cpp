// SPDX-License-Identifier: GPL-3.0-or-later
#include "crc.h"
#include "crc_db.h"
#include "fake_dialogs.h"
#include "file_operations.h"
#include "gui_helpers.h"
#include "move_form.h"
#include "path_text.h"
#include "results_model.h"
#include "settings_store.h"
#include "temp_tree.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTreeView>
#include <QUrl>

#include <sys/stat.h>
#include <utime.h>

#include <algorithm>
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
    std::unique_ptr<FakeDialogs> m_dialogs;

    TForm1 *w() { return m_window.get(); }
    ResultsModel *model() { return w()->results(); }
    std::string path(std::string_view rel) { return m_tree->path(rel); }
    static bool exists(const std::string &p)
    {
        return QFileInfo::exists(QString::fromStdString(p));
    }

    // A content search over `folder`; returns the rows found.
    int search(const std::string &folder)
    {
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

private Q_SLOTS:
    void init()
    {
        m_tree = std::make_unique<TempTree>();
        m_dialogs = std::make_unique<FakeDialogs>();
        m_window = std::make_unique<TForm1>();
        w()->setSettingsPath(m_config.filePath(QStringLiteral("Zorvik.reg")));
        w()->show();
        QVERIFY(QTest::qWaitForWindowExposed(w()));
        child<QLineEdit>(w(), "MaskEdit")->setText(QStringLiteral("*"));
    }
    void cleanup()
    {
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
        click(w(), "ConfDel"); // the first run leaves it off: ask from now on

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
        QVERIFY(w()->DeleteByMode(path("s/c")).ok);
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
        QVERIFY(m_dialogs->questions[0].contains(QStringLiteral("All files of 1 groups")));
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
