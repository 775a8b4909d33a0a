// SPDX-License-Identifier: GPL-3.0-or-later
#include "fake_dialogs.h"
#include "gui_helpers.h"
#include "move_form.h"
#include "multi_language.h"
#include "settings_store.h"

#include <QComboBox>
#include <QDirIterator>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLibraryInfo>
#include <QRegularExpression>
#include <QScrollArea>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeView>

#include <algorithm>
#include <iterator>
#include <map>
#include <set>

using namespace twinly;
using namespace twinly::test;

namespace {

using KeySet = std::set<QString>; // "section/key", lower case as the file format matches them

// The keys a language file can give for a window: its title, the captions and hints of its
// named parts, its column headers. Texts the program writes itself while it runs are nothing
// to translate.
void addKeysOf(const QWidget *window, bool withTitle, KeySet &keys)
{
    static const std::set<QString> programTexts = {
        QStringLiteral("SizeLabel"), QStringLiteral("SplittingLabel"), QStringLiteral("TrayIcon")};
    const QString section = window->objectName().toLower();
    if (withTitle && !window->windowTitle().isEmpty())
        keys.insert(section + QStringLiteral("/caption"));
    // Signs alone ("...", "%", ":-)") are the same in every language; blanks alone are a
    // title kept free for a check box, which a translation keeps free too.
    const auto hasLetter = [](const QString &text) {
        if (!text.isEmpty() && text.trimmed().isEmpty())
            return true;
        return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetter(); });
    };
    for (const QObject *o : window->findChildren<QObject *>()) {
        for (const QString &key : HeaderKeysOf(o))
            if (!key.isEmpty())
                keys.insert(section + QLatin1Char('/') + key.toLower());
        const QString name = o->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_")) || programTexts.count(name))
            continue;
        // A page in a scroll area: the tab's caption is the page's key.
        if (qobject_cast<const QScrollArea *>(o))
            continue;
        bool has = false;
        if (const QString caption = CaptionOf(o, has); has && hasLetter(caption))
            keys.insert(section + QLatin1Char('/') + name.toLower());
        if (const QString hint = HintOf(o, has); has && hasLetter(hint))
            keys.insert(QStringLiteral("hint.") + section + QLatin1Char('/') + name.toLower());
    }
}

// Every message key in the sources: a key literal followed by its built-in text.
KeySet messageKeysInSources(const QString &root)
{
    KeySet keys;
    // A key and its built-in text, as plain literals or as QStringLiteral arguments.
    static const QRegularExpression keyAndText(
        QStringLiteral("\"(str\\w+)\"\\)?\\s*,\\s*(?:QStringLiteral\\(\\s*)?\""));
    for (const char *folder : {"app", "results", "search", "visual", "platform"}) {
        QDirIterator it(root + QLatin1Char('/') + QLatin1String(folder),
                        {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile f(it.next());
            if (!f.open(QIODevice::ReadOnly))
                qFatal("cannot read %s", qPrintable(f.fileName()));
            const QString text = QString::fromUtf8(f.readAll());
            for (const auto &m : keyAndText.globalMatch(text))
                keys.insert(QStringLiteral("strings/") + m.captured(1).toLower());
        }
    }
    return keys;
}

// The keys a language file holds, by the file format's rules (sections and keys in any case,
// ";" lines are comments).
KeySet keysInFile(const QString &path, std::map<QString, QString> &values)
{
    KeySet keys;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        qFatal("cannot read %s", qPrintable(path));
    QString section;
    for (const QString &raw : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2).trimmed().toLower();
            continue;
        }
        const auto eq = line.indexOf(QLatin1Char('='));
        if (eq > 0 && !section.isEmpty()) {
            const QString key = section + QLatin1Char('/') + line.left(eq).trimmed().toLower();
            keys.insert(key);
            values.emplace(key, line.mid(eq + 1).trimmed());
        }
    }
    return keys;
}

