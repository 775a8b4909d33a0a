// SPDX-License-Identifier: GPL-3.0-or-later
#include "file_reader.h"
#include "handle_io.h"
#include "little_endian.h"
#include "path_parts.h"
#include "read_buffer.h"
#include "temp_tree.h"
#include "text.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

using namespace twinly::platform;
using twinly::test::TempTree;

TEST(WholeFile, ReadsUpToTheLimitAndNoFurther)
{
    TempTree tree;
    const std::string exact = tree.createFile("exact", std::string(1000, 'x'));
    const std::string over = tree.createFile("over", std::string(1001, 'x'));
    std::string text = "earlier";
    EXPECT_EQ(ReadWholeFile(exact, 1000, text), WholeFileStatus::Ok);
    EXPECT_EQ(text, std::string(1000, 'x'));
    text = "earlier";
    EXPECT_EQ(ReadWholeFile(over, 1000, text), WholeFileStatus::Failed);
    EXPECT_EQ(text, "earlier"); // nothing half-read is handed out

    const std::string empty = tree.createFile("empty", "");
    EXPECT_EQ(ReadWholeFile(empty, 1000, text), WholeFileStatus::Ok);
    EXPECT_EQ(text, "");
}

TEST(WholeFile, FollowsLinksAndRefusesWhatIsNoRegularFile)
{
    TempTree tree;
    tree.createFile("real", "content");
    tree.symlink("real", "link");
    tree.fifo("fifo");
    tree.createDir("folder");
    std::string text;
    EXPECT_EQ(ReadWholeFile(tree.path("link"), 100, text), WholeFileStatus::Ok);
    EXPECT_EQ(text, "content");
    // A FIFO would block a reader forever: it is refused without waiting for a writer.
    EXPECT_EQ(ReadWholeFile(tree.path("fifo"), 100, text), WholeFileStatus::NotRegular);
    EXPECT_EQ(ReadWholeFile(tree.path("folder"), 100, text), WholeFileStatus::NotRegular);
    EXPECT_EQ(ReadWholeFile(tree.path("missing"), 100, text), WholeFileStatus::Absent);
    EXPECT_EQ(ReadWholeFile(tree.path("real/below"), 100, text), WholeFileStatus::Absent);
}

TEST(WholeFile, ReadToEndContinuesFromThePosition)
{
    TempTree tree;
    FileReader file = FileReader::open(tree.createFile("f", "headbody"));
    ASSERT_TRUE(file.isOpen());
    char head[4];
    ASSERT_EQ(file.read(head, 4), 4);
    std::string rest;
    ASSERT_TRUE(file.readToEnd(rest, 100));
    EXPECT_EQ(rest, "body");

    // A string that held a longer file before is reused, and holds the new file alone.
    std::string reused(5000, 'x');
    FileReader again = FileReader::open(tree.createFile("g", "short"));
    ASSERT_TRUE(again.readToEnd(reused, 100));
    EXPECT_EQ(reused, "short");
}

TEST(WholeFile, ReadsIntoOneBufferFileAfterFile)
{
    TempTree tree;
    // Larger than the first, so the second file makes the buffer move to new room.
    std::string big(3u << 20, 'b');
    big[0] = 'B';
    big.back() = 'E';
    ReadBuffer buffer;
    FileReader first = FileReader::open(tree.createFile("small", "small file"));
    ASSERT_TRUE(first.readToEnd(buffer, 100));
    EXPECT_EQ(buffer.view(), "small file");
    FileReader second = FileReader::open(tree.createFile("big", big));
    ASSERT_TRUE(second.readToEnd(buffer, big.size()));
    EXPECT_EQ(buffer.view(), big);
    FileReader third = FileReader::open(tree.createFile("short", "short"));
    ASSERT_TRUE(third.readToEnd(buffer, 100));
    EXPECT_EQ(buffer.view(), "short");
    EXPECT_EQ(buffer.bytes().size(), 5u);

    // Too large by its size at open: refused before anything is read. A file the kernel makes
    // up as it is read says 0 at open, and is cut off at the limit with nothing kept.
    FileReader over = FileReader::open(tree.createFile("over", std::string(101, 'o')));
    EXPECT_FALSE(over.readToEnd(buffer, 100));
    FileReader made = FileReader::open("/proc/self/maps");
    if (made.isOpen() && made.identity().Size == 0) {
        EXPECT_FALSE(made.readToEnd(buffer, 16));
        EXPECT_EQ(buffer.size(), 0u);
        std::string text = "earlier";
        FileReader again = FileReader::open("/proc/self/maps");
        EXPECT_FALSE(again.readToEnd(text, 16));
        EXPECT_EQ(text, "");
    }
}

