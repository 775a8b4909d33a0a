// SPDX-License-Identifier: GPL-3.0-or-later
// The command line's exclusions, reference folders, keeping rules and review scripts.
#include "cli.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <sstream>
#include <string_view>

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
    args.insert(args.begin() + 1, "--no-cache");
    std::vector<const char *> argv;
    for (const auto &a : args)
        argv.push_back(a.c_str());
    std::ostringstream out, err;
    const int status =
        cli::Run(static_cast<int>(argv.size()), argv.data(), out, err, /*terminal=*/false);
    return {status, out.str(), err.str()};
}

std::vector<std::string> lines(const std::string &text)
{
    std::istringstream in(text);
    std::vector<std::string> got;
    for (std::string line; std::getline(in, line);)
        got.push_back(line);
    return got;
}

} // namespace

TEST(CliDecide, ExcludeIsRepeatableAndTakesNamesAndPaths)
{
    test::TempTree t;
    t.createFile("a/x", "same");
    t.createFile("a/.git/x", "same");
    t.createFile("b/x", "same");
    t.createFile("b/x.tmp", "same");
    EXPECT_EQ(lines(run({t.root()}).out).size(), 5u); // one group of four and its blank line
    const CliRun r = run({"--exclude", ".git", "--exclude=" + t.path("b"), t.root()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
    const CliRun masks = run({"--exclude", "*.tmp", "--exclude", ".git", t.root()});
    EXPECT_EQ(lines(masks.out), (std::vector<std::string>{t.path("a/x"), t.path("b/x"), ""}));
}

TEST(CliDecide, ReferenceFoldersAreSearchedAndGroupsOfOriginalsOnlyHidden)
{
    test::TempTree t;
    t.createFile("orig/a", "kept");
    t.createFile("orig/b", "kept");
    t.createFile("orig/c", "copied");
    t.createFile("work/c", "copied");
    const CliRun r = run({"--reference", t.path("orig"), t.path("work")});
    EXPECT_EQ(r.status, 0) << r.err;
    auto got = lines(r.out);
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, (std::vector<std::string>{"", t.path("orig/c"), t.path("work/c")}));
    // Given alone, a reference folder is searched and yields no group.
    EXPECT_TRUE(run({"--reference", t.path("orig")}).out.empty());
}
