// SPDX-License-Identifier: GPL-3.0-or-later
#include "masksearch.h"

#include <gtest/gtest.h>

using namespace twinly;

namespace {

bool whole(std::string_view name, std::string_view mask)
{
    return MaskMatch(name, mask, true);
}

} // namespace

TEST(BuildMaskList, RewritesEachMaskByWhatItContains)
{
    EXPECT_EQ(BuildMaskList(""), MaskList{"*"});
    EXPECT_EQ(BuildMaskList("*.BMP; jpg ,a?c,readme.txt"),
              (MaskList{"*.bmp", "*jpg*", "a?c*", "readme.txt"}));
    EXPECT_EQ(BuildMaskList("a*"), MaskList{"a*"});
    // Two separators in a row leave an empty piece, which matches everything.
    EXPECT_EQ(BuildMaskList("*.a;;*.b"), (MaskList{"*.a", "**", "*.b"}));
    EXPECT_EQ(BuildMaskList(";"), MaskList{"**"});
    EXPECT_EQ(BuildMaskList("\t*.Gif \r"), MaskList{"*.gif"});
}

TEST(MaskMatch, StarDotExtensionIgnoresAsciiCaseOnly)
{
    EXPECT_TRUE(whole("Photo.BMP", "*.bmp"));
    EXPECT_FALSE(whole("photo.bmp.bak", "*.bmp"));
    // Letters beyond A-Z keep their case.
    EXPECT_FALSE(whole("\xC3\x84.txt", "\xC3\xA4.txt"));
}

TEST(MaskMatch, FirstOccurrenceIsTakenWithoutBacktracking)
{
    EXPECT_FALSE(whole("a.bmp.bmp", "*.bmp"));
    EXPECT_TRUE(whole("abcdef.txt", "abc*.txt"));
    EXPECT_TRUE(whole("axxbyyc", "a*b*c"));
    EXPECT_FALSE(whole("xa.ba.b", "*a.b")); // a backtracking glob would match
}

TEST(MaskMatch, StarDotStarNeedsADot)
{
    EXPECT_TRUE(whole("a.b", "*.*"));
    EXPECT_TRUE(whole(".hidden", "*.*"));
    EXPECT_FALSE(whole("README", "*.*"));
}

TEST(MaskMatch, EmptyMaskTextAndStarMatchEverything)
{
    for (const char *name : {"a", "b.c", ".x", "no dot"}) {
        EXPECT_TRUE(whole(name, ""));
        EXPECT_TRUE(whole(name, "*"));
    }
    EXPECT_TRUE(whole("anything", "*.a;;*.b"));
}

TEST(MaskMatch, BareWordIsASubstringTest)
{
    EXPECT_TRUE(whole("myjpgfile", "jpg"));
    EXPECT_TRUE(whole("x.JPG", "jpg"));
    EXPECT_FALSE(whole("x.jpeg", "jpg"));
}

TEST(MaskMatch, QuestionMarkConsumesExactlyOneCharacter)
{
    EXPECT_TRUE(whole("abc", "a?c"));
    EXPECT_TRUE(whole("abc.txt", "a?c"));
    EXPECT_FALSE(whole("ac", "a?c"));
    EXPECT_TRUE(whole("x", "?"));
    EXPECT_TRUE(whole("xyz", "?"));
    EXPECT_TRUE(whole("a.b", "a.?")); // "?" may take the last character
    EXPECT_FALSE(whole("a.", "a.?"));
}

TEST(MaskMatch, SeveralMasksWithCommasAndBlanks)
{
    EXPECT_TRUE(whole("a.jpg", "*.jpg, *.gif"));
    EXPECT_TRUE(whole("a.gif", "*.jpg, *.gif"));
    EXPECT_FALSE(whole("a.png", "*.jpg, *.gif"));
    EXPECT_TRUE(whole("a.gif", "*.bmp;*.jpg;*.jpeg;*.gif"));
}

TEST(MaskMatch, LiteralWithDotDependsOnWholeName)
{
    EXPECT_TRUE(MaskMatch("readme.txt", "readme.txt", true));
    EXPECT_FALSE(MaskMatch("old-readme.txt.bak", "readme.txt", true));
    EXPECT_TRUE(MaskMatch("old-readme.txt.bak", "readme.txt", false));
    EXPECT_FALSE(MaskMatch("readme.doc", "readme.txt", false));
}

TEST(MaskMatch, EmptyNameMatchesAnyList)
{
    EXPECT_TRUE(whole("", "*.bmp"));
    EXPECT_TRUE(MatchMaskList("", {}, true));
    EXPECT_TRUE(MatchMaskList("x", {}, true));
}

TEST(MatchOneMask, EmptyMaskMatchesNothingButLiteralSubstring)
{
    EXPECT_FALSE(MatchOneMask("abc", "", true));
    EXPECT_TRUE(MatchOneMask("abc", "", false)); // the empty text occurs in every name
}
