// SPDX-License-Identifier: GPL-3.0-or-later
#include "profile_file.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <regex>
#include <string>
#include <vector>

using namespace twinly::platform;
using twinly::test::TempTree;

namespace fs = std::filesystem;

namespace {

std::optional<std::string> get(std::string_view text, std::string_view section,
                               std::string_view key)
{
    return ProfileStringFromText(text, section, key);
}

std::size_t codePoints(std::string_view utf8)
{
    std::size_t n = 0;
    for (const char c : utf8)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    return n;
}

std::string repeat(std::string_view piece, std::size_t times)
{
    std::string s;
    for (std::size_t i = 0; i < times; ++i)
        s += piece;
    return s;
}

} // namespace

TEST(ProfileNames, SectionAndKeyMatchWithoutRegardToAsciiCase)
{
    const std::string text = "[Form1]\nMaskCBox=Use mask\n[hint.FORM1]\nGOBUT=Go.\n";
    EXPECT_EQ(get(text, "form1", "maskcbox"), "Use mask");
    EXPECT_EQ(get(text, "FORM1", "MASKCBOX"), "Use mask");
    EXPECT_EQ(get(text, "Hint.Form1", "GoBut"), "Go.");
    // Only ASCII letters fold.
    EXPECT_EQ(get("[\xC3\x84]\nk=v\n", "\xC3\x84", "k"), "v");
    EXPECT_EQ(get("[\xC3\x84]\nk=v\n", "\xC3\xA4", "k"), std::nullopt);
    // A name is the whole name, not a prefix.
    EXPECT_EQ(get(text, "Form", "MaskCBox"), std::nullopt);
    EXPECT_EQ(get(text, "Form1", "MaskCBoxX"), std::nullopt);
}

TEST(ProfileNames, BlanksAroundNamesAreIgnored)
{
    const std::string text = "  [ Form1\t]  \n\t MaskCBox \t=  Use mask\nGoBut=Go\n";
    EXPECT_EQ(get(text, "Form1", "MaskCBox"), "Use mask");
    EXPECT_EQ(get(text, " Form1 ", "\tMaskCBox "), "Use mask");
    EXPECT_EQ(get(text, "Form1", "GoBut"), "Go");
    // Blanks inside a name are part of it.
    EXPECT_EQ(get("[Form 1]\nMask CBox=x\n", "Form 1", "Mask CBox"), "x");
    EXPECT_EQ(get("[Form 1]\nMask CBox=x\n", "Form1", "MaskCBox"), std::nullopt);
    // Empty names find nothing, not even an empty section or key.
    EXPECT_EQ(get("[]\n=x\n", "", ""), std::nullopt);
    EXPECT_EQ(get("[]\n=x\n", " ", "k"), std::nullopt);
    EXPECT_EQ(get("[S]\n=x\n", "S", ""), std::nullopt);
}

TEST(ProfileValues, BlanksAroundTheValueGoThenOnePairOfQuotes)
{
    const std::string text = "[S]\n"
                             "plain=  two words \t\n"
                             "dq=\" kept blanks \"\n"
                             "sq=  ' single '  \n"
                             "twice=\"\"inner\"\"\n"
                             "mixed=\"a'\n"
                             "lone=\"\n"
                             "open=\"abc\n"
                             "inside=a \"b\" c\n"
                             "emptyq=\"\"\n"
                             "empty=\n"
                             "blank=   \t \n"
                             "eq=a=b = c\n"
                             "semi=x ; not a comment\n";
    EXPECT_EQ(get(text, "S", "plain"), "two words");
    EXPECT_EQ(get(text, "S", "dq"), " kept blanks ");
    EXPECT_EQ(get(text, "S", "sq"), " single ");
    EXPECT_EQ(get(text, "S", "twice"), "\"inner\"");
    EXPECT_EQ(get(text, "S", "mixed"), "\"a'");
    EXPECT_EQ(get(text, "S", "lone"), "\"");
    EXPECT_EQ(get(text, "S", "open"), "\"abc");
    EXPECT_EQ(get(text, "S", "inside"), "a \"b\" c");
    EXPECT_EQ(get(text, "S", "emptyq"), "");
    // An empty value is a value, not a missing key.
    EXPECT_EQ(get(text, "S", "empty"), "");
    EXPECT_EQ(get(text, "S", "blank"), "");
    EXPECT_EQ(get(text, "S", "eq"), "a=b = c");
    EXPECT_EQ(get(text, "S", "a"), std::nullopt);
    EXPECT_EQ(get(text, "S", "semi"), "x ; not a comment");
}

