// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli.h"
#include "crc_db.h"
#include "output.h"
#include "report.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>

extern char **environ;

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

struct Spawned {
    int status;     // the exit status, or -1 when ended by a signal
    int signal = 0; // the signal that ended it
    std::string err;
};

// Runs the real program with its standard output on `outFd`. As `user` (a uid) it runs through
// setpriv with that user's rights and no groups; SIGPIPE is left as the caller has it.
Spawned spawnCli(const std::string &binary, const std::vector<std::string> &args, int outFd,
                 int user = -1)
{
    std::vector<std::string> words;
    if (user >= 0)
        words = {"/usr/bin/setpriv", "--reuid=" + std::to_string(user),
                 "--regid=" + std::to_string(user), "--clear-groups"};
    words.push_back(binary);
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);

    int errPipe[2];
    if (::pipe(errPipe) != 0)
        return {-2, 0, "pipe failed"};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, errPipe[0]);
    // Another user may be unable to read a sanitizer's suppression file in the build tree: its
    // run is not checked for leaks (the caller's own runs are).
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e)
        if (user < 0 || !std::string_view(*e).starts_with("LSAN_OPTIONS="))
            env.emplace_back(*e);
    if (user >= 0) {
        const char *asan = std::getenv("ASAN_OPTIONS");
        std::erase_if(env, [](const std::string &e) { return e.starts_with("ASAN_OPTIONS="); });
        env.push_back(std::string("ASAN_OPTIONS=") +
                      (asan && *asan ? std::string(asan) + ":" : "") + "detect_leaks=0");
    }
    std::vector<char *> envp;
    for (std::string &e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(errPipe[1]);
    Spawned r{-2, 0, {}};
    if (spawned != 0) {
        ::close(errPipe[0]);
        r.err = "cannot start " + words[0];
        return r;
    }
    char buf[4096];
    for (ssize_t n; (n = ::read(errPipe[0], buf, sizeof buf)) > 0;)
        r.err.append(buf, static_cast<std::size_t>(n));
    ::close(errPipe[0]);
    int wstatus = 0;
    ::waitpid(pid, &wstatus, 0);
    if (WIFEXITED(wstatus)) {
        r.status = WEXITSTATUS(wstatus);
    } else if (WIFSIGNALED(wstatus)) {
        r.status = -1;
        r.signal = WTERMSIG(wstatus);
    }
    return r;
}

// A copy of the program inside the tree, so that another user can run it whatever the
// permissions of the build folder.
std::string copyOfCli(const test::TempTree &t)
{
    const std::string copy = t.path("twinly-cli");
    std::filesystem::copy_file(TWINLY_CLI_BINARY, copy);
    ::chmod(copy.c_str(), 0755);
    return copy;
}

std::string readAll(int fd)
{
    std::string text;
    ::lseek(fd, 0, SEEK_SET);
    char buf[4096];
    for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;)
        text.append(buf, static_cast<std::size_t>(n));
    return text;
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
    // The first five columns as they always were; newer ones only after them.
    EXPECT_EQ(csv.out.substr(0, 40), "band,path,size,time,crc,group,reference\n");
    EXPECT_NE(csv.out.find(CsvField(t.root() + "/" + hostile) + ",1,"), std::string::npos);
    EXPECT_EQ(CsvField("a,\"b\"\nc"), "\"a,\"\"b\"\"\nc\"");

    const CliRun json = run({"--format=json", "--list", t.root()});
    EXPECT_EQ(json.status, 0);
    EXPECT_NE(json.out.find("a,\\\"b\\\"\\nc\xEF\xBF\xBD\""), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"path_hex\":\"" + HexBytes(t.root() + "/" + hostile) + "\""),
              std::string::npos);
    bool lossy = true;
    EXPECT_EQ(JsonString("\xC3\xA9\t\x01", &lossy), "\"\xC3\xA9\\t\\u0001\"");
    EXPECT_FALSE(lossy);
    JsonString("\xED\xA0\x80", &lossy); // an encoded surrogate is not UTF-8
    EXPECT_TRUE(lossy);
}

