// SPDX-License-Identifier: GPL-3.0-or-later
// The window and twinly-cli ask for the same search from the same choices, for every
// combination of the switches that tie into each other.
#include "cli.h"
#include "gui_helpers.h"

#include <QSignalBlocker>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <string>
#include <vector>

using namespace twinly;
using namespace twinly::test;

namespace {

enum Choice {
    IgnoreSize = 1 << 0,
    NoContent = 1 << 1,
    MatchTime = 1 << 2,
    MatchNames = 1 << 3,
    Visual = 1 << 4,
    Databases = 1 << 5,
    CreateDb = 1 << 6,
    Listing = 1 << 7,
    NoMask = 1 << 8, // "Use mask" unchecked; no --mask
    AllChoices = 1 << 9,
};

// Combinations the command line refuses as bad usage.
bool refusedByCommandLine(int c)
{
    return ((c & CreateDb) && (c & (Listing | Databases | Visual))) ||
           ((c & Visual) && (c & Databases));
}

QString describe(int c)
{
    static const char *const names[] = {"ignore-size", "no-content", "match-time",
                                        "match-names", "visual",     "db",
                                        "create-db",   "list",       "no-mask"};
    QString text;
    for (int bit = 0; bit < 9; ++bit)
        if (c & (1 << bit))
            text += QLatin1String(names[bit]) + QLatin1Char(' ');
    return text.isEmpty() ? QStringLiteral("(defaults)") : text;
}

// The fields in which two snapshots differ, for the failure message.
QString differences(const SearchOptions &a, const SearchOptions &b)
{
    QStringList out;
    auto check = [&out](const char *name, bool same) {
        if (!same)
            out << QLatin1String(name);
    };
    check("Folders", a.Folders == b.Folders);
    check("Mask", a.Mask == b.Mask);
    check("UseMask", a.UseMask == b.UseMask);
    check("Recursive", a.Recursive == b.Recursive);
    check("IgnoreSize", a.IgnoreSize == b.IgnoreSize);
    check("IgnoreDate", a.IgnoreDate == b.IgnoreDate);
    check("IgnoreNames", a.IgnoreNames == b.IgnoreNames);
    check("CompareContent", a.CompareContent == b.CompareContent);
    check("FindDuplicates", a.FindDuplicates == b.FindDuplicates);
    check("CreateDB", a.CreateDB == b.CreateDB);
    check("VisualCompare", a.VisualCompare == b.VisualCompare);
    check("MinSize", a.MinSize == b.MinSize);
    check("MaxSize", a.MaxSize == b.MaxSize);
    check("Visual", a.Visual == b.Visual);
    check("ReadThreads", a.ReadThreads == b.ReadThreads);
    check("CacheFolder", a.CacheFolder == b.CacheFolder);
    return out.join(QLatin1Char(' '));
}

// The controls set as the choices say, without the interlocks running: the snapshot is to
// hold the rules by itself, whatever state the controls were left in.
void setControls(QObject *window, int c)
{
    auto set = [window](const char *name, bool on) {
        auto *button = child<QAbstractButton>(window, name);
        const QSignalBlocker block(button);
        button->setChecked(on);
    };
    set("IgnoreSize", c & IgnoreSize);
    set("CompareContent", !(c & NoContent));
    set("IgnoreDate", !(c & MatchTime));
    set("IgnoreNames", !(c & MatchNames));
    set("VisualCMP", c & Visual);
    set("CRCCompare", c & Databases);
    set("CreateCRC", c & CreateDb);
    set("CheckDublicates", !(c & Listing) && !(c & CreateDb));
    set("MaskCBox", !(c & NoMask));
}

std::vector<std::string> commandLine(int c, const std::string &folder)
{
    std::vector<std::string> args = {"twinly-cli"};
    if (!(c & NoMask))
        args.insert(args.end(), {"--mask", "*.txt"});
    if (c & IgnoreSize)
        args.emplace_back("--ignore-size");
    if (c & NoContent)
        args.emplace_back("--no-content");
    if (c & MatchTime)
        args.emplace_back("--match-time");
    if (c & MatchNames)
        args.emplace_back("--match-names");
    if (c & Visual)
        args.emplace_back("--visual");
    if (c & Databases)
        args.insert(args.end(), {"--db", "disc.twd"});
    if (c & CreateDb)
        args.insert(args.end(), {"--create-db", "new.twd"});
    if (c & Listing)
        args.emplace_back("--list");
    args.push_back(folder);
    return args;
}

} // namespace

