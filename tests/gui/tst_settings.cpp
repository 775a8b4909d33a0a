// SPDX-License-Identifier: GPL-3.0-or-later
#include "fake_dialogs.h"
#include "gui_helpers.h"
#include "move_form.h"
#include "path_fields.h"
#include "path_text.h"
#include "settings_store.h"
#include "temp_tree.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <functional>
#include <system_error>

using namespace twinly;
using namespace twinly::test;
using platform::SettingsKey;

namespace {

// Calls `quit` once the watched window has closed, on a later turn of the event loop.
class QuitOnClose : public QObject {
public:
    explicit QuitOnClose(std::function<void()> quit) : m_quit(std::move(quit)) {}
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Close)
            QMetaObject::invokeMethod(this, m_quit, Qt::QueuedConnection);
        return false;
    }

private:
    std::function<void()> m_quit;
};

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path() const { return m_dir.filePath(QStringLiteral("Quellon/Zorvik.reg")); }

    std::unique_ptr<TForm1> open()
    {
        auto w = std::make_unique<TForm1>();
        w->setSettingsPath(path());
        w->show();
        if (!QTest::qWaitForWindowExposed(w.get()))
            qFatal("window not shown");
        return w;
    }
    SettingsKey key() { return *SettingsKey::create(path().toStdString()); }

