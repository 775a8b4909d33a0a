// SPDX-License-Identifier: GPL-3.0-or-later
#include "profile_file.h"
#include "settings_store.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <random>
#include <sstream>

using namespace twinly::platform;
using twinly::test::SmallFileSystem;
using twinly::test::TempTree;

namespace fs = std::filesystem;

namespace {

std::vector<std::uint8_t> bytes(std::string_view s)
{
    return {s.begin(), s.end()};
}

std::vector<std::string> dirEntries(const std::string &dir)
{
    std::vector<std::string> names;
    for (const auto &e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

const char kHeader[] = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quellon\\Zorvik]\n";

std::string keyFile(std::string_view body)
{
    return kHeader + std::string(body) + "\n";
}

constexpr uid_t kNobody = 65534;

// Runs `body` in a child process as the unprivileged user nobody, for the cases where root's
// freedom to read anything would hide what happens to a user; gives the body's return value,
// or -1 when this process cannot become that user.
int runAsNobody(const std::function<int()> &body)
{
    if (::geteuid() != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0 ||
            ::setresuid(kNobody, kNobody, kNobody) != 0)
            ::_exit(125);
        ::_exit(body());
    }
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 126;
}

void giveToNobody(const std::string &path)
{
    ASSERT_EQ(::lchown(path.c_str(), kNobody, kNobody), 0) << path;
}

} // namespace

TEST(SettingsKey, EveryTypeRoundTripsThroughAFile)
{
    TempTree tree;
    const std::string path = tree.path("cfg/Quellon/Zorvik.reg");
    std::vector<std::uint8_t> big(300);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<std::uint8_t>(i * 7);
    const std::string controls("tab\there\nline\r\x01 and a NUL\0inside", 32);
    {
        auto key = SettingsKey::create(path);
        ASSERT_TRUE(key);
        key->writeString("Paths", "/home/a,\"/home/b c\"");
        key->writeString("Empty", "");
        key->writeString("Quotes", "back\\slash \"quoted\" \xC3\xA9t\xC3\xA9");
        key->writeString("Controls", controls);
        key->writeDword("DeleteMethod", 2);
        key->writeDword("Max", 0xFFFFFFFFu);
        key->writeDword("Zero", 0);
        key->writeBinary("Setings", big);
        key->writeBinary("None", {});
        key->writeBinary("One", bytes("\xAB"));
        const FileWriteResult saved = key->save();
        ASSERT_TRUE(saved) << saved.message;
        EXPECT_TRUE(saved.message.empty());
    }
    const std::string text = tree.read("cfg/Quellon/Zorvik.reg");
    EXPECT_TRUE(text.starts_with(kHeader)) << text;
    EXPECT_NE(text.find("\n\"Paths\"=\"/home/a,\\\"/home/b c\\\"\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\n\"DeleteMethod\"=dword:00000002\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\n\"Max\"=dword:ffffffff\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\n\"None\"=hex:\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\n\"One\"=hex:ab\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\n\"Controls\"=hex(1):74,61,62,09,"), std::string::npos) << text;
    // One value a line: long data is wrapped the way exports wrap it.
    std::istringstream lines(text);
    std::string line;
    int continued = 0;
    while (std::getline(lines, line)) {
        EXPECT_LE(line.size(), 80u) << line;
        continued += line.ends_with("\\");
    }
    EXPECT_GT(continued, 3);

    auto key = SettingsKey::open(path);
    ASSERT_TRUE(key);
    std::string s;
    ASSERT_TRUE(key->readString("Paths", s));
    EXPECT_EQ(s, "/home/a,\"/home/b c\"");
    ASSERT_TRUE(key->readString("Empty", s));
    EXPECT_EQ(s, "");
    ASSERT_TRUE(key->readString("Quotes", s));
    EXPECT_EQ(s, "back\\slash \"quoted\" \xC3\xA9t\xC3\xA9");
    ASSERT_TRUE(key->readString("Controls", s));
    EXPECT_EQ(s, controls);
    std::uint32_t d = 1;
    ASSERT_TRUE(key->readDword("DeleteMethod", d));
    EXPECT_EQ(d, 2u);
    ASSERT_TRUE(key->readDword("Max", d));
    EXPECT_EQ(d, 0xFFFFFFFFu);
    ASSERT_TRUE(key->readDword("Zero", d));
    EXPECT_EQ(d, 0u);
    std::vector<std::uint8_t> b;
    ASSERT_TRUE(key->readBinary("Setings", 300, b));
    EXPECT_EQ(b, big);
    ASSERT_TRUE(key->readBinary("None", 0, b));
    EXPECT_TRUE(b.empty());
    ASSERT_TRUE(key->readBinary("One", 10, b));
    EXPECT_EQ(b, bytes("\xAB"));

    // The order is the order of writing, and a second save writes the same bytes.
    std::vector<std::string> names;
    for (const auto &v : key->values())
        names.push_back(v.name);
    EXPECT_EQ(names,
              (std::vector<std::string>{"Paths", "Empty", "Quotes", "Controls", "DeleteMethod",
                                        "Max", "Zero", "Setings", "None", "One"}));
    ASSERT_TRUE(key->save());
    EXPECT_EQ(tree.read("cfg/Quellon/Zorvik.reg"), text);
}

