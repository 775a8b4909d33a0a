// SPDX-License-Identifier: GPL-3.0-or-later
// The command line's exclusions, reference folders, keeping rules and review scripts.
#include "cli.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <map>
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

TEST(CliDecide, KeepAddsARemoveColumnAndFieldAfterTheOthers)
{
    test::TempTree t;
    t.createFile("orig/a", "one", 1'500'000'000);
    t.createFile("work/a", "one", 1'600'000'000);
    t.createFile("work/b1", "two", 1'500'000'000);
    t.createFile("work/b2", "two", 1'600'000'000);
    const CliRun csv =
        run({"--format", "csv", "--keep", "newest", "--reference", t.path("orig"), t.path("work")});
    ASSERT_EQ(csv.status, 0) << csv.err;
    auto rows = lines(csv.out);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0], "band,path,size,time,crc,group,reference,remove");
    std::sort(rows.begin() + 1, rows.end());
    // path -> group,reference,remove (the last three fields)
    auto tail = [](const std::string &row) { return row.substr(row.size() - 5); };
    auto path = [](const std::string &row) { return row.substr(2, row.find(',', 2) - 2); };
    std::map<std::string, std::string> got;
    for (std::size_t i = 1; i < rows.size(); ++i)
        got[path(rows[i])] = tail(rows[i]);
    // The reference copy is kept although the other one is newer.
    EXPECT_EQ(got[t.path("orig/a")].substr(1), ",1,0");
    EXPECT_EQ(got[t.path("work/a")].substr(1), ",0,1");
    EXPECT_EQ(got[t.path("work/b1")].substr(1), ",0,1");
    EXPECT_EQ(got[t.path("work/b2")].substr(1), ",0,0");
    EXPECT_EQ(got[t.path("work/b1")][0], got[t.path("work/b2")][0]); // one group number
    EXPECT_NE(got[t.path("work/a")][0], got[t.path("work/b2")][0]);

    const CliRun json = run(
        {"--format", "json", "--keep", "oldest", "--reference", t.path("orig"), t.path("work")});
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_NE(json.out.find(",\"group\":1,"), std::string::npos);
    EXPECT_NE(json.out.find(",\"group\":2,"), std::string::npos);
    EXPECT_NE(json.out.find(",\"reference\":true,\"remove\":false}"), std::string::npos);
    EXPECT_NE(json.out.find(",\"reference\":false,\"remove\":true}"), std::string::npos);
    // Without --keep the rows carry no remove field.
    EXPECT_EQ(run({"--format", "json", t.path("work")}).out.find("remove"), std::string::npos);
}

TEST(CliDecide, ScriptOptionsMustFitTogether)
{
    test::TempTree t;
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{"--format", "sh", t.root()},
          {"--link", "hard", "--keep", "first", "--format", "csv", t.root()},
          {"--keep", "first", t.root()},
          {"--keep", "first", "--list", "--format", "csv", t.root()},
          {"--keep", "biggest", "--format", "csv", t.root()},
          {"--link", "soft", "--keep", "first", "--format", "sh", t.root()}}) {
        const CliRun r = run(args);
        EXPECT_EQ(r.status, 2) << args[1];
        EXPECT_FALSE(r.err.empty());
    }
}

namespace {

// Runs a script with sh in `folder`; returns sh's exit status.
int runScript(const test::TempTree &t, const std::string &script, const std::string &folder)
{
    const std::string file = t.path("review.sh");
    {
        std::ofstream f(file, std::ios::binary);
        f << script;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(folder.c_str()) == 0)
            ::execl("/bin/sh", "sh", file.c_str(), static_cast<char *>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool exists(const std::string &path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

} // namespace

TEST(CliDecide, ScriptRemovesTheMarkedCopiesWhateverBytesTheirNamesHold)
{
    test::TempTree t;
    const std::vector<std::string> hostile = {"it's here",         "-rf",
                                              "new\nline",         "\xFF\xFE not utf-8",
                                              "a'\\''b",           "$(touch PWNED)",
                                              "x\ntouch PWNED\n#", "`touch PWNED`"};
    t.createFile("work/keeper", "content");
    for (const std::string &name : hostile)
        t.createFile("work/" + name, "content");
    t.createFile("work/other1", "different");
    t.createFile("work/other2", "different");
    const CliRun r = run({"--format", "sh", "--keep", "name:keeper", t.path("work")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.starts_with("#!/bin/sh\n"));
    EXPECT_NE(r.out.find("rm -- '" + t.path("work/it'\\''s here") + "'"), std::string::npos);
    EXPECT_EQ(runScript(t, r.out, t.path("work")), 0);
    EXPECT_TRUE(exists(t.path("work/keeper")));
    for (const std::string &name : hostile)
        EXPECT_FALSE(exists(t.path("work/" + name))) << name;
    // No name and no comment ran as a command; the group without a match was left alone.
    EXPECT_FALSE(exists(t.path("work/PWNED")));
    EXPECT_TRUE(exists(t.path("work/other1")));
    EXPECT_TRUE(exists(t.path("work/other2")));
    EXPECT_EQ(t.read("work/keeper"), "content");
}

TEST(CliDecide, ScriptLeavesCopiesWhoseKeeperChangedSinceItWasWritten)
{
    test::TempTree t;
    t.createFile("a/keep", "same bytes");
    t.createFile("b/copy", "same bytes");
    const CliRun r = run({"--format", "sh", "--keep", "in:" + t.path("a"), t.root()});
    ASSERT_EQ(r.status, 0) << r.err;
    t.createFile("a/keep", "SAME BYTES"); // rewritten before the script runs
    runScript(t, r.out, t.root());
    EXPECT_EQ(t.read("b/copy"), "same bytes");
}

TEST(CliDecide, ScriptReplacesCopiesByHardOrSymbolicLinks)
{
    for (const char *kind : {"hard", "symbolic"}) {
        test::TempTree t;
        t.createFile("keep/orig", "linked content");
        t.createFile("dup/it's a copy", "linked content");
        t.createFile("dup/-second", "linked content");
        const CliRun r =
            run({"--format", "sh", "--keep", "in:" + t.path("keep"), "--link", kind, t.root()});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(runScript(t, r.out, t.path("dup")), 0) << r.out;
        struct stat keeper {};
        ASSERT_EQ(::stat(t.path("keep/orig").c_str(), &keeper), 0);
        for (const char *name : {"dup/it's a copy", "dup/-second"}) {
            struct stat st {};
            ASSERT_EQ(::lstat(t.path(name).c_str(), &st), 0);
            if (std::string_view(kind) == "hard") {
                EXPECT_TRUE(S_ISREG(st.st_mode));
                EXPECT_EQ(st.st_ino, keeper.st_ino) << name;
            } else {
                ASSERT_TRUE(S_ISLNK(st.st_mode)) << name;
                char target[4096] = {};
                const ssize_t n = ::readlink(t.path(name).c_str(), target, sizeof target - 1);
                EXPECT_EQ(std::string(target, static_cast<std::size_t>(std::max<ssize_t>(n, 0))),
                          t.path("keep/orig"));
            }
            EXPECT_EQ(t.read(name), "linked content");
        }
        EXPECT_EQ(keeper.st_nlink, std::string_view(kind) == "hard" ? 3u : 1u);
        EXPECT_FALSE(exists(t.path("dup/it's a copy.twinly-link")));
    }
}