TEST(ProfileValues, VerticalBarsAreKeptForTheCaller)
{
    // The blanks a caption needs survive between the bars; taking the bars out is the
    // translator's business, and a hint keeps them.
    const std::string text = "[Form1]\n"
                             "MaskCBox=|Use mask |\n"
                             "GroupBox2=|  Verzeichnis |\n"
                             "[Hint.Form1]\n"
                             "GoBut=  Suche starten | F9  \n";
    EXPECT_EQ(get(text, "Form1", "MaskCBox"), "|Use mask |");
    EXPECT_EQ(get(text, "Form1", "GroupBox2"), "|  Verzeichnis |");
    EXPECT_EQ(get(text, "Hint.Form1", "GoBut"), "Suche starten | F9");
}

TEST(ProfileValues, LongValuesAreCutAt2047Characters)
{
    EXPECT_EQ(kProfileValueMax, 2047u);
    const std::string exact(2047, 'a');
    EXPECT_EQ(get("[S]\nk=" + exact + "\n", "S", "k"), exact);
    EXPECT_EQ(get("[S]\nk=" + exact + "b\n", "S", "k"), exact);
    EXPECT_EQ(get("[S]\nk=" + std::string(5000, 'x'), "S", "k"), std::string(2047, 'x'));

    // Characters, not bytes: a two-byte letter counts once and is never split.
    const auto umlauts = get("[S]\nk=" + repeat("\xC3\xA4", 3000) + "\n", "S", "k");
    ASSERT_TRUE(umlauts);
    EXPECT_EQ(*umlauts, repeat("\xC3\xA4", 2047));
    const auto mixed = get("[S]\nk=" + std::string(2046, 'a') + "\xE2\x82\xAC" + "zz", "S", "k");
    ASSERT_TRUE(mixed);
    EXPECT_EQ(*mixed, std::string(2046, 'a') + "\xE2\x82\xAC");
    // One byte per character in Windows-1252, three bytes once converted.
    const auto euros = get("[S]\nk=" + std::string(2100, '\x80'), "S", "k");
    ASSERT_TRUE(euros);
    EXPECT_EQ(codePoints(*euros), 2047u);
    EXPECT_EQ(euros->size(), 3u * 2047u);

    // The quotes come off before the cut, so they do not count.
    const std::string quoted = "\"" + std::string(2047, 'q') + "\"";
    EXPECT_EQ(get("[S]\nk=" + quoted, "S", "k"), std::string(2047, 'q'));
    // Blanks dropped around the value do not count either.
    EXPECT_EQ(get("[S]\nk=   " + exact + "   \n", "S", "k"), exact);
}

TEST(ProfileLines, LineEndsCommentsAndStrayLines)
{
    EXPECT_EQ(get("[S]\r\nk=v\r\nm=w\r\n", "S", "k"), "v");
    EXPECT_EQ(get("[S]\r\nk=v\r\nm=w\r\n", "S", "m"), "w");
    EXPECT_EQ(get("[S]\r\nk=\"v \"\r\n", "S", "k"), "v ");
    // The last line needs no line end.
    EXPECT_EQ(get("[S]\nk=v", "S", "k"), "v");
    EXPECT_EQ(get("[S]\r\nk=v\r", "S", "k"), "v");

    const std::string text = "k=before any section\n"
                             "[S]\n"
                             "; k=commented out\n"
                             "   ;k=indented comment\n"
                             "just words without an equals sign\n"
                             "\n"
                             "  \t \n"
                             "k=real\n"
                             "[T] ; trailing text after the bracket\n"
                             "x=in T\n"
                             "[broken\n"
                             "y=still in T\n"
                             "[broken=z\n";
    EXPECT_EQ(get(text, "S", "k"), "real");
    EXPECT_EQ(get(text, "S", "; k"), std::nullopt);
    EXPECT_EQ(get(text, "S", "just words without an equals sign"), std::nullopt);
    EXPECT_EQ(get(text, "S", "x"), std::nullopt);
    EXPECT_EQ(get(text, "T", "x"), "in T");
    EXPECT_EQ(get(text, "T", "y"), "still in T");
    EXPECT_EQ(get(text, "T", "[broken"), "z");
    EXPECT_EQ(get(text, "broken", "y"), std::nullopt);
    // A comment line stays a comment in any section.
    EXPECT_EQ(get("[S]\n;c=1\n", "S", ";c"), std::nullopt);
}

