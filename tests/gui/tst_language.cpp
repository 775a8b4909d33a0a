// SPDX-License-Identifier: GPL-3.0-or-later
#include "fake_dialogs.h"
#include "gui_helpers.h"
#include "multi_language.h"
#include "settings_store.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTemporaryDir>

using namespace twinly;
using namespace twinly::test;

class TestLanguage : public QObject {
    Q_OBJECT

    QTemporaryDir m_program; // stands in for the program's folder
    QTemporaryDir m_config;
    std::unique_ptr<TForm1> m_window;

    TForm1 *w() { return m_window.get(); }
    void write(const QString &name, const QByteArray &text)
    {
        QFile f(m_program.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }
    void open()
    {
        m_window = std::make_unique<TForm1>();
        w()->setSettingsPath(m_config.filePath(QStringLiteral("Zorvik.reg")));
        w()->show();
        QVERIFY(QTest::qWaitForWindowExposed(w()));
    }
    void choose(const QString &language)
    {
        auto *tabs = child<QTabWidget>(w(), "PageControl1");
        tabs->setCurrentIndex(tabs->count() - 1); // "More options" refreshes the list
        auto *list = child<QComboBox>(w(), "Languages");
        const int index = list->findText(language);
        QVERIFY2(index >= 0, qPrintable(language));
        list->setCurrentIndex(index);
        Q_EMIT list->activated(index);
    }

private Q_SLOTS:
    void init()
    {
        emptyXdgFolders();
        TMultiLang::setLanguageFolder(m_program.path());
        for (const QString &f : QDir(m_program.path()).entryList(QDir::Files))
            QFile::remove(m_program.filePath(f));
        QFile::remove(m_config.filePath(QStringLiteral("Zorvik.reg")));
    }
    void cleanup()
    {
        m_window.reset();
        TMultiLang::setLanguageFolder({});
    }

    void moreOptionsListsExactlyTheLanguageFiles()
    {
        open();
        auto *tabs = child<QTabWidget>(w(), "PageControl1");
        tabs->setCurrentIndex(tabs->count() - 1);
        QVERIFY(child(w(), "Languages")->isHidden()); // no files: no choice
        QVERIFY(child(w(), "Label18")->isHidden());
        write(QStringLiteral("German.lng"), "[Form1]\n");
        write(QStringLiteral("French.lng"), "[Form1]\n");
        write(QStringLiteral("notes.txt"), "x");
        tabs->setCurrentIndex(0);
        tabs->setCurrentIndex(tabs->count() - 1);
        auto *list = child<QComboBox>(w(), "Languages");
        QStringList names;
        for (int i = 0; i < list->count(); ++i)
            names << list->itemText(i);
        names.sort();
        QCOMPARE(names, (QStringList{QStringLiteral("French.lng"), QStringLiteral("German.lng")}));
        QVERIFY(!list->isHidden());
        QCOMPARE(list->currentIndex(), -1); // no current language
    }

    void captionsLoseTheirBarsAndHintsKeepThem()
    {
        write(QStringLiteral("Test.lng"), "[FORM1]\n"
                                          "MaskCBox = \"|Use mask |\"\n"
                                          "OptionsPage=Optionen\n"
                                          "Delete1=L\xC3\xB6schen\n"
                                          "GroupBox3=| Deleting |\n"
                                          "[hint.form1]\n"
                                          "GoBut=Go|Start\n"
                                          "TrayIcon=Tray hint\n");
        open();
        choose(QStringLiteral("Test.lng"));
        QCOMPARE(child<QCheckBox>(w(), "MaskCBox")->text(), QStringLiteral("Use mask "));
        QCOMPARE(child(w(), "GoBut")->toolTip(), QStringLiteral("Go|Start"));
        auto *tabs = child<QTabWidget>(w(), "PageControl1");
        QCOMPARE(tabs->tabText(1), QStringLiteral("Optionen"));
        QCOMPARE(child<QAction>(w(), "Delete1")->text(), QStringLiteral("L\u00F6schen"));
        QCOMPARE(child<QGroupBox>(w(), "GroupBox3")->title(), QStringLiteral(" Deleting "));
        QCOMPARE(w()->trayIcon()->toolTip(), QStringLiteral("Tray hint"));
        // Untouched keys keep their texts.
        QCOMPARE(child<QCheckBox>(w(), "RecursiveDirs")->text(),
                 QStringLiteral("Recursive search"));
    }

    void switchingToAnIncompleteLanguageKeepsThePreviousTexts()
    {
        write(QStringLiteral("A.lng"), "[Form1]\nRecursiveDirs=Rekursiv\nMaskCBox=Maske\n"
                                       "[Strings]\nstr2=Leerer Name !\nstrError=Fehler\n");
        write(QStringLiteral("B.lng"), "[Form1]\nMaskCBox=Masque\n");
        open();
        choose(QStringLiteral("A.lng"));
        choose(QStringLiteral("B.lng"));
        QCOMPARE(child<QCheckBox>(w(), "MaskCBox")->text(), QStringLiteral("Masque"));
        QCOMPARE(child<QCheckBox>(w(), "RecursiveDirs")->text(), QStringLiteral("Rekursiv"));
        // B has no "Strings": messages are the built-in ones.
        FakeDialogs dialogs;
        addFolder(w(), QStringLiteral("/tmp"));
        click(w(), "CreateCRC");
        click(w(), "GoBut");
        QCOMPARE(dialogs.errors,
                 QStringList{QStringLiteral("Error: Unable save DB to empty file !")});
        choose(QStringLiteral("A.lng"));
        dialogs.errors.clear();
        click(w(), "GoBut");
        QCOMPARE(dialogs.errors, QStringList{QStringLiteral("Fehler: Leerer Name !")});
    }

    void oneKeyTranslatesBothDatabaseErrors()
    {
        write(QStringLiteral("D.lng"), "[Strings]\nstr1=Datenbankfehler\n");
        open();
        choose(QStringLiteral("D.lng"));
        FakeDialogs dialogs;
        addFolder(w(), QStringLiteral("/nonexistent-folder"));
        click(w(), "CheckDublicates");
        click(w(), "CRCCompare");
        child<QLineEdit>(w(), "CRCFile")->setText(m_program.filePath(QStringLiteral("none.twd")));
        click(w(), "AddFile");
        click(w(), "GoBut");
        QTRY_VERIFY(!w()->Searching());
        QCOMPARE(dialogs.errors, QStringList{QStringLiteral("Error: Datenbankfehler")});
        // Saving fails with the same key.
        click(w(), "CRCCompare");
        click(w(), "CreateCRC");
        child<QLineEdit>(w(), "CRCFileSave")->setText(QStringLiteral("/proc/none/x.twd"));
        dialogs.errors.clear();
        click(w(), "GoBut");
        QTRY_VERIFY(!w()->Searching());
        QCOMPARE(dialogs.errors, QStringList{QStringLiteral("Error: Datenbankfehler")});
    }

    void aMissingCurrentLanguageIsClearedAndSavedEmpty()
    {
        {
            auto key = *platform::SettingsKey::create(
                m_config.filePath(QStringLiteral("Zorvik.reg")).toStdString());
            key.writeString("CurrentLang", "Gone.lng");
            QVERIFY(key.save());
        }
        open();
        QCOMPARE(w()->translator().CurrentLang, QString());
        w()->close();
        std::string stored = "x";
        QVERIFY(platform::SettingsKey::open(
                    m_config.filePath(QStringLiteral("Zorvik.reg")).toStdString())
                    ->readString("CurrentLang", stored));
        QCOMPARE(stored, std::string());
    }

    void aStoredLanguageOutsideTheFolderOrOfAnotherKindIsIgnored()
    {
        const QByteArray translation = "[Form1]\nMaskCBox=Maske\n[Strings]\nstr3=Leer !\n";
        // Each of these names a file that holds a complete translation.
        write(QStringLiteral("Real.txt"), translation);
        write(QStringLiteral("Real"), translation);
        QVERIFY(QDir(m_program.path()).mkdir(QStringLiteral("sub")));
        write(QStringLiteral("sub/Inner.lng"), translation);
        QFile outside(m_config.filePath(QStringLiteral("Outside.lng")));
        QVERIFY(outside.open(QIODevice::WriteOnly));
        outside.write(translation);
        outside.close();
        const QString up = QStringLiteral("../") + QFileInfo(m_config.path()).fileName() +
                           QStringLiteral("/Outside.lng");
        const QString names[] = {outside.fileName(), up, QStringLiteral("sub/Inner.lng"),
                                 QStringLiteral("Real.txt"), QStringLiteral("Real")};
        for (const QString &name : names) {
            {
                auto key = *platform::SettingsKey::create(
                    m_config.filePath(QStringLiteral("Zorvik.reg")).toStdString());
                key.writeString("CurrentLang", QFile::encodeName(name).toStdString());
                QVERIFY(key.save());
            }
            open();
            QCOMPARE(w()->translator().CurrentLang, QString());
            QCOMPARE(child<QCheckBox>(w(), "MaskCBox")->text(), QStringLiteral("Use mask"));
            w()->translator().CurrentLang = name; // even when set directly
            QCOMPARE(w()->translator().GetString(QStringLiteral("str3"),
                                                 QStringLiteral("Empty CRC DB !")),
                     QStringLiteral("Empty CRC DB !"));
            m_window.reset();
        }
        QDir(m_program.filePath(QStringLiteral("sub"))).removeRecursively();
    }

    void aLanguageFileOverTheLimitIsDamagedAndChangesNothing()
    {
        QByteArray text = "[Form1]\nMaskCBox=Maske\n[Strings]\nstr3=Leer !\n";
        const QByteArray filler = "; " + QByteArray(1021, 'f') + "\n";
        while (text.size() <= 4 * 1024 * 1024)
            text += filler;
        write(QStringLiteral("Huge.lng"), text);
        open();
        choose(QStringLiteral("Huge.lng"));
        QCOMPARE(child<QCheckBox>(w(), "MaskCBox")->text(), QStringLiteral("Use mask"));
        QCOMPARE(
            w()->translator().GetString(QStringLiteral("str3"), QStringLiteral("Empty CRC DB !")),
            QStringLiteral("Empty CRC DB !"));
    }

    void anEmptyFileChangesNothing()
    {
        write(QStringLiteral("Empty.lng"), "");
        open();
        choose(QStringLiteral("Empty.lng"));
        QCOMPARE(child<QCheckBox>(w(), "MaskCBox")->text(), QStringLiteral("Use mask"));
        QCOMPARE(w()->windowTitle(), QStringLiteral("Twinly"));
        QCOMPARE(
            w()->translator().GetString(QStringLiteral("str3"), QStringLiteral("Empty CRC DB !")),
            QStringLiteral("Empty CRC DB !"));
    }
};

QTEST_MAIN(TestLanguage)
#include "tst_language.moc"