// File names are bytes and need not be UTF-8; the file stays text all the same.
TEST(SettingsKey, StringsThatAreNotUtf8GoOutAsBytesAndComeBackExactly)
{
    TempTree tree;
    const std::string path = tree.path("Zorvik.reg");
    const std::string paths = "/t/caf\xE9,/t/caf\xEF\xBF\xBD,\"/t/a\\xE9 b\"";
    const std::string plain = "/t/caf\xC3\xA9";
    {
        auto key = SettingsKey::create(path);
        ASSERT_TRUE(key);
        key->writeString("Paths", paths);
        key->writeString("TargetDir", plain);
        ASSERT_TRUE(key->save());
    }
    const std::string text = tree.read("Zorvik.reg");
    EXPECT_TRUE(IsValidUtf8(text)) << text;
    EXPECT_NE(text.find("\n\"Paths\"=hex(1):2f,74,2f,63,61,66,e9,2c,"), std::string::npos) << text;
    EXPECT_NE(text.find("\n\"TargetDir\"=\"/t/caf\xC3\xA9\"\n"), std::string::npos) << text;
    auto key = SettingsKey::open(path);
    ASSERT_TRUE(key);
    std::string s;
    ASSERT_TRUE(key->readString("Paths", s));
    EXPECT_EQ(s, paths);
    ASSERT_TRUE(key->readString("TargetDir", s));
    EXPECT_EQ(s, plain);
}

TEST(SettingsKey, ReadsAHandWrittenExport)
{
    const std::string text = "\xEF\xBB\xBFREGEDIT4\r\n"
                             "\r\n"
                             "; written by hand\r\n"
                             "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
                             "\"Paths\"=\"not these\"\r\n"
                             "\"Long\"=hex:01,02,\\\r\n"
                             "  03\r\n"
                             "\r\n"
                             "[hkey_current_user\\SOFTWARE\\quellon\\ZORVIK]\r\n"
                             "@=\"default, ignored\"\r\n"
                             "\"Paths\"=\"/home/a,\\\"/home/b c\\\"\"\r\n"
                             "   ; an indented comment\r\n"
                             "\"DeleteMethod\"=DWORD:2\r\n"
                             "\"Setings\"=hex:01,00,01,ff,\\\r\n"
                             "  10,20,\\\r\n"
                             "\t30\r\n"
                             "\"Expand\"=hex(2):25,48,4f,4d,45,25,00\r\n"
                             "\"Plain\"=hex(1):61,62,00\r\n"
                             "\"Multi\"=hex(7):61,00,62,00,00,00\r\n"
                             "\"Qword\"=HEX(B):01,02,03,04,05,06,07,08\r\n"
                             "\"Gone\"=\"x\"\r\n"
                             "\"gone\"=-\r\n"
                             "\"Never\"=-\r\n"
                             "\"Empty\"=hex:\r\n"
                             "\"Spaced\" = \"ok\"   \r\n"
                             "\r\n"
                             "[HKEY_CURRENT_USER\\Software\\Quellon\\Zorvik\\Sub]\r\n"
                             "\"Paths\"=\"nor these\"\r\n";
    auto key = SettingsKey::parse(text);
    ASSERT_TRUE(key);
    std::string s;
    ASSERT_TRUE(key->readString("PATHS", s));
    EXPECT_EQ(s, "/home/a,\"/home/b c\"");
    std::uint32_t d = 0;
    ASSERT_TRUE(key->readDword("deletemethod", d));
    EXPECT_EQ(d, 2u);
    std::vector<std::uint8_t> b;
    ASSERT_TRUE(key->readBinary("Setings", 100, b));
    EXPECT_EQ(b, (std::vector<std::uint8_t>{1, 0, 1, 0xFF, 0x10, 0x20, 0x30}));
    ASSERT_TRUE(key->readString("Expand", s));
    EXPECT_EQ(s, "%HOME%");
    ASSERT_TRUE(key->readString("Plain", s));
    EXPECT_EQ(s, "ab");
    ASSERT_TRUE(key->readBinary("Multi", 100, b));
    EXPECT_EQ(b, bytes(std::string_view("a\0b\0\0\0", 6)));
    ASSERT_TRUE(key->readBinary("Qword", 8, b));
    EXPECT_EQ(b.size(), 8u);
    ASSERT_TRUE(key->readBinary("Empty", 0, b));
    EXPECT_TRUE(b.empty());
    ASSERT_TRUE(key->readString("Spaced", s));
    EXPECT_EQ(s, "ok");
    EXPECT_FALSE(key->hasValue("Gone"));
    EXPECT_FALSE(key->hasValue("Never"));
    EXPECT_FALSE(key->hasValue("Long"));
    EXPECT_FALSE(key->hasValue("@"));
    ASSERT_EQ(key->values().size(), 9u);
    EXPECT_EQ(key->values()[0].name, "Paths");
    EXPECT_EQ(key->values()[3].type, 2u);
    EXPECT_EQ(key->values()[5].type, 7u);
    EXPECT_EQ(key->values()[6].type, 0xBu);

    // Raw types keep their numbers and bytes through the writer.
    const std::string written = key->serialize();
    EXPECT_NE(written.find("\"Expand\"=hex(2):25,48,4f,4d,45,25,00\n"), std::string::npos);
    EXPECT_NE(written.find("\"Plain\"=\"ab\"\n"), std::string::npos);
    EXPECT_NE(written.find("\"Qword\"=hex(b):01,02,03,04,05,06,07,08\n"), std::string::npos);
    auto again = SettingsKey::parse(written);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->values(), key->values());
}