TEST(ProfileLines, FirstSectionAndFirstKeyWin)
{
    const std::string text = "[Strings]\n"
                             "str1=first\n"
                             "STR1=second\n"
                             "[Other]\n"
                             "str1=other\n"
                             "[strings]\n"
                             "str1=second section\n"
                             "str2=only in the second section\n";
    EXPECT_EQ(get(text, "Strings", "str1"), "first");
    EXPECT_EQ(get(text, "Other", "str1"), "other");
    // A key that only a repeated section holds is missing: the first section decides.
    EXPECT_EQ(get(text, "Strings", "str2"), std::nullopt);
    EXPECT_EQ(get("[A]\n[A]\nk=v\n", "A", "k"), std::nullopt);
}

TEST(ProfileLines, MissingSectionKeyOrTextGiveNothing)
{
    const std::string text = "[Form1]\nCaption=Twinly\n";
    EXPECT_EQ(get(text, "Form1", "Caption"), "Twinly");
    EXPECT_EQ(get(text, "Strings", "Caption"), std::nullopt);
    EXPECT_EQ(get(text, "Form1", "strError"), std::nullopt);
    EXPECT_EQ(get("", "Form1", "Caption"), std::nullopt);
    EXPECT_EQ(get("\xEF\xBB\xBF", "Form1", "Caption"), std::nullopt);
    EXPECT_EQ(get("\n\r\n", "Form1", "Caption"), std::nullopt);
}

TEST(ProfileEncoding, Utf8WithOrWithoutBom)
{
    const std::string body = "[Form1]\r\nMaskCBox=Maske verwenden\r\n"
                             "SizeHint=Gr\xC3\xB6\xC3\x9F"
                             "e \xE2\x82\xAC \xF0\x9F\x98\x80\r\n";
    EXPECT_EQ(get(body, "Form1", "SizeHint"), "Gr\xC3\xB6\xC3\x9F"
                                              "e \xE2\x82\xAC \xF0\x9F\x98\x80");
    // The BOM goes, so the first line is still a section header.
    EXPECT_EQ(get("\xEF\xBB\xBF" + body, "Form1", "MaskCBox"), "Maske verwenden");
    EXPECT_EQ(get("\xEF\xBB\xBF" + body, "Form1", "SizeHint"), get(body, "Form1", "SizeHint"));
    // Only at the very start.
    EXPECT_EQ(get("[S]\nk=\xEF\xBB\xBFv\n", "S", "k"), "\xEF\xBB\xBFv");
}

TEST(ProfileEncoding, Windows1252WhenTheBytesAreNotUtf8)
{
    EXPECT_EQ(get("[S]\nk=\xE4\n", "S", "k"), "\xC3\xA4");         // ä
    EXPECT_EQ(get("[S]\nk=\x80 5\n", "S", "k"), "\xE2\x82\xAC 5"); // €
    EXPECT_EQ(get("[S]\nk=Gr\xF6\xDF"
                  "e\n",
                  "S", "k"),
              "Gr\xC3\xB6\xC3\x9F"
              "e");
    // One stray byte anywhere decides for the whole file, even for a value that would have been
    // valid UTF-8 on its own (what an 8-bit editor saved is read as it meant it).
    const std::string text = "[S]\nutf=\xC3\xA4\nstray=\xFC\n";
    EXPECT_EQ(get(text, "S", "utf"), "\xC3\x83\xC2\xA4");
    EXPECT_EQ(get(text, "S", "stray"), "\xC3\xBC");
    // Section and key names are converted before they are matched.
    EXPECT_EQ(get("[\xC4nderung]\n\xE4=1\n", "\xC3\x84nderung", "\xC3\xA4"), "1");
    // With a BOM but broken bytes after it, the BOM still goes and the rest is Windows-1252.
    EXPECT_EQ(get("\xEF\xBB\xBF[S]\nk=\xE4\n", "S", "k"), "\xC3\xA4");
    const auto result = get("[S]\nk=\x81\x8D\x8F\x90\x9D\xFF\n", "S", "k");
    ASSERT_TRUE(result);
    EXPECT_TRUE(IsValidUtf8(*result));
    EXPECT_EQ(*result, "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D\xC3\xBF");
}

