// SPDX-License-Identifier: GPL-3.0-or-later
#include "crc.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <array>
#include <random>

using namespace twinly;

namespace {

// The plain table-driven register step, one byte at a time: the definition the fast one must
// equal.
std::uint32_t referenceUpdate(std::uint32_t reg, const unsigned char *p, std::size_t n)
{
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    for (std::size_t i = 0; i < n; ++i)
        reg = (reg >> 8) ^ table[(reg ^ p[i]) & 0xFF];
    return reg;
}

std::string randomBytes(std::size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char &c : s)
        c = static_cast<char>(rng());
    return s;
}

} // namespace

TEST(Crc32, CheckValueOfTheNineDigits)
{
    EXPECT_EQ(Crc32Of("123456789", 9), 0xCBF43926u);
    EXPECT_EQ(~UpdateCRC(0xFFFFFFFFu, "123456789", 9), 0xCBF43926u);
}

TEST(Crc32, UpdateEqualsTheTableDefinitionAndChains)
{
    const std::string data = randomBytes(100000, 1);
    const auto *p = reinterpret_cast<const unsigned char *>(data.data());
    EXPECT_EQ(UpdateCRC(0x12345678u, p, 0), 0x12345678u);
    for (std::size_t split : {0ul, 1ul, 7ul, 4096ul, 99999ul}) {
        const std::uint32_t expected = referenceUpdate(0xFFFFFFFFu, p, data.size());
        const std::uint32_t chained =
            UpdateCRC(UpdateCRC(0xFFFFFFFFu, p, split), p + split, data.size() - split);
        EXPECT_EQ(chained, expected) << "split at " << split;
    }
}

TEST(FileDigest, ReadInPiecesEqualsOnePieceResult)
{
    test::TempTree tree;
    const std::string data = randomBytes(3 * 1024 * 1024 + 17, 2);
    const std::string path = tree.createFile("big.bin", data);
    const std::uint32_t oneRead = Crc32Of(data.data(), data.size());

    for (std::size_t piece : {4096ul, 1000ul, 1ul << 20, 8ul << 20}) {
        std::vector<std::byte> buffer(piece);
        const auto d = FileDigest(path, buffer);
        ASSERT_TRUE(d);
        EXPECT_EQ(d->crc, oneRead) << "piece " << piece;
        EXPECT_EQ(d->bytes, data.size());
    }
    // The strong hash does not depend on the piece size either.
    std::vector<std::byte> a(4096), b(8 << 20);
    EXPECT_EQ(FileDigest(path, a)->hash, FileDigest(path, b)->hash);
}

TEST(FileCRC, EmptyFileSucceedsAndLeavesTheValue)
{
    test::TempTree tree;
    const std::string path = tree.createFile("empty", "");
    std::uint32_t crc = 0;
    EXPECT_TRUE(FileCRC(path, crc));
    EXPECT_EQ(crc, 0u);
    crc = 77;
    EXPECT_TRUE(FileCRC(path, crc));
    EXPECT_EQ(crc, 77u);

    const std::string digits = tree.createFile("digits", "123456789");
    EXPECT_TRUE(FileCRC(digits, crc));
    EXPECT_EQ(crc, 0xCBF43926u);
}

TEST(FileCRC, FailsOnMissingFilesFolderAndFifo)
{
    test::TempTree tree;
    tree.fifo("pipe");
    tree.createDir("dir");
    std::uint32_t crc = 5;
    EXPECT_FALSE(FileCRC(tree.path("missing"), crc));
    EXPECT_FALSE(FileCRC(tree.path("dir"), crc)); // and does not block on the FIFO:
    EXPECT_FALSE(FileCRC(tree.path("pipe"), crc));
    EXPECT_EQ(crc, 5u);
}

TEST(FileDigest, DifferentContentSameCrcIsToldApartByTheStrongHash)
{
    // Two 4-byte inputs with the same CRC-32 exist; constructing one from the other: appending
    // the CRC of a message makes the CRC of the whole a constant residue, for every message.
    test::TempTree tree;
    auto withCrc = [](std::string s) {
        const std::uint32_t c = Crc32Of(s.data(), s.size());
        for (int i = 0; i < 4; ++i)
            s.push_back(static_cast<char>((c >> (8 * i)) & 0xFF));
        return s;
    };
    const std::string a = withCrc("first message"), b = withCrc("other message");
    ASSERT_EQ(a.size(), b.size());
    ASSERT_EQ(Crc32Of(a.data(), a.size()), Crc32Of(b.data(), b.size()));
    std::vector<std::byte> buffer;
    const auto da = FileDigest(tree.createFile("a", a), buffer);
    const auto db = FileDigest(tree.createFile("b", b), buffer);
    ASSERT_TRUE(da && db);
    EXPECT_EQ(da->crc, db->crc);
    EXPECT_NE(da->hash, db->hash);
}
