// SPDX-License-Identifier: GPL-3.0-or-later
#include "context_menu.h"
#include "file_ops.h"
#include "open_file.h"
#include "path_fields.h"
#include "path_text.h"
#include "temp_tree.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

using namespace twinly;
using namespace twinly::platform;
using twinly::test::TempTree;

namespace {

bool present(const std::string &path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

std::string contentOf(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string dataHome()
{
    return qgetenv("XDG_DATA_HOME").toStdString();
}

// The paths the trash's records give back, percent-decoded as a restoring tool reads them.
std::vector<std::string> trashedPaths()
{
    std::vector<std::string> paths;
    const std::filesystem::path info = dataHome() + "/Trash/info";
    std::error_code ec;
    for (const auto &entry : std::filesystem::directory_iterator(info, ec)) {
        const QList<QByteArray> lines =
            QByteArray::fromStdString(contentOf(entry.path().string())).split('\n');
        if (lines.value(0) != "[Trash Info]")
            continue;
        for (const QByteArray &line : lines)
            if (line.startsWith("Path="))
                paths.push_back(QByteArray::fromPercentEncoding(line.mid(5)).toStdString());
    }
    return paths;
}

} // namespace

// Stands in for the desktop's opener: records the URLs it is handed.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void open(const QUrl &url) { urls << url; }
};

class TestFileOps : public QObject {
    Q_OBJECT

    static FileOpResult move(const std::string &a, const std::string &b, bool replace = false)
    {
        return PerformFileOperation(a, b, FileOperation::Move, FOF_SILENT, replace);
    }
    static std::string NameOf(const std::string &path) { return path.substr(path.rfind('/') + 1); }
    static FileOpResult copy(const std::string &a, const std::string &b, bool replace = false)
    {
        return PerformFileOperation(a, b, FileOperation::Copy, FOF_SILENT, replace);
    }

private Q_SLOTS:
    void moveCreatesFoldersAndNeverReplacesUnasked()
    {
        TempTree t;
        const auto a = t.createFile("a.txt", "A");
        const auto b = t.createFile("b.txt", "B");
        QVERIFY(move(a, t.path("new/deep/a.txt")).ok);
        QVERIFY(!QFileInfo::exists(QString::fromStdString(a)));
        QCOMPARE(t.read("new/deep/a.txt"), std::string("A"));

        const FileOpResult refused = move(t.path("new/deep/a.txt"), b);
        QVERIFY(!refused.ok);
        QVERIFY(refused.targetExists);
        QCOMPARE(t.read("b.txt"), std::string("B")); // both files as they were
        QCOMPARE(t.read("new/deep/a.txt"), std::string("A"));
        QVERIFY(move(t.path("new/deep/a.txt"), b, true).ok);
        QCOMPARE(t.read("b.txt"), std::string("A"));
        // Onto itself: nothing happens, nothing is lost.
        QVERIFY(move(b, b).ok);
        QCOMPARE(t.read("b.txt"), std::string("A"));
        QVERIFY(!move(t.path("missing"), t.path("x")).ok);
    }