QString listOf(const KeySet &keys)
{
    QStringList l(keys.begin(), keys.end());
    return l.join(QStringLiteral(", "));
}

} // namespace

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
        // First the way back to the built-in texts, current while no language is chosen.
        QCOMPARE(names.takeFirst(), TMultiLang::builtInEntry());
        QCOMPARE(list->currentIndex(), 0);
        names.sort();
        QCOMPARE(names, (QStringList{QStringLiteral("French.lng"), QStringLiteral("German.lng")}));
        QVERIFY(!list->isHidden());
    }

    void theBuiltInEntryBringsBackEveryText()
    {
        write(QStringLiteral("A.lng"), "[Form1]\nCaption=Zwilling\nRecursiveDirs=Rekursiv\n"
                                       "AccLabel1=Genauigkeit\nListSize=Gr\xC3\xB6\xC3\x9F"
                                       "e\n[Hint.Form1]\nGoBut=Los\n"
                                       "[Strings]\nstr2=Leerer Name !\n");
        open();
        auto *header = child<QTreeView>(w(), "List")->header();
        const auto headerText = [header](int column) {
            return header->model()->headerData(column, Qt::Horizontal).toString();
        };
        const QString title = w()->windowTitle();
        const QString hint = child(w(), "GoBut")->toolTip();
        const QString size = headerText(1);
        choose(QStringLiteral("A.lng"));
        QCOMPARE(w()->windowTitle(), QStringLiteral("Zwilling"));
        QCOMPARE(child<QLabel>(w(), "AccLabel1")->text(), QStringLiteral("Genauigkeit"));
        QCOMPARE(headerText(1), QStringLiteral("Gr\u00F6\u00DFe"));
        QCOMPARE(child(w(), "GoBut")->toolTip(), QStringLiteral("Los"));

        choose(TMultiLang::builtInEntry());
        QCOMPARE(w()->translator().CurrentLang, QString());
        QCOMPARE(w()->windowTitle(), title);
        QCOMPARE(child<QCheckBox>(w(), "RecursiveDirs")->text(),
                 QStringLiteral("Recursive search"));
        QCOMPARE(child<QLabel>(w(), "AccLabel1")->text(), QStringLiteral("Total accuracy"));
        QCOMPARE(headerText(1), size);
        QCOMPARE(child(w(), "GoBut")->toolTip(), hint);
        QCOMPARE(w()->translator().GetString(QStringLiteral("str2"), QStringLiteral("built in")),
                 QStringLiteral("built in"));
        // The choice is kept: the next start shows the built-in texts.
        w()->close();
        open();
        QCOMPARE(child<QCheckBox>(w(), "RecursiveDirs")->text(),
                 QStringLiteral("Recursive search"));
        choose(QStringLiteral("A.lng")); // and a language still applies after the way back
        QCOMPARE(child<QCheckBox>(w(), "RecursiveDirs")->text(), QStringLiteral("Rekursiv"));
    }

    void theToolkitsTextsFollowTheLanguagesLocale()
    {
        const auto cancel = [] { return QCoreApplication::translate("QPlatformTheme", "Cancel"); };
        if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) +
                           QStringLiteral("/qtbase_de.qm")))
            QSKIP("the toolkit's German translation is not installed");
        write(QStringLiteral("De.lng"), "[Info]\nLocale=de\n[Form1]\nMaskCBox=Maske\n");
        write(QStringLiteral("Bad.lng"), "[Info]\nLocale=../../x\n[Form1]\nMaskCBox=Masque\n");
        open();
        QCOMPARE(cancel(), QStringLiteral("Cancel"));
        choose(QStringLiteral("De.lng"));
        QCOMPARE(w()->translator().LocaleOf(QStringLiteral("De.lng")), QStringLiteral("de"));
        QCOMPARE(cancel(), QStringLiteral("Abbrechen"));
        // A locale that is no locale name loads nothing; the toolkit is English again.
        choose(QStringLiteral("Bad.lng"));
        QCOMPARE(w()->translator().LocaleOf(QStringLiteral("Bad.lng")), QString());
        QCOMPARE(cancel(), QStringLiteral("Cancel"));
        choose(QStringLiteral("De.lng"));
        choose(TMultiLang::builtInEntry());
        QCOMPARE(cancel(), QStringLiteral("Cancel"));
        // A stored language brings the toolkit's texts with it at start-up.
        choose(QStringLiteral("De.lng"));
        w()->close();
        m_window.reset();
        QCOMPARE(cancel(), QStringLiteral("Cancel")); // the window's translator went with it
        open();
        QCOMPARE(cancel(), QStringLiteral("Abbrechen"));
    }

    // Keys the program has and keys the shipped German file gives must be the same two sets: a
    // new control without its German text fails here, and so does a German text left behind
    // for a control that is gone.
    void theGermanFileCoversEveryKeyAndNoOther()
    {
        const QString source = QString::fromUtf8(TWINLY_SOURCE_DIR);
        open();
        KeySet program;
        addKeysOf(w(), true, program);
        TMoveForm destination(m_config.filePath(QStringLiteral("Zorvik.reg")).toStdString());
        addKeysOf(&destination, false, program); // its title comes from str4 and str8
        for (const QString &k : messageKeysInSources(source))
            program.insert(k);
        program.insert(QStringLiteral("info/locale"));

        std::map<QString, QString> values;
        const KeySet german = keysInFile(source + QStringLiteral("/lang/Deutsch.lng"), values);
        KeySet missing, stale;
        std::set_difference(program.begin(), program.end(), german.begin(), german.end(),
                            std::inserter(missing, missing.end()));
        std::set_difference(german.begin(), german.end(), program.begin(), program.end(),
                            std::inserter(stale, stale.end()));
        QVERIFY2(missing.empty(),
                 qPrintable(QStringLiteral("not in Deutsch.lng: ") + listOf(missing)));
        QVERIFY2(stale.empty(),
                 qPrintable(QStringLiteral("in Deutsch.lng for nothing: ") + listOf(stale)));
        QCOMPARE(values[QStringLiteral("info/locale")], QStringLiteral("de"));
        // Placeholders stay as they are in the built-in texts.
        for (const auto &[key, text] : values)
            if (key.startsWith(QLatin1String("strings/")))
                QVERIFY2(text.count(QStringLiteral("%s")) <= 1 &&
                             text.count(QStringLiteral("%d")) <= 1,
                         qPrintable(key));
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