TEST(SettingsKey, ReadsFailOnAMissingValueOrAWrongType)
{
    auto key = SettingsKey::parse(keyFile("\"S\"=\"text\"\n"
                                          "\"E\"=hex(2):61,00\n"
                                          "\"D\"=dword:00000007\n"
                                          "\"B\"=hex:01,02,03\n"
                                          "\"N\"=hex(0):09\n"
                                          "\"Short\"=hex(4):01,02\n"));
    ASSERT_TRUE(key);
    std::string s = "untouched";
    std::uint32_t d = 99;
    std::vector<std::uint8_t> b{42};
    const std::vector<std::uint8_t> untouched{42};

    EXPECT_FALSE(key->readString("Missing", s));
    EXPECT_FALSE(key->readDword("Missing", d));
    EXPECT_FALSE(key->readBinary("Missing", 100, b));
    EXPECT_FALSE(key->hasValue("Missing"));

    EXPECT_FALSE(key->readString("D", s));
    EXPECT_FALSE(key->readString("B", s));
    EXPECT_FALSE(key->readString("N", s));
    EXPECT_FALSE(key->readDword("S", d));
    EXPECT_FALSE(key->readDword("E", d));
    EXPECT_FALSE(key->readDword("B", d));
    EXPECT_FALSE(key->readDword("Short", d)); // a dword type but not four bytes
    EXPECT_FALSE(key->readBinary("S", 100, b));
    EXPECT_FALSE(key->readBinary("E", 100, b));
    EXPECT_FALSE(key->readBinary("D", 100, b));
    EXPECT_FALSE(key->readBinary("B", 2, b)); // longer than the room for it
    EXPECT_EQ(s, "untouched");
    EXPECT_EQ(d, 99u);
    EXPECT_EQ(b, untouched);

    EXPECT_TRUE(key->readBinary("B", 3, b));
    EXPECT_EQ(b, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_TRUE(key->readBinary("B", 1000, b));
    EXPECT_EQ(b.size(), 3u);
    EXPECT_TRUE(key->readBinary("N", 1, b)); // other raw types read as bytes
    EXPECT_EQ(b, (std::vector<std::uint8_t>{9}));
    EXPECT_TRUE(key->readString("E", s));
    EXPECT_EQ(s, "a");
    EXPECT_TRUE(key->hasValue("short"));
}

TEST(SettingsKey, NamesIgnoreCaseButKeepSpellingAndPlace)
{
    auto key = SettingsKey::parse(keyFile(""));
    ASSERT_TRUE(key);
    EXPECT_TRUE(key->values().empty());
    key->writeString("MovePaths", "a");
    key->writeDword("Other", 1);
    key->writeDword("MOVEPATHS", 5); // replaces, type and all
    ASSERT_EQ(key->values().size(), 2u);
    EXPECT_EQ(key->values()[0].name, "MovePaths");
    std::string s;
    EXPECT_FALSE(key->readString("movepaths", s));
    std::uint32_t d = 0;
    EXPECT_TRUE(key->readDword("movepaths", d));
    EXPECT_EQ(d, 5u);

    // Names the one-value-per-line form cannot hold are not stored.
    key->writeString("", "x");
    key->writeString("Line\nBreak", "x");
    key->writeDword(std::string_view("Nul\0", 4), 1);
    EXPECT_EQ(key->values().size(), 2u);
    // Quotes and backslashes in names are escaped.
    key->writeString("Odd \"name\" \\ [x]=", "v");
    auto again = SettingsKey::parse(key->serialize());
    ASSERT_TRUE(again);
    EXPECT_EQ(again->values(), key->values());
}

TEST(SettingsKey, DuplicateNamesInAFileKeepTheLastValueAtTheFirstPlace)
{
    auto key = SettingsKey::parse(keyFile("\"A\"=\"1\"\n\"B\"=\"2\"\n\"a\"=dword:00000003\n"));
    ASSERT_TRUE(key);
    ASSERT_EQ(key->values().size(), 2u);
    EXPECT_EQ(key->values()[0].name, "A");
    std::uint32_t d = 0;
    EXPECT_TRUE(key->readDword("A", d));
    EXPECT_EQ(d, 3u);
}

struct Damage {
    const char *name;
    std::string text;
};

// Names the case in test listings in place of its bytes.
void PrintTo(const Damage &damage, std::ostream *os)
{
    *os << damage.name;
}

class DamagedFile : public testing::TestWithParam<Damage> {};

TEST_P(DamagedFile, ReadsAsAMissingKeyAndIsKeptByTheNextSave)
{
    TempTree tree;
    const std::string damaged = GetParam().text;
    const std::string path = tree.createFile("Quellon/Zorvik.reg", damaged);
    EXPECT_FALSE(SettingsKey::parse(damaged));
    EXPECT_FALSE(SettingsKey::open(path));

    auto key = SettingsKey::create(path);
    ASSERT_TRUE(key);
    EXPECT_TRUE(key->values().empty());
    key->writeDword("DeleteMethod", 1);
    const FileWriteResult saved = key->save();
    ASSERT_TRUE(saved) << saved.message;
    EXPECT_EQ(tree.read("Quellon/Zorvik.reg.bad"), damaged);
    auto reopened = SettingsKey::open(path);
    ASSERT_TRUE(reopened);
    EXPECT_TRUE(reopened->hasValue("DeleteMethod"));

    // The good file that replaced it is not taken for damage on the next save.
    key->writeDword("DeleteMethod", 2);
    ASSERT_TRUE(key->save());
    EXPECT_EQ(tree.read("Quellon/Zorvik.reg.bad"), damaged);
    EXPECT_EQ(dirEntries(tree.path("Quellon")),
              (std::vector<std::string>{"Zorvik.reg", "Zorvik.reg.bad"}));
}

INSTANTIATE_TEST_SUITE_P(
    SettingsKey, DamagedFile,
    testing::Values(
        Damage{"GarbageLine", keyFile("\"A\"=\"1\"\ngarbage\n\"B\"=\"2\"")},
        Damage{"NoHeader", "[HKEY_CURRENT_USER\\Software\\Quellon\\Zorvik]\n\"A\"=\"1\"\n"},
        Damage{"BadHexDigit", keyFile("\"Setings\"=hex:01,0g,03")},
        Damage{"OneDigitByte", keyFile("\"Setings\"=hex:01,2,03")},
        Damage{"BadHexOnContinuedLine", keyFile("\"Setings\"=hex:01,02,\\\n  03,x4")},
        Damage{"UnterminatedString", keyFile("\"A\"=\"unterminated")},
        Damage{"UnknownEscape", keyFile("\"A\"=\"bad \\n escape\"")},
        Damage{"TextAfterString", keyFile("\"A\"=\"1\" trailing")},
        Damage{"NineDigitDword", keyFile("\"A\"=dword:123456789")},
        Damage{"EmptyDword", keyFile("\"A\"=dword:")},
        Damage{"BadDwordDigit", keyFile("\"A\"=dword:12x")},
        Damage{"BadTypeNumber", keyFile("\"A\"=hex(zz):01")},
        Damage{"UnclosedTypeNumber", keyFile("\"A\"=hex(1:01")},
        Damage{"UnknownDataForm", keyFile("\"A\"=str:\"x\"")}, Damage{"NoData", keyFile("\"A\"\n")},
        Damage{"UnquotedName", keyFile("A=\"1\"")},
        Damage{"ControlCharacterInName", keyFile("\"Tab\there\"=\"1\"")},
        Damage{"ValueOutsideAnyKey", "REGEDIT4\n\"Outside\"=\"any key\"\n"},
        Damage{"UnclosedKeyName", "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Quellon\\Zorvik\n"},
        Damage{"NotASettingsFile", "not a settings file at all"},
        Damage{"OnlyBlankLines", "\n\n  \n"}),
    [](const testing::TestParamInfo<Damage> &info) { return std::string(info.param.name); });

TEST(SettingsKey, AFileWithoutTheKeyIsAMissingKeyButNotDamage)
{
    TempTree tree;
    const std::string other = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Other]\n\"A\"=\"1\"\n";
    const std::string path = tree.createFile("Zorvik.reg", other);
    EXPECT_FALSE(SettingsKey::open(path));
    auto key = SettingsKey::create(path);
    ASSERT_TRUE(key);
    EXPECT_TRUE(key->values().empty());
    ASSERT_TRUE(key->save());
    EXPECT_EQ(dirEntries(tree.root()), std::vector<std::string>{"Zorvik.reg"});
    EXPECT_TRUE(SettingsKey::open(path));
    // The other key is still there.
    EXPECT_NE(tree.read("Zorvik.reg").find(other.substr(10)), std::string::npos);
}