TEST(ReadBuffer, GrowsKeepingWhatItHoldsAndMoves)
{
    ReadBuffer buffer;
    EXPECT_EQ(buffer.size(), 0u);
    buffer.resize(10);
    std::memcpy(buffer.data(), "0123456789", 10);
    buffer.resize(5u << 20); // into fresh room
    EXPECT_GE(buffer.capacity(), 5u << 20);
    // Aligned room is what makes the kernel's copy into it fast.
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(buffer.data()) % 64, 0u);
    EXPECT_EQ(std::string_view(buffer.data(), 10), "0123456789");
    buffer.data()[(5u << 20) - 1] = 'z';
    buffer.resize(4);
    EXPECT_EQ(buffer.view(), "0123");

    ReadBuffer moved = std::move(buffer);
    EXPECT_EQ(moved.view(), "0123");
    EXPECT_EQ(buffer.size(), 0u); // NOLINT(bugprone-use-after-move): moved-from is empty
    EXPECT_EQ(buffer.data(), nullptr);
    buffer = std::move(moved);
    EXPECT_EQ(buffer.view(), "0123");
    buffer.release();
    EXPECT_EQ(buffer.capacity(), 0u);
    EXPECT_EQ(buffer.view(), "");
}

TEST(HandleIo, WritesAndCopiesEverything)
{
    TempTree tree;
    const std::string big(3 << 20, 'b'); // more than one copy buffer
    const int out = ::open(tree.path("out").c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    ASSERT_GE(out, 0);
    EXPECT_EQ(WriteAll(out, big.data(), big.size()), 0);
    ::close(out);
    EXPECT_EQ(tree.read("out"), big);

    const int from = ::open(tree.path("out").c_str(), O_RDONLY);
    const int to = ::open(tree.path("copy").c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    ASSERT_GE(from, 0);
    ASSERT_GE(to, 0);
    EXPECT_EQ(CopyAll(from, to), 0);
    ::close(from);
    ::close(to);
    EXPECT_EQ(tree.read("copy"), big);

    const int readOnly = ::open(tree.path("out").c_str(), O_RDONLY);
    EXPECT_EQ(WriteAll(readOnly, "x", 1), EBADF);
    ::close(readOnly);
}

TEST(PathParts, ParentAndName)
{
    EXPECT_EQ(ParentFolder("/a/b/c"), "/a/b");
    EXPECT_EQ(ParentFolder("/a"), "/");
    EXPECT_EQ(ParentFolder("name"), ".");
    EXPECT_EQ(ParentFolder("a/b/"), "a/b"); // a trailing separator is not looked through
    EXPECT_EQ(FileNameOf("/a/b/c.txt"), "c.txt");
    EXPECT_EQ(FileNameOf("c.txt"), "c.txt");
    EXPECT_EQ(FileNameOf("/a/b/"), "");
}

TEST(Text, AsciiCaseFoldsOnlyAsciiLetters)
{
    EXPECT_TRUE(EqualsIgnoringAsciiCase("Photo.JPG", "photo.jpg"));
    EXPECT_FALSE(EqualsIgnoringAsciiCase("photo", "photos"));
    // Bytes of other letters never fold: "Ä" and "ä" differ in UTF-8 and in every code page.
    EXPECT_FALSE(EqualsIgnoringAsciiCase("\xC3\x84", "\xC3\xA4"));
    EXPECT_EQ(LowerAscii("AbC\xC3\x84[@]"), "abc\xC3\x84[@]");
    EXPECT_TRUE(StartsWithIgnoringAsciiCase("DWORD:00000001", "dword:"));
    EXPECT_FALSE(StartsWithIgnoringAsciiCase("dw", "dword:"));
}

TEST(Text, HexFormsAndValues)
{
    EXPECT_EQ(HexNumber(0), "0");
    EXPECT_EQ(HexNumber(0x10), "10");
    EXPECT_EQ(HexNumber(1, 8), "00000001");
    EXPECT_EQ(HexNumber(0xCBF43926u, 8), "cbf43926");
    std::string out;
    AppendHexByte(out, 0xAB);
    AppendHexByte(out, 0x0F, HexCase::Upper);
    EXPECT_EQ(out, "ab0F");
    EXPECT_EQ(HexDigitValue('f'), 15);
    EXPECT_EQ(HexDigitValue('F'), 15);
    EXPECT_EQ(HexDigitValue('g'), -1);
}

TEST(Text, Utf8SequencesAreStrict)
{
    const std::string s = "a\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80";
    EXPECT_EQ(Utf8SequenceLength(s, 0), 1u);
    EXPECT_EQ(Utf8SequenceLength(s, 1), 2u);
    EXPECT_EQ(Utf8SequenceLength(s, 3), 3u);
    EXPECT_EQ(Utf8SequenceLength(s, 6), 4u);
    EXPECT_TRUE(IsValidUtf8(s));
    EXPECT_EQ(Utf8SequenceLength("\xC0\xAF", 0), 0u);         // overlong "/"
    EXPECT_EQ(Utf8SequenceLength("\xED\xA0\x80", 0), 0u);     // a surrogate
    EXPECT_EQ(Utf8SequenceLength("\xF4\x90\x80\x80", 0), 0u); // above U+10FFFF
    EXPECT_EQ(Utf8SequenceLength("\xE2\x82", 0), 0u);         // cut off
    EXPECT_FALSE(IsValidUtf8("ok\xE2\x82"));
}

TEST(LittleEndian, RoundTrip)
{
    std::string out;
    AppendLe32(out, 0x11223344u);
    AppendLe16(out, 0xABCDu);
    EXPECT_EQ(out, std::string("\x44\x33\x22\x11\xCD\xAB", 6));
    EXPECT_EQ(Le32At(out.data()), 0x11223344u);
    const unsigned char high[] = {0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(Le32At(high), 0xFFFFFFFFu);
}
