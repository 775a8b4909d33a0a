// SPDX-License-Identifier: GPL-3.0-or-later
#include "context_menu.h"
#include "file_ops.h"
#include "temp_tree.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QTest>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>

using namespace twinly;
using namespace twinly::platform;
using twinly::test::TempTree;

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

        // A data folder that does not exist yet: the trash is made there, not in the working
        // folder.
        const QByteArray oldData = qgetenv("XDG_DATA_HOME");
        const std::string data = t.path("fresh-data");
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(data));
        const auto b = t.createFile("trashed.txt", "y");
        std::string error, where;
        QVERIFY2(MoveToTrash(b, error, &where), error.c_str());
        qputenv("XDG_DATA_HOME", oldData);
        QVERIFY(!QFileInfo::exists(QString::fromStdString(b)));
        QCOMPARE(QString::fromStdString(where),
                 QString::fromStdString(data + "/Trash/files/trashed.txt"));
        QVERIFY(
            QFileInfo::exists(QString::fromStdString(data + "/Trash/info/trashed.txt.trashinfo")));
        QVERIFY(!QFileInfo::exists(QStringLiteral("files/trashed.txt")));
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
        const QString path = QString::fromStdString(t.createFile("doc.txt", "text"));
        QVERIFY(!BuildFileContextMenu(path + QStringLiteral(".gone"), false, nullptr));
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
};

QTEST_MAIN(TestFileOps)
#include "tst_file_ops.moc"