TEST(Cli, ShowsCrcAsSignedDecimalAndTimesReadably)
{
    TFileData d = TFileData::onDisk("/a", "b", 1, 0);
    EXPECT_EQ(CrcText(d), ""); // unknown
    d.CrcKnown = true;
    EXPECT_EQ(CrcText(d), ""); // zero
    d.CRC = 0xCBF43926u;
    EXPECT_EQ(CrcText(d), "-873187034");
    EXPECT_EQ(TimeText(0), "");
    EXPECT_EQ(TimeText((44u << 25) | (12u << 21) | (9u << 16) | (13u << 11) | (5u << 5) | 3u),
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

TEST(Cli, FailedWritesToStandardOutputAreToldAndExitOne)
{
    test::TempTree t;
    t.createFile("d/a", "x");
    const std::vector<std::string> args{"--list", t.path("d")};

    // A full disk: a device of our own that behaves like one (every write: no space left).
    const std::string full = t.path("full");
    if (::mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0) {
        const int fd = ::open(full.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0) << "the device node cannot be opened here";
        const Spawned r = spawnCli(TWINLY_CLI_BINARY, args, fd);
        ::close(fd);
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_NE(r.err.find("cannot write to standard output (No space left on device)"),
                  std::string::npos)
            << r.err;
    } else {
        ADD_FAILURE() << "mknod refused (" << std::strerror(errno) << "); run as root";
    }

    // A pipe whose reader has gone. With SIGPIPE ignored the write fails and is told; with the
    // default action the program ends by the signal, as a program in a shell pipeline should.
    int p[2];
    ASSERT_EQ(::pipe(p), 0);
    ::close(p[0]);
    const auto previous = std::signal(SIGPIPE, SIG_IGN);
    const Spawned ignored = spawnCli(TWINLY_CLI_BINARY, args, p[1]);
    std::signal(SIGPIPE, SIG_DFL);
    const Spawned killed = spawnCli(TWINLY_CLI_BINARY, args, p[1]);
    std::signal(SIGPIPE, previous);
    ::close(p[1]);
    EXPECT_EQ(ignored.status, 1) << ignored.err;
    EXPECT_NE(ignored.err.find("cannot write to standard output (Broken pipe)"), std::string::npos)
        << ignored.err;
    EXPECT_EQ(killed.signal, SIGPIPE);
    EXPECT_EQ(killed.err, "");

    // Help goes to standard output too.
    const int fd = ::open(full.c_str(), O_WRONLY);
    if (fd >= 0) {
        EXPECT_EQ(spawnCli(TWINLY_CLI_BINARY, {"--help"}, fd).status, 1);
        ::close(fd);
    }
}

TEST(Cli, MissingFolderIsToldAndTheOtherFoldersAreStillSearched)
{
    test::TempTree t;
    const auto a = t.createFile("d/a", "x");
    const auto notAFolder = t.createFile("plain", "y");
    const CliRun r = run({"--list", t.path("missing"), t.path("d"), notAFolder});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot read the folder '" + t.path("missing") +
                         "' (No such file or directory)"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("cannot read the folder '" + notAFolder + "' (Not a directory)"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.out.find(a + "\n"), std::string::npos) << r.out;
}

TEST(Cli, WhatCannotBeReadIsTold)
{
    // Run as an unprivileged user: root reads files whatever their permissions.
    const int user = test::permissionsAreBypassed() ? 65534 : -1;
    if (user >= 0 && ::access("/usr/bin/setpriv", X_OK) != 0)
        GTEST_SKIP() << "setpriv is needed to drop root's rights";
    test::TempTree t;
    ::chmod(t.root().c_str(), 0755);
    const std::string cli = copyOfCli(t);
    t.createFile("in/a", "readable");
    const auto locked = t.createFile("in/b", "locked");
    ::chmod(locked.c_str(), 0);
    t.createFile("closed/c", "in a locked folder");
    ::chmod(t.path("closed").c_str(), 0);
    ::chmod(t.createDir("out").c_str(), 0777);
    const int out = ::open(t.path("stdout").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(out, 0);

    // A database leaves out what it cannot read, and says how many.
    const Spawned db =
        spawnCli(cli, {"--create-db", t.path("out/db.twd"), t.path("in")}, out, user);
    EXPECT_EQ(db.status, 0) << db.err;
    EXPECT_NE(db.err.find("1 file could not be read and was left out of the database"),
              std::string::npos)
        << db.err;
    EXPECT_EQ(std::filesystem::file_size(t.path("out/db.twd")), 4u + 8u);

    // A folder argument without access is told; the other folder is still listed.
    const Spawned list = spawnCli(cli, {"--list", t.path("closed"), t.path("in")}, out, user);
    EXPECT_EQ(list.status, 1) << list.err;
    EXPECT_NE(
        list.err.find("cannot read the folder '" + t.path("closed") + "' (Permission denied)"),
        std::string::npos)
        << list.err;
    EXPECT_NE(readAll(out).find(t.path("in/a") + "\n"), std::string::npos);
    ::close(out);
    ::chmod(t.path("closed").c_str(), 0755);
}

// The command line's mask is in use exactly when it is given; without one, every file.
TEST(Cli, AMaskGivenSelectsAndNoMaskTakesEveryFile)
{
    test::TempTree t;
    const auto a = t.createFile("a/notes.txt", "same words");
    const auto b = t.createFile("b/notes.txt", "same words");
    t.createFile("a/data.bin", "same bytes");
    t.createFile("b/data.bin", "same bytes");
    const auto lines = [](const std::string &out) {
        std::istringstream in(out);
        std::vector<std::string> got;
        for (std::string line; std::getline(in, line);)
            if (!line.empty())
                got.push_back(line);
        std::sort(got.begin(), got.end());
        return got;
    };
    EXPECT_EQ(lines(run({t.root()}).out).size(), 4u);
    EXPECT_EQ(lines(run({"--mask", "*.txt", t.root()}).out), (std::vector<std::string>{a, b}));
}