class TestSearchSwitches : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { emptyXdgFolders(); }
    void windowAndCommandLineAskForTheSameSearch()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        TForm1 window;
        window.setSettingsPath(dir.filePath(QStringLiteral("Zorvik.reg")));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        addFolder(&window, dir.path());
        child<QLineEdit>(&window, "MaskEdit")->setText(QStringLiteral("*.txt"));
        child<QAbstractButton>(&window, "RecursiveDirs")->setChecked(true);
        const std::vector<std::string> folders = window.searchOptions().Folders;
        QCOMPARE(folders.size(), std::size_t(1));

        int compared = 0;
        for (int c = 0; c < AllChoices; ++c) {
            if (refusedByCommandLine(c))
                continue;
            setControls(&window, c);
            const SearchOptions fromWindow = window.searchOptions();

            const std::vector<std::string> args = commandLine(c, folders.front());
            std::vector<const char *> argv;
            for (const std::string &a : args)
                argv.push_back(a.c_str());
            std::string error;
            const auto fromCommandLine =
                cli::SearchOptionsFromArguments(static_cast<int>(argv.size()), argv.data(), error);
            QVERIFY2(fromCommandLine, qPrintable(describe(c) + QString::fromStdString(error)));
            QVERIFY2(fromWindow == *fromCommandLine,
                     qPrintable(describe(c) + QStringLiteral("differ in ") +
                                differences(fromWindow, *fromCommandLine)));
            ++compared;
        }
        QVERIFY(compared > 100);
    }

    void theRulesHoldWhateverAsksForTheSearch()
    {
        SearchOptions chosen;
        chosen.Mask = "*.txt";
        chosen.IgnoreSize = true;
        QVERIFY(!ResolveSearchOptions(chosen, false).CompareContent);
        // Databases are compared by size and checksum, whatever time and name say.
        chosen.IgnoreDate = chosen.IgnoreNames = false;
        const SearchOptions withDb = ResolveSearchOptions(chosen, true);
        QVERIFY(withDb.CompareContent && withDb.IgnoreDate && withDb.IgnoreNames);
        chosen.IgnoreSize = false;
        chosen.VisualCompare = true;
        const SearchOptions visual = ResolveSearchOptions(chosen, false);
        QVERIFY(!visual.CompareContent);
        QCOMPARE(visual.Mask, std::string(kPictureFormatsMask));
        // A mask not in use takes every file; pictures are still all a visual search reads.
        chosen.UseMask = false;
        QCOMPARE(ResolveSearchOptions(chosen, false).Mask, std::string(kPictureFormatsMask));
        chosen.VisualCompare = false;
        const SearchOptions noMask = ResolveSearchOptions(chosen, false);
        QCOMPARE(noMask.Mask, std::string());
        QCOMPARE(ResolveSearchOptions(noMask, false), noMask);
        chosen.UseMask = true;
        chosen.CreateDB = true;
        chosen.FindDuplicates = false;
        const SearchOptions db = ResolveSearchOptions(chosen, true);
        QVERIFY(db.CompareContent && db.FindDuplicates && db.IgnoreSize && !db.VisualCompare);
        QCOMPARE(ResolveSearchOptions(db, true), db); // applying the rules again changes nothing
    }
};

QTEST_MAIN(TestSearchSwitches)
#include "tst_search_switches.moc"