TEST(SettingsKey, OtherKeysOfTheFileSurviveASaveWhereTheyStood)
{
    TempTree tree;
    const std::string before = "; a comment of the user's\n"
                               "[HKEY_CURRENT_USER\\Software\\Before]\n"
                               "\"Blob\"=hex:01,02,\\\n"
                               "  03,04\n"
                               "@=\"default\"\n"
                               "\n";
    const std::string after = "[HKEY_CURRENT_USER\\Software\\After]\n"
                              "; not ours, not parsed: kept byte for byte\n"
                              "anything at all = \"x\n"
                              "\n"
                              "[-HKEY_CURRENT_USER\\Software\\Removed]\n";
    const std::string path =
        tree.createFile("Zorvik.reg", "REGEDIT4\n\n" + before +
                                          "[HKEY_CURRENT_USER\\Software\\Quellon\\Zorvik]\n"
                                          "\"Mask\"=\"*.txt\"\n"
                                          "\n" +
                                          after);
    for (int round = 0; round < 2; ++round) {
        auto key = SettingsKey::create(path);
        ASSERT_TRUE(key);
        std::string mask;
        EXPECT_TRUE(key->readString("Mask", mask));
        EXPECT_FALSE(key->hasValue("Blob"));
        key->writeDword("Round", static_cast<std::uint32_t>(round));
        ASSERT_TRUE(key->save());
        const std::string text = tree.read("Zorvik.reg");
        const std::size_t ours = text.find("[HKEY_CURRENT_USER\\Software\\Quellon\\Zorvik]");
        ASSERT_NE(ours, std::string::npos);
        EXPECT_EQ(text.substr(0, ours), "REGEDIT4\n\n" + before);
        EXPECT_TRUE(text.ends_with("\n\n" + after)) << text;
    }
    auto key = SettingsKey::open(path);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->values().size(), 2u);
}