    void copyKeepsContentPermissionsAndTimes()
    {
        TempTree t;
        const auto a = t.createFile("a.bin", std::string(3 << 20, 'q'), 1000000000);
        ::chmod(a.c_str(), 0640);
        QVERIFY(copy(a, t.path("c/a.bin")).ok);
        QCOMPARE(t.read("c/a.bin"), t.read("a.bin"));
        struct stat st {};
        QCOMPARE(::stat(t.path("c/a.bin").c_str(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0640u);
        QCOMPARE(st.st_mtime, static_cast<time_t>(1000000000));
        const FileOpResult again = copy(a, t.path("c/a.bin"));
        QVERIFY(again.targetExists);
        QVERIFY(QFileInfo::exists(QString::fromStdString(a)));
        // No partial files are left beside the target.
        QCOMPARE(QDir(QString::fromStdString(t.path("c"))).entryList(QDir::Files).size(), 1);
    }

    void deleteForGoodAndToTheTrash()
    {
        TempTree t;
        const auto a = t.createFile("gone.txt", "x");
        QVERIFY(PerformFileOperation(a, {}, FileOperation::Delete, FOF_NOERRORUI, false).ok);
        QVERIFY(!QFileInfo::exists(QString::fromStdString(a)));
        QVERIFY(!PerformFileOperation(a, {}, FileOperation::Delete, FOF_NOERRORUI, false).ok);

        // The data folder did not exist yet (main() points it at a fresh place): the trash is
        // made there, not in the working folder.
        QVERIFY(!present(dataHome()));
        const auto b = t.createFile("trashed.txt", "y");
        QVERIFY(PerformFileOperation(b, {}, FileOperation::Delete, FOF_ALLOWUNDO, false).ok);
        QVERIFY(!present(b));
        QCOMPARE(contentOf(dataHome() + "/Trash/files/trashed.txt"), std::string("y"));
        QVERIFY(present(dataHome() + "/Trash/info/trashed.txt.trashinfo"));
        QVERIFY(!present("files/trashed.txt"));
    }

    void trashRecordsRestoreEveryNameToItself()
    {
        TempTree t;
        // Escapes, line breaks, blanks and URL characters, and bytes that are not UTF-8 beside
        // the name they would be mistaken for.
        const std::string names[] = {"100%41.dat", "line\nbreak.txt", "a b#?&.txt", "caf\xE9.txt",
                                     "caf\xEF\xBF\xBD.txt"};
        for (const std::string &name : names) {
            const std::string file = t.createFile(name, name);
            std::string error;
            QVERIFY2(MoveToTrash(file, error), error.c_str());
            QVERIFY(!present(file));
            const std::vector<std::string> records = trashedPaths();
            QCOMPARE(std::count(records.begin(), records.end(), file), 1);
        }
        // One trashed, the other still there: the names were never confused.
        const std::string latin = t.createFile("caf\xE9.txt", "again");
        const std::string replacement = t.createFile("caf\xEF\xBF\xBD.txt", "kept");
        std::string error;
        QVERIFY(MoveToTrash(latin, error));
        QCOMPARE(t.read("caf\xEF\xBF\xBD.txt"), std::string("kept"));
        QVERIFY(present(replacement) && !present(latin));
    }

    void aFileNoTrashCanTakeStaysWhereItIs()
    {
        TempTree t;
        const auto seed = t.createFile("seed.txt", "s");
        std::string error;
        QVERIFY(MoveToTrash(seed, error)); // the trash exists from here on
        // A file in the place of the trash's files folder: nothing can go in.
        const std::string files = dataHome() + "/Trash/files";
        const std::string aside = dataHome() + "/Trash/files-aside";
        QCOMPARE(::rename(files.c_str(), aside.c_str()), 0);
        {
            std::ofstream(files) << "in the way";
        }
        const auto kept = t.createFile("kept.txt", "only copy");
        const FileOpResult r =
            PerformFileOperation(kept, {}, FileOperation::Delete, FOF_ALLOWUNDO, false);
        ::unlink(files.c_str());
        ::rename(aside.c_str(), files.c_str());
        QVERIFY(!r.ok);
        QVERIFY(r.error.find("No trash can take") != std::string::npos);
        QCOMPARE(t.read("kept.txt"), std::string("only copy"));
    }

    void moveAcrossFileSystemsIsAllOrNothing()
    {
        TempTree t;
        const std::string mnt = t.createDir("small");
        if (::mount("tmpfs", mnt.c_str(), "tmpfs", 0, "size=64k") != 0)
            QSKIP("mounting a tmpfs is not allowed here");
        struct Unmount {
            std::string dir;
            ~Unmount() { ::umount(dir.c_str()); }
        } unmount{mnt};
        const auto small = t.createFile("small.txt", "fits", 1200000000);
        QVERIFY(move(small, mnt + "/in/small.txt").ok);
        QVERIFY(!QFileInfo::exists(QString::fromStdString(small)));
        QCOMPARE(t.read("small/in/small.txt"), std::string("fits"));
        struct stat st {};
        QCOMPARE(::stat((mnt + "/in/small.txt").c_str(), &st), 0);
        QCOMPARE(st.st_mtime, static_cast<time_t>(1200000000));

        // Too big for the target: the source stays, no partial copy is left.
        const auto big = t.createFile("big.bin", std::string(256 << 10, 'b'));
        const FileOpResult r = move(big, mnt + "/in/big.bin");
        QVERIFY(!r.ok);
        QCOMPARE(t.read("big.bin").size(), std::size_t(256 << 10));
        QCOMPARE(QDir(QString::fromStdString(mnt + "/in")).entryList(QDir::Files).size(), 1);
    }

    void moveAcrossFileSystemsRemovesNothingThatChangedDuringTheCopy()
    {
        TempTree t;
        const std::string mnt = t.createDir("small");
        if (::mount("tmpfs", mnt.c_str(), "tmpfs", 0, "size=1m") != 0)
            QSKIP("mounting a tmpfs is not allowed here");
        struct Unmount {
            std::string dir;
            ~Unmount()
            {
                SetMoveCopiedHook({});
                ::umount(dir.c_str());
            }
        } unmount{mnt};
        const auto log = t.createFile("log.txt", "line 1\n");
        const auto swapped = t.createFile("swapped.txt", "same size");
        // Lines written while the copy is made, and a file renamed over the source then.
        SetMoveCopiedHook([&](const std::string &source) {
            if (source == log) {
                std::FILE *f = std::fopen(log.c_str(), "ab");
                std::fputs("line 2\n", f);
                std::fclose(f);
            } else {
                const auto other = t.createFile("other.txt", "SAME SIZE");
                struct stat st {};
                ::stat(swapped.c_str(), &st);
                const timespec times[2] = {st.st_atim, st.st_mtim};
                ::utimensat(AT_FDCWD, other.c_str(), times, 0);
                std::rename(other.c_str(), swapped.c_str());
            }
        });
        for (const auto &[source, content] : {std::pair{log, std::string("line 1\nline 2\n")},
                                              std::pair{swapped, std::string("SAME SIZE")}}) {
            const FileOpResult r = move(source, mnt + "/in/" + NameOf(source));
            QVERIFY(!r.ok);
            QVERIFY(r.sourceChanged);
            QCOMPARE(t.read(NameOf(source)), content);
        }
        // Neither a copy nor a part of one is left on the other side.
        QVERIFY(QDir(QString::fromStdString(mnt + "/in")).entryList(QDir::Files).isEmpty());
        SetMoveCopiedHook({});
        QVERIFY(move(log, mnt + "/in/log.txt").ok);
        QCOMPARE(t.read("small/in/log.txt"), std::string("line 1\nline 2\n"));
    }

    void fileMenuOffersTheDesktopsCommandsAndNothingForMissingFiles()
    {
        TempTree t;
        const std::string path = t.createFile("doc.txt", "text");
        QVERIFY(!BuildFileContextMenu(path + ".gone", false, nullptr));
        std::unique_ptr<QMenu> menu(BuildFileContextMenu(path, false, nullptr));
        QVERIFY(menu);
        QStringList verbs;
        for (const QAction *a : menu->actions())
            if (!a->isSeparator() && !a->menu())
                verbs << a->data().toStringList().value(0);
        QCOMPARE(verbs, (QStringList{QStringLiteral("openfolder"), QStringLiteral("copypath"),
                                     QStringLiteral("properties")}));
        std::unique_ptr<QMenu> withRename(BuildFileContextMenu(path, true, nullptr));
        bool rename = false;
        for (const QAction *a : withRename->actions())
            rename = rename || a->data().toStringList().value(0) == QLatin1String("rename");
        QVERIFY(rename);
    }

    // The desktop gets the file's own bytes: in the URL it opens, the folder it shows, the
    // path it copies; the name that merely looks the same is never the one handed over.
    void theDesktopIsHandedTheNamesBytes()
    {
        TempTree t;
        const std::string latin = t.createFile("d\xE9/caf\xE9.txt", "latin");
        t.createFile("d\xE9/caf\xEF\xBF\xBD.txt", "other");
        const QByteArray latinUrl =
            "file://" + QByteArray::fromStdString(latin).toPercentEncoding("/");
        QVERIFY(latinUrl.endsWith("/d%E9/caf%E9.txt"));

        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
        QCOMPARE(ShellOpen(latin), 42);
        QCOMPARE(ShellOpen(t.path("d\xE9/caf\xE9.gone")), 2);
        std::unique_ptr<QMenu> menu(BuildFileContextMenu(latin, false, nullptr));
        QVERIFY(menu);
        RunFileContextAction(latin, QStringLiteral("openfolder"), {}, nullptr);
        RunFileContextAction(latin, QStringLiteral("copypath"), {}, nullptr);
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(catcher.urls.size(), 2);
        QCOMPARE(catcher.urls[0].toEncoded(), latinUrl);
        QCOMPARE(catcher.urls[1].toEncoded(), latinUrl.left(latinUrl.lastIndexOf('/')));

        const QMimeData *copied = QApplication::clipboard()->mimeData();
        QVERIFY(copied);
        QCOMPARE(copied->text(), DisplayPath(latin));
        QVERIFY(copied->text().endsWith(QStringLiteral("/d\\xE9/caf\\xE9.txt")));
        QCOMPARE(copied->urls().value(0).toEncoded(), latinUrl);
    }

    // A file dialog hands names back as text, each byte that is not UTF-8 as U+FFFD; the
    // bytes are found again in the folder, unless two names there read the same.
    void pathsFromFileDialogsAreFoundAgainByTheirBytes()
    {
        TempTree t;
        const std::string only = t.createFile("x/\xE9t\xE9/caf\xE9.txt", "1");
        t.createFile("y/caf\xE9.txt", "2");
        t.createFile("y/caf\xEF\xBF\xBD.txt", "3");
        const QString replaced =
            QString::fromUtf8(t.root().c_str()) + QStringLiteral("/x/\uFFFDt\uFFFD/caf\uFFFD.txt");
        QCOMPARE(PathFromDialog(replaced), std::optional<std::string>(only));
        // Two names look the same: no guess.
        QCOMPARE(PathFromDialog(QString::fromUtf8(t.root().c_str()) +
                                QStringLiteral("/y/caf\uFFFD.txt")),
                 std::optional<std::string>());
        // A new name (a file to save) is taken as written; text without U+FFFD as UTF-8.
        QCOMPARE(PathFromDialog(QString::fromUtf8(t.root().c_str()) + QStringLiteral("/x/n\uFFFD")),
                 std::optional<std::string>(t.path("x/n\xEF\xBF\xBD")));
        QCOMPARE(PathFromDialog(QStringLiteral("/tmp/caf\u00E9")),
                 std::optional<std::string>("/tmp/caf\xC3\xA9"));
    }
};

int main(int argc, char **argv)
{
    // A data folder that does not exist yet, as for a fresh account, with a home folder on the
    // temporary files' volume, so that the trash taking them is the one made there. Set before
    // anything reads them: the desktop libraries read them once.
    const std::string fresh = TempTree().root(); // removed again at once: it does not exist
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(fresh + "/data"));
    std::filesystem::create_directories(fresh + "/home");
    qputenv("HOME", QByteArray::fromStdString(fresh + "/home"));
    QApplication app(argc, argv);
    TestFileOps test;
    const int result = QTest::qExec(&test, argc, argv);
    std::filesystem::remove_all(fresh);
    return result;
}
#include "tst_file_ops.moc"