private Q_SLOTS:
    void init()
    {
        emptyXdgFolders();
        QFile::remove(path());
    }

    void everyOptionComesBackAfterARestart()
    {
        {
            auto w = open();
            addFolder(w.get(), QStringLiteral("/Program Files"));
            addFolder(w.get(), QStringLiteral("/x"));
            child<QListWidget>(w.get(), "DirList")->item(1)->setCheckState(Qt::Unchecked);
            click(w.get(), "CheckDublicates");
            click(w.get(), "RecursiveDirs");
            click(w.get(), "CompareContent");
            click(w.get(), "MaskCBox");
            child<QLineEdit>(w.get(), "MaskEdit")->setText(QStringLiteral("*.txt, *.doc"));
            click(w.get(), "MinSizeC");
            child<QDoubleSpinBox>(w.get(), "MinSize")->setValue(1000);
            child<QDoubleSpinBox>(w.get(), "Acc2")->setValue(12.5);
            child<QSlider>(w.get(), "Resizing")->setValue(4);
            child<QComboBox>(w.get(), "Color1")->setCurrentIndex(12);
            click(w.get(), "Radio3");
            click(w.get(), "ProgramMenu");
            child<QRadioButton>(w.get(), "Preview2")->setChecked(true);
            click(w.get(), "ConfDel");
            child<QLineEdit>(w.get(), "CRCFileSave")->setText(QStringLiteral("/db/out.twd"));
            QVERIFY(w->close());
        }
        auto w = open();
        auto *dirs = child<QListWidget>(w.get(), "DirList");
        QCOMPARE(dirs->count(), 2);
        QCOMPARE(dirs->item(0)->text(), QStringLiteral("/Program Files"));
        QCOMPARE(dirs->item(0)->checkState(), Qt::Checked);
        QCOMPARE(dirs->item(1)->checkState(), Qt::Unchecked);
        // Turned off from the first run's state, and off they stay.
        QVERIFY(checked(w.get(), "CheckDublicates"));
        QVERIFY(!checked(w.get(), "RecursiveDirs"));
        QVERIFY(!checked(w.get(), "CompareContent"));
        QVERIFY(checked(w.get(), "MaskCBox"));
        QVERIFY(checked(w.get(), "MinSizeC"));
        QVERIFY(!checked(w.get(), "ConfDel"));
        QVERIFY(checked(w.get(), "ConfDelAll"));
        QCOMPARE(child<QLineEdit>(w.get(), "MaskEdit")->text(), QStringLiteral("*.txt, *.doc"));
        QCOMPARE(child<QDoubleSpinBox>(w.get(), "MinSize")->value(), 1000.0);
        QCOMPARE(child<QDoubleSpinBox>(w.get(), "Acc2")->value(), 12.0); // stored whole
        QCOMPARE(child<QSlider>(w.get(), "Resizing")->value(), 4);
        QCOMPARE(child<QComboBox>(w.get(), "Color1")->currentIndex(), 12);
        QCOMPARE(w->DeleteMode(), 3);
        QVERIFY(checked(w.get(), "Radio3"));
        QVERIFY(checked(w.get(), "ProgramMenu"));
        QVERIFY(!checked(w.get(), "SysMenu"));
        QCOMPARE(w->PreviewMode(), 1);
        QVERIFY(checked(w.get(), "Preview2"));
        QCOMPARE(child<QLineEdit>(w.get(), "CRCFileSave")->text(), QStringLiteral("/db/out.twd"));

        // The folder list is stored as a comma list, the entry with a blank quoted.
        std::string paths;
        QVERIFY(key().readString("Paths", paths));
        QCOMPARE(paths, std::string("\"/Program Files\",/x"));
    }

    // Paths are bytes: every stored path comes back byte for byte after a restart, whether or
    // not it is UTF-8, and a UTF-8 name that merely reads like an escape stays itself.
    void pathsComeBackByteForByte()
    {
        TempTree tree;
        const std::string latin = tree.createDir("d\xE9");
        const std::string lookalike = tree.createDir("d\xEF\xBF\xBD");
        const std::string escapeLike = tree.createDir("a\\xE9 b");
        const std::string db = tree.path("db\xE9.twd");
        const std::string keep = tree.path("keep\xE9");
        const std::string out = tree.path("out\xE9.twd");
        const std::string dest = tree.path("dest\xE9");
        {
            auto w = open();
            for (const std::string &folder : {latin, lookalike, escapeLike}) {
                // Where the folder dialog puts its choice.
                platform::SetFieldPath(child<QLineEdit>(w.get(), "DirectoryEdit"), folder);
                click(w.get(), "AddDirBut");
            }
            click(w.get(), "CheckDublicates");
            click(w.get(), "CRCCompare");
            platform::SetFieldPath(child<QLineEdit>(w.get(), "CRCFile"), db);
            click(w.get(), "AddFile");
            platform::SetFieldPath(child<QLineEdit>(w.get(), "MoveDir"), keep);
            platform::SetFieldPath(child<QLineEdit>(w.get(), "CRCFileSave"), out);
            TMoveForm form(w->settingsPath());
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            platform::SetFieldPath(child<QLineEdit>(&form, "Directory"), dest);
            click(&form, "OKBut");
            QVERIFY(w->close());
        }
        std::string text;
        {
            QFile file(path());
            QVERIFY(file.open(QIODevice::ReadOnly));
            text = file.readAll().toStdString();
        }
        QVERIFY(platform::IsValidUtf8(text)); // the file stays text

        auto w = open();
        auto *dirs = child<QListWidget>(w.get(), "DirList");
        QCOMPARE(dirs->count(), 3);
        QCOMPARE(platform::ItemPath(dirs->item(0)), latin);
        QCOMPARE(platform::ItemPath(dirs->item(1)), lookalike);
        QCOMPARE(platform::ItemPath(dirs->item(2)), escapeLike);
        QCOMPARE(dirs->item(0)->text(), platform::DisplayPath(latin));
        QCOMPARE(dirs->item(2)->text(), QString::fromStdString(escapeLike));
        auto *files = child<QListWidget>(w.get(), "CRCFileList");
        QCOMPARE(files->count(), 1);
        QCOMPARE(platform::ItemPath(files->item(0)), db);
        QCOMPARE(platform::FieldPath(child<QLineEdit>(w.get(), "MoveDir")), keep);
        QCOMPARE(platform::FieldPath(child<QLineEdit>(w.get(), "CRCFileSave")), out);
        QCOMPARE(w->searchOptions().Folders,
                 (std::vector<std::string>{latin, lookalike, escapeLike}));
        TMoveForm form(w->settingsPath());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.historyPaths(), std::vector<std::string>{dest});
        QCOMPARE(form.directory(), dest);
        form.reject();
    }

    void pictureTurningOptionsDefaultOnAndOffAndComeBack()
    {
        {
            auto w = open(); // no settings file: the defaults
            QVERIFY(checked(w.get(), "CameraOrientation"));
            QVERIFY(!checked(w.get(), "FindRotations"));
            click(w.get(), "CameraOrientation");
            click(w.get(), "FindRotations");
            QVERIFY(w->close());
        }
        {
            auto w = open();
            QVERIFY(!checked(w.get(), "CameraOrientation"));
            QVERIFY(checked(w.get(), "FindRotations"));
        }
        // A file written before these options existed: everything else reads, they keep their
        // defaults.
        QFile::remove(path());
        {
            SettingsKey k = key();
            k.writeDword("Resizing", 3);
            QVERIFY(k.save());
        }
        auto w = open();
        QCOMPARE(child<QSlider>(w.get(), "Resizing")->value(), 3);
        QVERIFY(checked(w.get(), "CameraOrientation"));
        QVERIFY(!checked(w.get(), "FindRotations"));
    }

    void flagsBlockOfEighteenBytesRestoresAndOfThirtyFourRestoresNothing()
    {
        {
            SettingsKey k = key();
            std::vector<std::uint8_t> flags(18, 0);
            flags[0] = 1;  // RecursiveDirs
            flags[6] = 1;  // CheckDublicates
            flags[17] = 1; // ProgramMenu
            k.writeBinary("Setings", flags);
            QVERIFY(k.save());
        }
        {
            auto w = open();
            QVERIFY(checked(w.get(), "RecursiveDirs"));
            QVERIFY(checked(w.get(), "CheckDublicates"));
            QVERIFY(checked(w.get(), "ProgramMenu"));
            QVERIFY(!child(w.get(), "GroupBox1")->isHidden());
            w->hide(); // no save: the next window reads the file written below
            w.reset();
        }
        QFile::remove(path());
        {
            SettingsKey k = key();
            k.writeBinary("Setings", std::vector<std::uint8_t>(34, 1));
            QVERIFY(k.save());
        }
        auto w = open();
        QVERIFY(!checked(w.get(), "RecursiveDirs"));
        QVERIFY(!checked(w.get(), "ConfDel"));
    }

    // Only a missing settings file gives the first run's options; stored settings without
    // flags, or with a block of zeros, clear them.
    void storedSettingsClearTheFlagsTheyDoNotSet()
    {
        for (const bool zeros : {false, true}) {
            QFile::remove(path());
            {
                SettingsKey k = key();
                k.writeString("Mask", "*.txt");
                if (zeros)
                    k.writeBinary("Setings", std::vector<std::uint8_t>(33, 0));
                QVERIFY(k.save());
            }
            auto w = open();
            for (const char *name : {"RecursiveDirs", "CompareContent", "IgnoreDate", "IgnoreNames",
                                     "ConfDel", "ConfDelAll", "CheckDublicates"})
                QVERIFY2(!checked(w.get(), name), name);
            QVERIFY(child(w.get(), "GroupBox1")->isHidden());
            w->hide();
        }
    }

    void badValuesAreSkippedOneByOne()
    {
        {
            SettingsKey k = key();
            k.writeDword("Mask", 5);             // wrong type: the field keeps its text
            k.writeString("TargetDir", "/keep"); // fine
            k.writeDword("DeleteMethod", 7);     // taken, but no radio follows it
            k.writeDword("Color2", 99);          // no such colour: no selection
            k.writeDword("Acc1", 9999);          // brought into the field's range
            k.writeString("Paths", "/a,/b");
            k.writeBinary("SelectedPaths", std::vector<std::uint8_t>{1, 1, 1}); // too long
            QVERIFY(k.save());
        }
        auto w = open();
        QCOMPARE(child<QLineEdit>(w.get(), "MaskEdit")->text(),
                 QStringLiteral("*.bmp;*.jpg;*.jpeg;*.gif"));
        QCOMPARE(child<QLineEdit>(w.get(), "MoveDir")->text(), QStringLiteral("/keep"));
        QCOMPARE(child<QLineEdit>(w.get(), "CRCFileSave")->text(), QString()); // missing: empty
        QCOMPARE(w->DeleteMode(), 7);
        QVERIFY(checked(w.get(), "Radio2"));
        QCOMPARE(child<QComboBox>(w.get(), "Color2")->currentIndex(), -1);
        QCOMPARE(child<QDoubleSpinBox>(w.get(), "Acc1")->value(), 500.0);
        auto *dirs = child<QListWidget>(w.get(), "DirList");
        QCOMPARE(dirs->count(), 2);
        QCOMPARE(dirs->item(0)->checkState(), Qt::Unchecked);
    }

    void emptiedListLeavesItsMarksAndOtherValuesSurvive()
    {
        {
            SettingsKey k = key();
            k.writeString("Paths", "/a");
            k.writeBinary("SelectedPaths", std::vector<std::uint8_t>{1});
            k.writeString("MovePaths", "/dest");
            QVERIFY(k.save());
        }
        {
            auto w = open();
            auto *dirs = child<QListWidget>(w.get(), "DirList");
            dirs->setCurrentRow(0);
            click(w.get(), "DelDirBut");
            QVERIFY(w->close());
        }
        SettingsKey k = key();
        std::string paths = "x";
        QVERIFY(k.readString("Paths", paths));
        QCOMPARE(paths, std::string());
        std::vector<std::uint8_t> marks;
        QVERIFY(k.readBinary("SelectedPaths", 8, marks));
        QCOMPARE(marks, std::vector<std::uint8_t>{1});
        std::string history;
        QVERIFY(k.readString("MovePaths", history));
        QCOMPARE(history, std::string("/dest"));
    }

    void aFailedSaveNamesTheValueAndKeepsTheOldFile()
    {
        FakeDialogs dialogs;
        auto w = open();
        // The settings file's place is taken by a folder: writing it fails.
        QVERIFY(QDir().mkpath(path()));
        QVERIFY(!w->SaveSettings());
        // The system's reason follows on a line of its own.
        QCOMPARE(dialogs.errors,
                 QStringList{QStringLiteral("Error: Failed to set data for 'Paths'\n") +
                             QString::fromStdString(std::system_category().message(EISDIR))});
        QVERIFY(QFileInfo(path()).isDir());
        QDir(path()).removeRecursively();
        // No folder can be made for it: nothing is written and nobody is told.
        dialogs.errors.clear();
        QFile blocker(m_dir.filePath(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        w->setSettingsPath(m_dir.filePath(QStringLiteral("blocker/Quellon/Zorvik.reg")));
        QVERIFY(w->SaveSettings());
        QVERIFY(dialogs.errors.isEmpty());
        QVERIFY(QFileInfo(blocker.fileName()).isFile());
    }

    void aFailedSaveAtCloseWaitsForTheUsersOk()
    {
        // The settings file is a link to a FIFO: the save is refused and the FIFO kept.
        const QByteArray fifo = QFile::encodeName(m_dir.filePath(QStringLiteral("fifo")));
        QVERIFY(::mkfifo(fifo.constData(), 0600) == 0);
        QVERIFY(QDir().mkpath(QFileInfo(path()).path()));
        QVERIFY(QFile::link(QString::fromLocal8Bit(fifo), path()));

        FakeDialogs dialogs;
        dialogs.modalErrors = true;
        // The banner ends the program when it closes, as it does in the program: queued, and
        // ending whatever event loop runs then.
        QWidget banner;
        int quits = 0;
        bool quitUnderTheBox = false;
        QuitOnClose quit([&] {
            ++quits;
            quitUnderTheBox = dialogs.boxOpen();
            dialogs.endOpenBox();
        });
        banner.installEventFilter(&quit);
        banner.show();
        auto w = open();
        w->setBanner(&banner);
        QVERIFY(w->close());
        QTRY_COMPARE(quits, 1);
        QVERIFY(!quitUnderTheBox);
        QCOMPARE(dialogs.acknowledged, QList<bool>{true});
        QCOMPARE(dialogs.errors, QStringList{QStringLiteral(
                                     "Error: Failed to set data for 'Paths'\nNot a regular file")});
        QVERIFY(!banner.isVisible());
        struct stat st {};
        QCOMPARE(::lstat(fifo.constData(), &st), 0);
        QVERIFY(S_ISFIFO(st.st_mode));
        QVERIFY(QFileInfo(path()).isSymLink());
        QFile::remove(path());
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
