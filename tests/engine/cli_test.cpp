// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli.h"
#include "crc_db.h"
#include "output.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

using namespace twinly;

namespace {

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

CliRun run(std::vector<std::string> args)
{
    args.insert(args.begin(), "twinly-cli");
    std::vector<const char *> argv;
    for (const auto &a : args)
        argv.push_back(a.c_str());
    std::ostringstream out, err;
    const int status =
        cli::Run(static_cast<int>(argv.size()), argv.data(), out, err, /*terminal=*/false);
    return {status, out.str(), err.str()};
}

} // namespace

TEST(Cli, PathsFormatPrintsGroupsSeparatedByBlankLines)
{
    test::TempTree t;
    const auto a = t.createFile("a", "one");
    const auto b = t.createFile("b", "one");
    const auto c = t.createFile("c", "four");
    const auto d = t.createFile("d", "four");
    const CliRun r = run({t.root()});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.err.empty()) << r.err;
    // Two groups of two, each followed by a blank line.
    std::istringstream lines(r.out);
    std::vector<std::string> got;
    for (std::string line; std::getline(lines, line);)
        got.push_back(line);
    ASSERT_EQ(got.size(), 6u);
    EXPECT_EQ(got[2], "");
    EXPECT_EQ(got[5], "");
}

TEST(Cli, CsvAndJsonSurviveHostileNames)
{
    test::TempTree t;
    const std::string hostile = "a,\"b\"\nc\xFF";
    t.createFile(hostile, "x");
    t.createFile("plain", "x");
    const CliRun csv = run({"--format", "csv", "--list", t.root()});
    EXPECT_EQ(csv.status, 0);
    EXPECT_EQ(csv.out.substr(0, 24), "band,path,size,time,crc\n");
    EXPECT_NE(csv.out.find(cli::CsvField(t.root() + "/" + hostile) + ",1,"), std::string::npos);
    EXPECT_EQ(cli::CsvField("a,\"b\"\nc"), "\"a,\"\"b\"\"\nc\"");

    const CliRun json = run({"--format=json", "--list", t.root()});
    EXPECT_EQ(json.status, 0);
    EXPECT_NE(json.out.find("a,\\\"b\\\"\\nc\xEF\xBF\xBD\""), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"path_hex\":\"" + cli::HexBytes(t.root() + "/" + hostile) + "\""),
              std::string::npos);
    bool lossy = true;
    EXPECT_EQ(cli::JsonString("\xC3\xA9\t\x01", &lossy), "\"\xC3\xA9\\t\\u0001\"");
    EXPECT_FALSE(lossy);
    cli::JsonString("\xED\xA0\x80", &lossy); // an encoded surrogate is not UTF-8
    EXPECT_TRUE(lossy);
}

TEST(Cli, ShowsCrcAsSignedDecimalAndTimesReadably)
{
    TFileData d = TFileData::onDisk("/a", "b", 1, 0);
    EXPECT_EQ(cli::CrcText(d), ""); // unknown
    d.CrcKnown = true;
    EXPECT_EQ(cli::CrcText(d), ""); // zero
    d.CRC = 0xCBF43926u;
    EXPECT_EQ(cli::CrcText(d), "-873187034");
    EXPECT_EQ(cli::TimeText(0), "");
    EXPECT_EQ(cli::TimeText((44u << 25) | (12u << 21) | (9u << 16) | (13u << 11) | (5u << 5) | 3u),
              "2024-12-09 13:05:06");
}

TEST(Cli, BadUsageExitsTwoWithAReason)
{
    for (const std::vector<std::string> &args :
         std::vector<std::vector<std::string>>{{},
                                               {"--nope", "/"},
                                               {"--format", "xml", "/"},
                                               {"--min-size", "-1", "/"},
                                               {"--max-size", "1k", "/"},
                                               {"--mask"},
                                               {"--create-db", "\"\"", "/"},
                                               {"--create-db", "x", "--list", "/"}}) {
        const CliRun r = run(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("twinly-cli: "), std::string::npos);
        EXPECT_NE(r.err.find("--help"), std::string::npos);
        EXPECT_TRUE(r.out.empty());
    }
    EXPECT_EQ(run({"--help"}).status, 0);
    EXPECT_NE(run({"--version"}).out.find("twinly-cli "), std::string::npos);
}

TEST(Cli, UnreadableDatabaseExitsOneButStillSearches)
{
    test::TempTree t;
    t.createFile("d/a", "same");
    t.createFile("d/b", "same");
    const CliRun r = run({"--db", t.path("missing.twd"), t.path("d")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Error when reading CRC DB !"), std::string::npos);
    EXPECT_NE(r.out.find(t.path("d/a")), std::string::npos);
}

TEST(Cli, CreateDbThenCompareAgainstIt)
{
    test::TempTree t;
    t.createFile("media/a", "kept on a disc");
    t.createFile("media/b", "kept on a disc");
    const CliRun made = run({"--create-db", t.path("disc.twd"), t.path("media")});
    EXPECT_EQ(made.status, 0) << made.err;
    EXPECT_EQ(std::filesystem::file_size(t.path("disc.twd")), 12u);

    const auto copy = t.createFile("home/copy", "kept on a disc");
    const CliRun found = run({"--db", t.path("disc.twd"), "--format", "csv", t.path("home")});
    EXPECT_EQ(found.status, 0);
    EXPECT_NE(found.out.find("1,Off line,14,"), std::string::npos) << found.out;
    EXPECT_NE(found.out.find("1," + copy + ",14,"), std::string::npos);

    const CliRun unwritable = run({"--create-db", t.path("no/dir/x.twd"), t.path("media")});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_NE(unwritable.err.find("Error when saving CRC DB !"), std::string::npos);
}

TEST(Cli, SwitchesFollowTheWindowsInterlocks)
{
    test::TempTree t;
    t.createFile("a/same", "1234");
    t.createFile("b/same", "5678");
    // Size only: equal sizes group whatever the content.
    EXPECT_FALSE(run({"--no-content", t.root()}).out.empty());
    // Ignoring sizes also turns content off, so with names compared the two "same" group.
    EXPECT_FALSE(run({"--ignore-size", "--match-names", t.root()}).out.empty());
    EXPECT_TRUE(run({"--match-names", t.root()}).out.empty());
    // Size bounds and masks select files.
    EXPECT_TRUE(run({"--no-content", "--max-size", "3", t.root()}).out.empty());
    EXPECT_TRUE(run({"--no-content", "--mask", "*.txt", t.root()}).out.empty());
    EXPECT_TRUE(run({"--no-content", "--no-recursive", t.root()}).out.empty());
}