TEST(SettingsKey, OpenDoesNotCreateButCreateStartsAnEmptyKey)
{
    TempTree tree;
    const std::string path = tree.path("config/Quellon/Zorvik.reg");
    EXPECT_FALSE(SettingsKey::open(path));
    EXPECT_FALSE(fs::exists(tree.path("config")));

    auto key = SettingsKey::create(path);
    ASSERT_TRUE(key);
    EXPECT_TRUE(key->values().empty());
    EXPECT_EQ(key->path(), path);
    struct stat st {};
    ASSERT_EQ(::stat(tree.path("config/Quellon").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u); // a configuration folder is the user's alone
    EXPECT_FALSE(fs::exists(path));      // nothing is written until a save

    ASSERT_TRUE(key->save());
    auto reopened = SettingsKey::open(path);
    ASSERT_TRUE(reopened);
    EXPECT_TRUE(reopened->values().empty());
}

TEST(SettingsKey, CreateFailsOnlyWhenTheFolderCannotBeMade)
{
    TempTree tree;
    tree.createFile("file", "x");
    EXPECT_FALSE(SettingsKey::create(tree.path("file/Quellon/Zorvik.reg")));
    EXPECT_FALSE(SettingsKey::create(""));
    // A folder where the file belongs still gives a key; only its save fails (below).
    tree.createDir("dir/Zorvik.reg");
    EXPECT_TRUE(SettingsKey::create(tree.path("dir/Zorvik.reg")));
}

TEST(SettingsKey, ASaveKeepsValuesWrittenByOtherParts)
{
    TempTree tree;
    const std::string path = tree.path("Quellon/Zorvik.reg");
    {
        auto history = SettingsKey::create(path);
        ASSERT_TRUE(history);
        history->writeString("MovePaths", "/a,/b");
        ASSERT_TRUE(history->save());
    }
    auto options = SettingsKey::create(path);
    ASSERT_TRUE(options);
    options->writeDword("DeleteMethod", 2);
    options->writeString("Paths", "/home");
    ASSERT_TRUE(options->save());

    auto key = SettingsKey::open(path);
    ASSERT_TRUE(key);
    std::string s;
    ASSERT_TRUE(key->readString("MovePaths", s));
    EXPECT_EQ(s, "/a,/b");
    EXPECT_TRUE(key->hasValue("DeleteMethod"));
    EXPECT_TRUE(key->hasValue("Paths"));
}

TEST(SettingsKey, ParsedKeyHasNoFileToSave)
{
    auto key = SettingsKey::parse(keyFile(""));
    ASSERT_TRUE(key);
    const FileWriteResult saved = key->save();
    EXPECT_FALSE(saved);
    EXPECT_FALSE(saved.message.empty());
}

TEST(SettingsKey, SaveOverAFolderFailsAndLeavesNoTemporaryFile)
{
    TempTree tree;
    tree.createFile("dir/Zorvik.reg/inside", "x");
    auto key = SettingsKey::create(tree.path("dir/Zorvik.reg"));
    ASSERT_TRUE(key);
    key->writeDword("A", 1);
    const FileWriteResult saved = key->save();
    EXPECT_EQ(saved.error, EISDIR);
    EXPECT_FALSE(saved.message.empty());
    EXPECT_EQ(dirEntries(tree.path("dir")), std::vector<std::string>{"Zorvik.reg"});
    EXPECT_EQ(tree.read("dir/Zorvik.reg/inside"), "x");
}

TEST(SettingsKey, SaveInAReadOnlyFolderFailsAndKeepsTheOldFile)
{
    TempTree tree;
    const std::string path = tree.path("ro/Zorvik.reg");
    auto key = SettingsKey::create(path);
    ASSERT_TRUE(key);
    key->writeDword("A", 1);
    ASSERT_TRUE(key->save());
    const std::string before = tree.read("ro/Zorvik.reg");
    giveToNobody(tree.root());
    giveToNobody(tree.path("ro"));
    giveToNobody(path);
    ASSERT_EQ(::chmod(tree.path("ro").c_str(), 0555), 0);
    key->writeDword("A", 2);
    const int result = runAsNobody([&] {
        const FileWriteResult saved = key->save();
        return saved.error == EACCES && !saved.message.empty() ? 0 : 1;
    });
    if (result == -1)
        GTEST_SKIP() << "cannot run as an unprivileged user here";
    EXPECT_EQ(result, 0);
    EXPECT_EQ(tree.read("ro/Zorvik.reg"), before);
    EXPECT_EQ(dirEntries(tree.path("ro")), std::vector<std::string>{"Zorvik.reg"});
}

TEST(SettingsKey, AWriteCutShortLeavesTheOldFileByteForByte)
{
    TempTree tree;
    const std::string path = tree.path("Zorvik.reg");
    auto key = SettingsKey::create(path);
    ASSERT_TRUE(key);
    key->writeDword("A", 1);
    ASSERT_TRUE(key->save());
    const std::string before = tree.read("Zorvik.reg");

    key->writeBinary("Big", std::vector<std::uint8_t>(4096, 0x5A));
    // The file size limit makes the write fail part-way, as a full disk would.
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 1000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const FileWriteResult saved = key->save();
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved);
    EXPECT_EQ(saved.error, EFBIG) << saved.message;
    EXPECT_EQ(tree.read("Zorvik.reg"), before);
    EXPECT_EQ(dirEntries(tree.root()), std::vector<std::string>{"Zorvik.reg"});
}