TEST(ProfileEncoding, Windows1252ToUtf8CoversEveryByte)
{
    EXPECT_EQ(Windows1252ToUtf8(""), "");
    std::string ascii;
    for (int b = 0; b < 0x80; ++b)
        ascii.push_back(static_cast<char>(b));
    EXPECT_EQ(Windows1252ToUtf8(ascii), ascii);

    struct Case {
        unsigned char byte;
        const char *utf8;
    };
    const Case cases[] = {
        {0x80, "\xE2\x82\xAC"}, {0x82, "\xE2\x80\x9A"}, {0x83, "\xC6\x92"},
        {0x84, "\xE2\x80\x9E"}, {0x85, "\xE2\x80\xA6"}, {0x8A, "\xC5\xA0"},
        {0x8C, "\xC5\x92"},     {0x8E, "\xC5\xBD"},     {0x91, "\xE2\x80\x98"},
        {0x93, "\xE2\x80\x9C"}, {0x96, "\xE2\x80\x93"}, {0x97, "\xE2\x80\x94"},
        {0x99, "\xE2\x84\xA2"}, {0x9C, "\xC5\x93"},     {0x9E, "\xC5\xBE"},
        {0x9F, "\xC5\xB8"},     {0xA0, "\xC2\xA0"},     {0xA7, "\xC2\xA7"},
        {0xC4, "\xC3\x84"},     {0xD6, "\xC3\x96"},     {0xDC, "\xC3\x9C"},
        {0xDF, "\xC3\x9F"},     {0xE4, "\xC3\xA4"},     {0xFF, "\xC3\xBF"},
        {0x81, "\xC2\x81"},     {0x8D, "\xC2\x8D"},     {0x8F, "\xC2\x8F"},
        {0x90, "\xC2\x90"},     {0x9D, "\xC2\x9D"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Windows1252ToUtf8(std::string(1, static_cast<char>(c.byte))), c.utf8)
            << "byte " << int(c.byte);

    // Every byte becomes exactly one character, and the whole upper half is valid UTF-8.
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    const std::string converted = Windows1252ToUtf8(all);
    EXPECT_TRUE(IsValidUtf8(converted));
    EXPECT_EQ(codePoints(converted), 256u);
}

TEST(ProfileEncoding, IsValidUtf8IsStrict)
{
    const char *valid[] = {
        "",
        "plain ASCII",
        "\xC2\x80",         // U+0080, the smallest two-byte form
        "\xDF\xBF",         // U+07FF
        "\xE0\xA0\x80",     // U+0800
        "\xED\x9F\xBF",     // U+D7FF, just below the surrogates
        "\xEE\x80\x80",     // U+E000, just above them
        "\xEF\xBF\xBF",     // U+FFFF
        "\xF0\x90\x80\x80", // U+10000
        "\xF4\x8F\xBF\xBF", // U+10FFFF, the last code point
        "Gr\xC3\xB6\xC3\x9F"
        "e", // Größe
    };
    for (const char *s : valid)
        EXPECT_TRUE(IsValidUtf8(s)) << s;
    EXPECT_TRUE(IsValidUtf8(std::string_view("a\0b", 3)));

    const char *invalid[] = {
        "\x80", // a continuation byte alone
        "\xBF",
        "\xC0\x80",         // overlong NUL
        "\xC1\xBF",         // overlong
        "\xE0\x9F\xBF",     // overlong three-byte form
        "\xF0\x8F\xBF\xBF", // overlong four-byte form
        "\xED\xA0\x80",     // a surrogate
        "\xED\xBF\xBF",
        "\xF4\x90\x80\x80", // above U+10FFFF
        "\xF5\x80\x80\x80",
        "\xFE",
        "\xFF",
        "\xC3", // cut off
        "\xE2\x82",
        "\xF0\x9F\x98",
        "\xC3\x28", // the second byte is no continuation
        "\xE2\x28\xA1",
        "\xE2\x82\x28",
        "\xF0\x9F\x98\x28",
        "ok so far \xE4", // Windows-1252 ä
    };
    for (const char *s : invalid)
        EXPECT_FALSE(IsValidUtf8(s)) << testing::PrintToString(std::string(s));
}

TEST(ProfileFile, ReadsTheFileAnewAtEachCall)
{
    TempTree tree;
    const std::string path =
        tree.createFile("Deutsch.lng", "\xEF\xBB\xBF[Form1]\r\nCaption=Twinly\r\n"
                                       "MaskCBox=|Maske verwenden |\r\n[Strings]\r\n"
                                       "strError=Fehler\r\n");
    EXPECT_EQ(ReadProfileString(path, "Form1", "Caption"), "Twinly");
    EXPECT_EQ(ReadProfileString(path, "form1", "MASKCBOX"), "|Maske verwenden |");
    EXPECT_EQ(ReadProfileString(path, "Strings", "strError"), "Fehler");
    EXPECT_EQ(ReadProfileString(path, "Strings", "str1"), std::nullopt);
    EXPECT_EQ(ReadProfileString(path, "Hint.Form1", "GoBut"), std::nullopt);

    // Nothing is cached: a change to the file shows at the next call.
    tree.createFile("Deutsch.lng", "[Strings]\nstrError=Fehler!\nstr1=\xE4\n");
    EXPECT_EQ(ReadProfileString(path, "Strings", "strError"), "Fehler!");
    EXPECT_EQ(ReadProfileString(path, "Strings", "str1"), "\xC3\xA4");
    EXPECT_EQ(ReadProfileString(path, "Form1", "Caption"), std::nullopt);
}

TEST(ProfileFile, MissingEmptyOrUnreadableFilesGiveNothing)
{
    TempTree tree;
    EXPECT_EQ(ReadProfileString(tree.path("absent.lng"), "Form1", "Caption"), std::nullopt);
    EXPECT_EQ(ReadProfileString("", "Form1", "Caption"), std::nullopt);
    const std::string empty = tree.createFile("empty.lng", "");
    EXPECT_EQ(ReadProfileString(empty, "Form1", "Caption"), std::nullopt);
    const std::string folder = tree.createDir("folder.lng");
    EXPECT_EQ(ReadProfileString(folder, "Form1", "Caption"), std::nullopt);
    // A FIFO must not hang the reader.
    tree.fifo("pipe.lng");
    EXPECT_EQ(ReadProfileString(tree.path("pipe.lng"), "Form1", "Caption"), std::nullopt);
    // A link to a language file reads as the file.
    tree.createFile("real.lng", "[Form1]\nCaption=Twinly\n");
    tree.symlink(tree.path("real.lng"), "link.lng");
    EXPECT_EQ(ReadProfileString(tree.path("link.lng"), "Form1", "Caption"), "Twinly");
}

TEST(ProfileFile, LargeFilesReadWhole)
{
    // Bigger than one read, with the wanted key at the end.
    TempTree tree;
    std::string text = "[Strings]\n";
    for (int i = 0; i < 4000; ++i)
        text += "filler" + std::to_string(i) + "=" + std::string(20, 'f') + "\n";
    text += "str7=\"ERROR - Can't open file \"\n";
    const std::string path = tree.createFile("big.lng", text);
    EXPECT_EQ(ReadProfileString(path, "Strings", "str7"), "ERROR - Can't open file ");
}

TEST(ProfileFile, AFileOverTheLimitIsDamagedAndGivesNothing)
{
    TempTree tree;
    // The wanted key comes first, so that only the size decides.
    std::string text = "[Strings]\nstrError=Fehler\n";
    const std::string filler = "; " + std::string(1021, 'f') + "\n";
    while (text.size() + filler.size() <= kProfileFileMax)
        text += filler;
    const std::string path = tree.createFile("large.lng", text);
    EXPECT_EQ(ReadProfileString(path, "Strings", "strError"), "Fehler");
    text += filler;
    tree.createFile("large.lng", text);
    EXPECT_EQ(ReadProfileString(path, "Strings", "strError"), std::nullopt);
    // The same through a link.
    tree.symlink(path, "link.lng");
    EXPECT_EQ(ReadProfileString(tree.path("link.lng"), "Strings", "strError"), std::nullopt);
}

// The shipped German file, read as the program reads it: every message key is there with the
// placeholders of its built-in text, and the texts the program needs most are in place.
TEST(ShippedLanguageFile, GermanHasEveryMessageKeyAndItsPlaceholders)
{
    const fs::path file = fs::path(TWINLY_SOURCE_DIR) / "lang" / "Deutsch.lng";
    if (!fs::exists(file))
        GTEST_SKIP() << "no source tree at " << file;
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_TRUE(IsValidUtf8(bytes));

    struct Message {
        const char *key;
        const char *builtIn;
    };
    const Message messages[] = {
        {"strError", "Error"},
        {"str1", "Error when reading CRC DB !"},
        {"str2", "Unable save DB to empty file !"},
        {"str3", "Empty CRC DB !"},
        {"str4", "Copy files"},
        {"str5", "Do you wnat to delete this file ?"},
        {"str6", "Do you wnat to delete selected files ?"},
        {"str7", "ERROR - Can't open file "},
        {"str8", "Move files"},
        {"strDel", "Deleting file"},
        {"strConfirm", "Confirm"},
        {"strReplace", "'%s' already exists. Replace it ?"},
        {"strChanged", "The file has changed since the search and was not deleted:\n%s"},
        {"strChangedAll", "%d files have changed since the search and were not deleted."},
        {"strLastCopy", "%d groups would lose their last copy on disk (a copy recorded only in a "
                        "CRC database does not count). Go on anyway ?"},
        {"strKeptBack",
         "%d files were not deleted: no other copy of them is left unchanged on disk."},
        {"strGone", "The file no longer exists and has left the list:\n%s"},
        {"strGoneAll", "%d files no longer existed and have left the list."},
        {"strKeepItself",
         "The keeping folder leads back to the file itself; it was not deleted:\n%s"},
        {"strBadFolder", "'%s' cannot take the files: give the full path of a folder (beginning "
                         "with / or ~/) other than the root folder."},
        {"strMoveChanged", "'%s' was changed while it was being moved: it stays where it was, and "
                           "its copy was removed."},
        {"strNoKeep", "No folder is set to keep deleted files in."},
        {"strSetData", "Failed to set data for '%s'"},
        {"strNotRegular", "Not a regular file"},
        {"strUnclearName", "The chosen name looks the same as another name in its folder and "
                           "cannot be told apart: %s"},
        {"strRead", "Cannot read the file %s"},
        {"strClearCache", "The remembered checksums could not be cleared."},
    };
    const std::regex placeholder("%[sd]");
    auto placeholders = [&](const std::string &s) {
        std::vector<std::string> found;
        for (auto it = std::sregex_iterator(s.begin(), s.end(), placeholder);
             it != std::sregex_iterator(); ++it)
            found.push_back(it->str());
        return found;
    };
    for (const Message &m : messages) {
        const auto text = ReadProfileString(file.string(), "Strings", m.key);
        ASSERT_TRUE(text) << m.key;
        EXPECT_FALSE(text->empty()) << m.key;
        EXPECT_NE(*text, m.builtIn) << m.key << " is not translated";
        EXPECT_EQ(placeholders(*text), placeholders(m.builtIn)) << m.key;
    }
    // str7 is followed directly by a file name.
    EXPECT_EQ(ReadProfileString(file.string(), "Strings", "str7")->back(), ' ');

    EXPECT_EQ(ReadProfileString(file.string(), "Form1", "Caption"), "Twinly");
    for (const char *name : {"MaskCBox", "DublPage", "OptionsPage", "VisualOptions", "SpecOptions",
                             "Delete1", "Properties1", "GroupBox2", "Label18"})
        EXPECT_TRUE(ReadProfileString(file.string(), "Form1", name)) << name;
    for (const char *name : {"GoBut", "MaskCBox", "Languages", "DeleteAll", "Delete1"})
        EXPECT_TRUE(ReadProfileString(file.string(), "Hint.Form1", name)) << name;
    // Captions with outer blanks keep them between bars.
    const auto directory = ReadProfileString(file.string(), "Form1", "GroupBox2");
    ASSERT_TRUE(directory);
    EXPECT_EQ(directory->front(), '|');
    EXPECT_EQ(directory->back(), '|');
}