TEST(SettingsKey, AFullOrReadOnlyFileSystemLeavesTheOldFile)
{
    TempTree tree;
    const std::string dir = tree.createDir("small");
    const SmallFileSystem disk(dir, "16k");
    if (!disk.mounted())
        GTEST_SKIP() << "mounting a tmpfs is not allowed here";

    const std::string path = dir + "/Zorvik.reg";
    auto key = SettingsKey::create(path);
    ASSERT_TRUE(key);
    key->writeDword("A", 1);
    ASSERT_TRUE(key->save());
    const std::string before = tree.read("small/Zorvik.reg");

    key->writeBinary("Big", std::vector<std::uint8_t>(64 * 1024, 0x5A));
    FileWriteResult saved = key->save();
    EXPECT_EQ(saved.error, ENOSPC) << saved.message;
    EXPECT_EQ(tree.read("small/Zorvik.reg"), before);
    EXPECT_EQ(dirEntries(dir), std::vector<std::string>{"Zorvik.reg"});

    ASSERT_EQ(::mount("tmpfs", dir.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=16k"), 0);
    key->writeBinary("Big", bytes("small"));
    saved = key->save();
    EXPECT_EQ(saved.error, EROFS) << saved.message;
    EXPECT_EQ(tree.read("small/Zorvik.reg"), before);
    EXPECT_EQ(dirEntries(dir), std::vector<std::string>{"Zorvik.reg"});
}

TEST(SettingsKey, ALinkedFileStaysALink)
{
    TempTree tree;
    tree.createFile("dotfiles/Zorvik.reg", keyFile("\"A\"=\"1\""));
    tree.createDir("config");
    tree.symlink("../dotfiles/Zorvik.reg", "config/Zorvik.reg");
    auto key = SettingsKey::create(tree.path("config/Zorvik.reg"));
    ASSERT_TRUE(key);
    EXPECT_TRUE(key->hasValue("A"));
    key->writeString("B", "2");
    ASSERT_TRUE(key->save());
    EXPECT_TRUE(fs::is_symlink(tree.path("config/Zorvik.reg")));
    auto target = SettingsKey::open(tree.path("dotfiles/Zorvik.reg"));
    ASSERT_TRUE(target);
    EXPECT_TRUE(target->hasValue("B"));
    EXPECT_EQ(dirEntries(tree.path("dotfiles")), std::vector<std::string>{"Zorvik.reg"});
}

TEST(SettingsKey, APrivateFileStaysPrivate)
{
    TempTree tree;
    const std::string path = tree.createFile("Zorvik.reg", keyFile(""));
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    auto key = SettingsKey::create(path);
    ASSERT_TRUE(key);
    ASSERT_TRUE(key->save());
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(SettingsKey, AFileItsOwnerCannotReadIsSetAsideAndTheNewOneIsPrivate)
{
    TempTree tree;
    const std::string old = keyFile("\"Old\"=\"1\"");
    const std::string path = tree.createFile("Quellon/Zorvik.reg", old);
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    giveToNobody(tree.root());
    giveToNobody(tree.path("Quellon"));
    giveToNobody(path);
    const int result = runAsNobody([&] {
        if (SettingsKey::open(path))
            return 1; // read although unreadable
        auto key = SettingsKey::create(path);
        if (!key || !key->values().empty())
            return 2;
        key->writeDword("New", 1);
        return key->save() ? 0 : 3;
    });
    if (result == -1)
        GTEST_SKIP() << "cannot run as an unprivileged user here";
    ASSERT_EQ(result, 0);
    // The unreadable file is kept as it was: its values are not lost.
    EXPECT_EQ(tree.read("Quellon/Zorvik.reg.bad"), old);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(st.st_uid, kNobody);
    auto key = SettingsKey::open(path);
    ASSERT_TRUE(key);
    EXPECT_TRUE(key->hasValue("New"));
    EXPECT_FALSE(key->hasValue("Old"));
}

TEST(SettingsKey, AReplacedFileKeepsItsModeAndItsOwnersRightToReadAndWrite)
{
    TempTree tree;
    const std::string path = tree.createFile("Zorvik.reg", keyFile("\"Old\"=\"1\""));
    const struct {
        unsigned before;
        unsigned after;
    } cases[] = {{0640, 0640}, {0644, 0644}, {0400, 0600}, {0000, 0600}, {0200, 0600}};
    for (const auto &c : cases) {
        ASSERT_EQ(::chmod(path.c_str(), c.before), 0);
        // Root reads even a file of mode 000: then nothing needs setting aside.
        auto key = SettingsKey::create(path);
        ASSERT_TRUE(key);
        key->writeDword("Mode", c.before);
        ASSERT_TRUE(key->save());
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, c.after) << std::oct << c.before;
    }
    if (twinly::test::permissionsAreBypassed()) {
        auto key = SettingsKey::open(path);
        ASSERT_TRUE(key);
        EXPECT_TRUE(key->hasValue("Old"));
    }
}

TEST(SettingsKey, EveryDamagedFileIsKeptAndNoneOverwritesAnEarlierCopy)
{
    TempTree tree;
    const std::string path = tree.path("Zorvik.reg");
    const std::string damaged[] = {"first damage", "second damage", "third damage"};
    for (const std::string &text : damaged) {
        tree.createFile("Zorvik.reg", text);
        auto key = SettingsKey::create(path);
        ASSERT_TRUE(key);
        key->writeString("Mask", "*");
        ASSERT_TRUE(key->save());
    }
    EXPECT_EQ(tree.read("Zorvik.reg.bad"), damaged[0]);
    EXPECT_EQ(tree.read("Zorvik.reg.bad2"), damaged[1]);
    EXPECT_EQ(tree.read("Zorvik.reg.bad3"), damaged[2]);
    EXPECT_TRUE(SettingsKey::open(path));
    EXPECT_EQ(dirEntries(tree.root()),
              (std::vector<std::string>{"Zorvik.reg", "Zorvik.reg.bad", "Zorvik.reg.bad2",
                                        "Zorvik.reg.bad3"}));
}

TEST(SettingsKey, AFileFarTooLargeIsDamageAndKeptWithoutBeingRead)
{
    TempTree tree;
    // A valid file, only too large to be a settings file: 5 MiB of comment lines.
    std::string huge = keyFile("\"Mask\"=\"*\"");
    const std::string comment = "; " + std::string(1021, 'c') + "\n";
    while (huge.size() < 5 * 1024 * 1024)
        huge += comment;
    const std::string path = tree.createFile("Zorvik.reg", huge);
    EXPECT_FALSE(SettingsKey::open(path));
    auto key = SettingsKey::create(path);
    ASSERT_TRUE(key);
    EXPECT_TRUE(key->values().empty());
    key->writeString("Mask", "*.txt");
    ASSERT_TRUE(key->save());
    EXPECT_EQ(fs::file_size(tree.path("Zorvik.reg.bad")), huge.size());
    EXPECT_LT(fs::file_size(path), 1000u);

    // Nor is such a file ever written: the good one stays.
    const std::string good = tree.read("Zorvik.reg");
    key->writeBinary("Huge", std::vector<std::uint8_t>(2 * 1024 * 1024, 0x5A));
    EXPECT_EQ(key->save().error, EFBIG);
    EXPECT_EQ(tree.read("Zorvik.reg"), good);

    // Just under the limit still reads.
    std::string large = keyFile("\"Mask\"=\"*\"");
    while (large.size() + comment.size() < 4 * 1024 * 1024)
        large += comment;
    tree.createFile("large.reg", large);
    EXPECT_TRUE(SettingsKey::open(tree.path("large.reg")));
}

TEST(SettingsKey, ASettingsFileThatIsADeviceOrFifoIsNeverReplaced)
{
    TempTree tree;
    tree.fifo("nodes/fifo");
    std::vector<std::string> nodes = {"fifo"};
    // Our own node with the null device's numbers: nothing anywhere changes even if it were
    // written to.
    if (::mknod(tree.path("nodes/null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0)
        nodes.push_back("null");
    for (const std::string &name : nodes) {
        tree.symlink("../nodes/" + name, "config/" + name + ".reg");
        for (const std::string &path :
             {tree.path("nodes/" + name), tree.path("config/" + name + ".reg")}) {
            struct stat before {};
            ASSERT_EQ(::lstat(tree.path("nodes/" + name).c_str(), &before), 0);
            EXPECT_FALSE(SettingsKey::open(path));
            auto key = SettingsKey::create(path);
            ASSERT_TRUE(key);
            key->writeDword("A", 1);
            const FileWriteResult saved = key->save();
            EXPECT_EQ(saved.error, kNotRegularFile) << path;
            struct stat after {};
            ASSERT_EQ(::lstat(tree.path("nodes/" + name).c_str(), &after), 0);
            EXPECT_EQ(after.st_ino, before.st_ino);
            EXPECT_EQ(after.st_mode, before.st_mode);
            EXPECT_EQ(after.st_rdev, before.st_rdev);
            EXPECT_TRUE(fs::is_symlink(tree.path("config/" + name + ".reg")));
        }
    }
    std::sort(nodes.begin(), nodes.end());
    EXPECT_EQ(dirEntries(tree.path("nodes")), nodes);
}

TEST(SettingsKey, TheLongestLegalFileNameWorksAndKeepsItsDamagedCopy)
{
    TempTree tree;
    for (std::size_t length : {246u, 251u, 252u, 255u}) {
        // A multi-byte character where the cut for ".bad" would fall.
        std::string name(length - 6, 'n');
        name += "\xC3\xA4.reg"; // "ä.reg"
        const std::string path = tree.createFile(name, "damaged");
        auto key = SettingsKey::create(path);
        ASSERT_TRUE(key);
        key->writeDword("A", 1);
        const FileWriteResult saved = key->save();
        ASSERT_TRUE(saved) << length << ": " << saved.message;
        EXPECT_TRUE(SettingsKey::open(path)) << length;
        EXPECT_EQ(dirEntries(tree.root()).size(), 2u) << length;
        for (const std::string &entry : dirEntries(tree.root())) {
            EXPECT_LE(entry.size(), 255u);
            if (entry != name) {
                EXPECT_TRUE(entry.ends_with(".bad")) << entry;
                EXPECT_EQ(tree.read(entry), "damaged");
            }
            fs::remove(tree.path(entry));
        }
    }
}

TEST(SettingsKey, RandomKeysRoundTripThroughTheText)
{
    std::mt19937 rng(12345);
    const auto randomText = [&](std::size_t maxLength, bool controls) {
        std::string s(rng() % (maxLength + 1), ' ');
        for (char &c : s) {
            const unsigned pick = rng() % 8;
            c = pick == 0 ? '"' : pick == 1 ? '\\' : static_cast<char>(rng() % 256);
            if (!controls && static_cast<unsigned char>(c) < 32)
                c = 'x';
        }
        return s;
    };
    for (int round = 0; round < 300; ++round) {
        auto key = SettingsKey::parse(keyFile(""));
        ASSERT_TRUE(key);
        const int count = static_cast<int>(rng() % 8);
        for (int i = 0; i < count; ++i) {
            std::string name = randomText(12, false);
            if (name.empty())
                name = "n";
            switch (rng() % 3) {
            case 0:
                key->writeString(name, randomText(40, true));
                break;
            case 1:
                key->writeDword(name, static_cast<std::uint32_t>(rng()));
                break;
            default: {
                const std::string b = randomText(200, true);
                key->writeBinary(name, bytes(b));
            }
            }
        }
        const std::string text = key->serialize();
        auto again = SettingsKey::parse(text);
        ASSERT_TRUE(again) << text;
        EXPECT_EQ(again->values(), key->values()) << text;
        EXPECT_EQ(again->serialize(), text);
    }
}

namespace {

class EnvironmentVariable {
public:
    explicit EnvironmentVariable(const char *name) : m_name(name)
    {
        if (const char *v = std::getenv(name))
            m_old = v;
    }
    ~EnvironmentVariable()
    {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }
    EnvironmentVariable(const EnvironmentVariable &) = delete;
    EnvironmentVariable &operator=(const EnvironmentVariable &) = delete;

private:
    const char *m_name;
    std::optional<std::string> m_old;
};

} // namespace

TEST(DefaultSettingsPath, FollowsXdgConfigHomeElseHome)
{
    EnvironmentVariable config("XDG_CONFIG_HOME");
    EnvironmentVariable home("HOME");
    ::setenv("HOME", "/home/someone", 1);

    ::setenv("XDG_CONFIG_HOME", "/srv/conf", 1);
    EXPECT_EQ(DefaultSettingsPath(), "/srv/conf/Quellon/Zorvik.reg");
    ::setenv("XDG_CONFIG_HOME", "/srv/conf/", 1);
    EXPECT_EQ(DefaultSettingsPath(), "/srv/conf/Quellon/Zorvik.reg");
    ::setenv("XDG_CONFIG_HOME", "", 1);
    EXPECT_EQ(DefaultSettingsPath(), "/home/someone/.config/Quellon/Zorvik.reg");
    ::setenv("XDG_CONFIG_HOME", "relative/conf", 1);
    EXPECT_EQ(DefaultSettingsPath(), "/home/someone/.config/Quellon/Zorvik.reg");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(DefaultSettingsPath(), "/home/someone/.config/Quellon/Zorvik.reg");
    // Without HOME, the password database knows the home folder.
    ::unsetenv("HOME");
    const std::string fallback = DefaultSettingsPath();
    EXPECT_TRUE(fallback.ends_with("/.config/Quellon/Zorvik.reg")) << fallback;
}

using List = std::vector<std::string>;

TEST(CommaList, Examples)
{
    EXPECT_EQ(EncodeCommaList({"/Program Files", "/x"}), "\"/Program Files\",/x");
    EXPECT_EQ(DecodeCommaList("\"/Program Files\",/x"), (List{"/Program Files", "/x"}));
    EXPECT_EQ(EncodeCommaList({""}), "\"\"");
    EXPECT_EQ(DecodeCommaList("\"\""), List{""});
    EXPECT_EQ(EncodeCommaList({}), "");
    EXPECT_EQ(DecodeCommaList(""), List{});
    EXPECT_EQ(EncodeCommaList({"a", "b", "c"}), "a,b,c");
    EXPECT_EQ(EncodeCommaList({"say \"hi\", then", "x"}), "\"say \"\"hi\"\", then\",x");
    EXPECT_EQ(DecodeCommaList("\"say \"\"hi\"\", then\",x"), (List{"say \"hi\", then", "x"}));
    EXPECT_EQ(EncodeCommaList({"line\nbreak", "tab\t"}), "\"line\nbreak\",\"tab\t\"");
    EXPECT_EQ(DecodeCommaList("\"line\nbreak\",\"tab\t\""), (List{"line\nbreak", "tab\t"}));
    EXPECT_EQ(EncodeCommaList({"\xC3\xA9t\xC3\xA9", "\x7F"}), "\xC3\xA9t\xC3\xA9,\x7F");
}

TEST(CommaList, EmptyEntriesAreQuotedWhereverTheyStand)
{
    EXPECT_EQ(EncodeCommaList({"a", "", "b"}), "a,\"\",b");
    EXPECT_EQ(EncodeCommaList({"a", ""}), "a,\"\"");
    EXPECT_EQ(EncodeCommaList({"", ""}), "\"\",\"\"");
    EXPECT_EQ(DecodeCommaList("a,\"\""), (List{"a", ""}));
    // What the reader makes of empty entries written as nothing: kept first or in the middle,
    // lost at the end and when alone. Hence the quotes.
    EXPECT_EQ(DecodeCommaList("a,,b"), (List{"a", "", "b"}));
    EXPECT_EQ(DecodeCommaList(",a"), (List{"", "a"}));
    EXPECT_EQ(DecodeCommaList("a,"), List{"a"});
    EXPECT_EQ(DecodeCommaList(","), List{""});
}

TEST(CommaList, ReaderCornerCases)
{
    EXPECT_EQ(DecodeCommaList("  a ,\t b  "), (List{"a", "b"}));
    EXPECT_EQ(DecodeCommaList("a b"), (List{"a", "b"})); // a blank ends an unquoted entry
    EXPECT_EQ(DecodeCommaList("a\"b"), List{"a\"b"});    // a quote inside is ordinary
    EXPECT_EQ(DecodeCommaList("\"a\"b"), (List{"a", "b"}));
    EXPECT_EQ(DecodeCommaList("\","), List{","}); // runs to the end when never closed
    EXPECT_EQ(DecodeCommaList("\"abc"), List{"abc"});
    EXPECT_EQ(DecodeCommaList("\"a\"\""), List{"a\""});
    EXPECT_EQ(DecodeCommaList("\""), List{""});
    EXPECT_EQ(DecodeCommaList(" \n\t "), List{});
    EXPECT_EQ(DecodeCommaList("\"a\" , \"b\""), (List{"a", "b"}));
    EXPECT_EQ(DecodeCommaList("a,,,"), (List{"a", "", ""}));
    // The text ends at a NUL, so an entry holding one cannot be written.
    EXPECT_EQ(DecodeCommaList(std::string_view("a,b\0,c", 6)), (List{"a", "b"}));
    const std::string withNul("x\0y", 3);
    EXPECT_EQ(DecodeCommaList(EncodeCommaList({withNul, "z"})), List{"x"});
}

TEST(CommaList, RandomListsRoundTrip)
{
    std::mt19937 rng(2024);
    const char tricky[] = {'"', ',', ' ', '\t', '\n', '\r', '\x01', '\x1F', '\x7F', 'a', '/'};
    for (int round = 0; round < 20000; ++round) {
        List list(rng() % 6);
        for (std::string &entry : list) {
            entry.resize(rng() % 8);
            for (char &c : entry) {
                // Any byte but NUL, with the troublesome ones made common.
                c = rng() % 2 ? tricky[rng() % sizeof tricky] : static_cast<char>(1 + rng() % 255);
            }
        }
        const std::string text = EncodeCommaList(list);
        ASSERT_EQ(DecodeCommaList(text), list) << text;
    }
}
