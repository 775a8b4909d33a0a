// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli.h"

#include "crc_db.h"
#include "dir_lister.h"
#include "hash_cache.h"
#include "output.h"
#include "paths.h"
#include "scanner.h"
#include "visual_hooks.h"
#ifdef TWINLY_QT_IMAGES
#include "qt_image_reader.h"
#endif

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#ifndef TWINLY_VERSION
#define TWINLY_VERSION "0"
#endif

namespace twinly::cli {

namespace {

constexpr std::string_view kHelp = R"(Usage: twinly-cli [OPTIONS] FOLDER...
Find duplicate files in the folders given (each walked in order, subfolders first).

Selecting files:
  --mask TEXT         masks separated by ";" or "," (e.g. "*.jpg;*.png"); a word without
                      "*", "?" or "." matches names containing it; default: every file
  --no-recursive      do not walk subfolders
  --min-size BYTES    skip files smaller than BYTES
  --max-size BYTES    skip files larger than BYTES (both bounds inclusive)

Comparing (default: equal size and equal content):
  --no-content        do not compare content
  --match-time        modification times must be equal
  --match-names       names must be equal (and the folders different)
  --ignore-size       sizes need not be equal (also turns content comparison off)
  --db FILE           compare against a CRC database (repeatable); turns content
                      comparison on and ignores times and names

Comparing pictures by look (JPEG, PNG, WebP, TIFF, GIF, BMP; every other file is left out):
  --visual            pictures that look alike form groups; turns content comparison off.
                      Sizes in bytes must still be equal unless --ignore-size is given
  --resizing P        pictures are scaled to 100*P pixels square, P from 1 to 10 (1)
  --splitting S       and cut into 10*S squares a side, S from 1 to 10 (1)
  --acc1 X            total accuracy, 50 to 500 (100): larger is stricter
  --acc2 X            difference between pictures, 0.5 to 50 (10): larger is more lenient
  --acc3 X            differential frequency, 0.5 to 50 (10): larger is more lenient
  --acc4 X            frequency accuracy, 0.5 to 50 (10): larger is more lenient
  --any-proportion    compare pictures whatever their proportions (default: only pictures
                      of the same width-to-height ratio)
  --rotations         also find copies turned a quarter or half round, or mirrored
  --no-orientation    compare pictures as stored, ignoring the camera's orientation tag

Modes:
  (default)           duplicate search: groups of duplicates
  --list              list every file found, without grouping
  --create-db FILE    write the size and CRC-32 of every distinct file to FILE

Output:
  --format FORMAT     paths (default): one path a line, a blank line after each group;
                      csv: band,path,size,time,crc (RFC 4180, paths as raw bytes);
                      json: an array of row objects (paths that are not UTF-8 get
                      U+FFFD in "path" and their exact bytes in "path_hex")
  --progress          show progress on stderr even when it is not a terminal
  --threads N         files read at once (default: one per core)
  --no-cache          neither use nor update the remembered checksums (by default
                      unchanged files are not read again; see $XDG_CACHE_HOME/twinly)
  --clear-cache       forget every remembered checksum (alone, or before a search)
  -h, --help          show this help
  --version           show the version

Database rows read "Off line". Exit status: 0 done; 1 a folder or a database could not be
read, a database could not be written, or the output could not be written (whatever could be
searched still is); 2 bad usage.
)";

struct Args {
    SearchOptions options;
    std::vector<std::string> databases;
    std::optional<std::string> createDb;
    bool list = false;
    bool noContent = false;
    bool visual = false;
    Format format = Format::Paths;
    bool progress = false;
    bool noCache = false;
    bool clearCache = false;
    bool help = false;
    bool version = false;
};

bool parseBytes(std::string_view text, double &out)
{
    std::uint64_t v = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || ptr != text.data() + text.size() || text.empty())
        return false;
    out = static_cast<double>(v);
    return true;
}

bool parseReal(std::string_view text, double &out)
{
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && ptr == text.data() + text.size() && !text.empty() &&
           std::isfinite(out);
}

// The visual comparison's numeric options, with the ranges of the window's controls.
// Nothing: not one of them; an empty text: taken; otherwise the error.
std::optional<std::string> parseVisualValue(std::string_view arg,
                                            std::optional<std::string_view> inlineValue, int &i,
                                            int argc, const char *const *argv, Args &a)
{
    struct Setting {
        std::string_view name;
        double low, high;
        bool whole;
    };
    static constexpr Setting kSettings[] = {
        {"--resizing", 1, 10, true}, {"--splitting", 1, 10, true}, {"--acc1", 50, 500, false},
        {"--acc2", 0.5, 50, false},  {"--acc3", 0.5, 50, false},   {"--acc4", 0.5, 50, false}};
    for (const Setting &s : kSettings) {
        if (arg != s.name)
            continue;
        std::string_view v;
        if (inlineValue)
            v = *inlineValue;
        else if (i + 1 < argc)
            v = argv[++i];
        else
            return std::string(arg) + " needs a value";
        double x = 0;
        if (!parseReal(v, x) || x < s.low || x > s.high || (s.whole && x != std::floor(x))) {
            std::ostringstream text;
            text << arg << " needs " << (s.whole ? "a whole number" : "a number") << " from "
                 << s.low << " to " << s.high << ", not '" << v << "'";
            return text.str();
        }
        VisualSettings &vs = a.options.Visual;
        if (arg == "--resizing")
            vs.Resizing = static_cast<int>(x);
        else if (arg == "--splitting")
            vs.Splitting = static_cast<int>(x);
        else
            (arg == "--acc1"   ? vs.Acc1
             : arg == "--acc2" ? vs.Acc2
             : arg == "--acc3" ? vs.Acc3
                               : vs.Acc4) = x;
        return std::string();
    }
    return std::nullopt;
}

// The options that take no value; false when `arg` is none of them.
bool parseSwitch(std::string_view arg, Args &a)
{
    if (arg == "-h" || arg == "--help")
        a.help = true;
    else if (arg == "--version")
        a.version = true;
    else if (arg == "--no-recursive")
        a.options.Recursive = false;
    else if (arg == "--no-content")
        a.noContent = true;
    else if (arg == "--match-time")
        a.options.IgnoreDate = false;
    else if (arg == "--match-names")
        a.options.IgnoreNames = false;
    else if (arg == "--ignore-size")
        a.options.IgnoreSize = true;
    else if (arg == "--list")
        a.list = true;
    else if (arg == "--progress")
        a.progress = true;
    else if (arg == "--no-cache")
        a.noCache = true;
    else if (arg == "--clear-cache")
        a.clearCache = true;
    else if (arg == "--visual")
        a.visual = true;
    else if (arg == "--any-proportion")
        a.options.Visual.SameProportion = false;
    else if (arg == "--rotations")
        a.options.Visual.FindRotations = true;
    else if (arg == "--no-orientation")
        a.options.Visual.CameraOrientation = false;
    else
        return false;
    return true;
}

// An option with its value; the error text when the value is bad.
std::optional<std::string> parseValueOption(std::string_view arg, std::string_view v, Args &a)
{
    const std::string name(arg);
    if (arg == "--mask") {
        a.options.Mask = v;
    } else if (arg == "--db") {
        a.databases.emplace_back(v);
    } else if (arg == "--create-db") {
        if (StripQuotes(v).empty())
            return std::string("--create-db needs a file name");
        a.createDb = std::string(v);
    } else if (arg == "--format") {
        if (v == "paths")
            a.format = Format::Paths;
        else if (v == "csv")
            a.format = Format::Csv;
        else if (v == "json")
            a.format = Format::Json;
        else
            return "unknown format '" + std::string(v) + "' (paths, csv or json)";
    } else if (arg == "--threads") {
        double n = 0;
        if (!parseBytes(v, n) || n < 1 || n > 256)
            return std::string("--threads needs a number from 1 to 256");
        a.options.ReadThreads = static_cast<unsigned>(n);
    } else {
        double bytes = 0;
        if (!parseBytes(v, bytes))
            return name + " needs a whole number of bytes, not '" + std::string(v) + "'";
        (arg == "--min-size" ? a.options.MinSize : a.options.MaxSize) = bytes;
    }
    return std::nullopt;
}

// Options that cannot be used together; the error text, or nothing.
std::optional<std::string> refusedCombination(const Args &a)
{
    if (a.createDb && a.list)
        return std::string("--create-db and --list cannot be used together");
    if (a.createDb && !a.databases.empty())
        return std::string("--create-db and --db cannot be used together");
    if (a.options.Folders.empty() && a.databases.empty() && !a.clearCache)
        return std::string("no folder given");

    if (a.visual && a.createDb)
        return std::string("--visual and --create-db cannot be used together");
    if (a.visual && !a.databases.empty())
        return std::string("--visual and --db cannot be used together");
    return std::nullopt;
}

// Returns an error text, or nothing when the arguments are good.
std::optional<std::string> parse(int argc, const char *const *argv, Args &a)
{
    std::vector<std::string_view> rest;
    bool endOfOptions = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (endOfOptions || arg.empty() || arg[0] != '-' || arg == "-") {
            a.options.Folders.emplace_back(arg);
            continue;
        }
        if (arg == "--") {
            endOfOptions = true;
            continue;
        }
        std::optional<std::string_view> inlineValue;
        if (const auto eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
            inlineValue = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
        }
        auto value = [&](std::string_view &v) -> bool {
            if (inlineValue) {
                v = *inlineValue;
                return true;
            }
            if (i + 1 >= argc)
                return false;
            v = argv[++i];
            return true;
        };
        std::string_view v;
        const std::string name(arg);
        if (parseSwitch(arg, a)) {
            continue;
        } else if (const auto problem = parseVisualValue(arg, inlineValue, i, argc, argv, a)) {
            if (!problem->empty())
                return *problem;
        } else if (arg == "--mask" || arg == "--db" || arg == "--create-db" || arg == "--format" ||
                   arg == "--min-size" || arg == "--max-size" || arg == "--threads") {
            if (!value(v))
                return name + " needs a value";
            if (const auto problem = parseValueOption(arg, v, a))
                return *problem;
        } else {
            return "unknown option '" + name + "'";
        }
    }
    if (a.help || a.version)
        return std::nullopt;
    if (auto problem = refusedCombination(a))
        return problem;

    if (a.noContent)
        a.options.CompareContent = false;
    a.options.VisualCompare = a.visual;
    a.options.FindDuplicates = !a.list;
    a.options.CreateDB = a.createDb.has_value();
    a.options = ResolveSearchOptions(std::move(a.options), !a.databases.empty());
    if (!a.noCache)
        a.options.CacheFolder = HashCache::DefaultFolder();
    return std::nullopt;
}

// Shows the search's progress on one line of stderr, redrawn a few times a second.
class ProgressLine {
public:
    ProgressLine(ScanProgress &progress, std::ostream &err, bool terminal)
        : m_progress(progress), m_err(err), m_terminal(terminal), m_thread([this] { loop(); })
    {}
    ~ProgressLine()
    {
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_wake.notify_all();
        m_thread.join();
        if (m_terminal && m_shown)
            m_err << "\r\033[K" << std::flush;
    }

private:
    void loop()
    {
        std::string lastLine;
        auto lastPrint = std::chrono::steady_clock::now() - std::chrono::hours(1);
        std::unique_lock lock(m_mutex);
        while (!m_wake.wait_for(lock, std::chrono::milliseconds(100), [this] { return m_done; })) {
            const auto s = m_progress.snapshot();
            const auto now = std::chrono::steady_clock::now();
            // A log (not a terminal) gets a line a second at most.
            if (!m_terminal && now - lastPrint < std::chrono::seconds(1))
                continue;
            std::string line = std::string(PhaseText(s.phase)) + " " + std::to_string(s.gauge) +
                               "% " + CountsText(m_progress.counts(), m_progress.timeLeft(now));
            // On a terminal the item gets what is left of 76 columns: a wrapped line would not
            // be cleared by the next one. A log keeps the item's last 60 bytes.
            std::string item = s.item;
            const std::size_t room = line.size() + 3 < 76 ? 76 - line.size() - 3 : 0;
            if (m_terminal && item.size() > room)
                item = room > 3 ? "..." + item.substr(item.size() - (room - 3)) : std::string();
            else if (item.size() > 60)
                item = "..." + item.substr(item.size() - 57);
            for (char &c : item)
                if (static_cast<unsigned char>(c) < 0x20)
                    c = '?';
            if (!item.empty())
                line += " - " + item;
            if (line == lastLine)
                continue;
            lastLine = line;
            lastPrint = now;
            m_err << (m_terminal ? "\r\033[K" : "") << line << (m_terminal ? "" : "\n")
                  << std::flush;
            m_shown = true;
        }
    }

    ScanProgress &m_progress;
    std::ostream &m_err;
    bool m_terminal;
    bool m_shown = false;
    bool m_done = false;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::thread m_thread;
};

void report(std::ostream &err, const UserMessage &m)
{
    err << "twinly-cli: " << m.text << " (" << m.detail << ")\n";
}

// Every folder argument that cannot be listed is told here; the walk itself passes over such
// folders without a word.
bool reportUnreadableFolders(const std::vector<std::string> &folders, std::ostream &err)
{
    bool all = true;
    for (const std::string &folder : folders) {
        // Opened as the walk opens it.
        errno = 0;
        if (platform::Directory::openPath(WalkFolderText(folder)).isOpen())
            continue;
        const int error = errno;
        err << "twinly-cli: cannot read the folder '" << folder << "' (" << std::strerror(error)
            << ")\n";
        all = false;
    }
    return all;
}

// The last word on standard output: whatever was written must have arrived.
int finish(std::ostream &out, std::ostream &err, int status)
{
    if (out.flush())
        return status;
    const auto *fd = dynamic_cast<const FdStreamBuf *>(out.rdbuf());
    err << "twinly-cli: cannot write to standard output";
    if (fd && fd->error() != 0)
        err << " (" << std::strerror(fd->error()) << ")";
    err << "\n";
    return 1;
}

} // namespace

std::optional<SearchOptions> SearchOptionsFromArguments(int argc, const char *const *argv,
                                                        std::string &error)
{
    Args a;
    if (const auto problem = parse(argc, argv, a)) {
        error = *problem;
        return std::nullopt;
    }
    return a.options;
}

int Run(int argc, const char *const *argv, std::ostream &out, std::ostream &err,
        bool stderrIsTerminal)
{
    Args a;
    if (const auto problem = parse(argc, argv, a)) {
        err << "twinly-cli: " << *problem << "\nTry 'twinly-cli --help' for more information.\n";
        return 2;
    }
    if (a.help) {
        out << kHelp;
        return finish(out, err, 0);
    }
    if (a.version) {
        out << "twinly-cli " << TWINLY_VERSION << '\n';
        return finish(out, err, 0);
    }

    int status = reportUnreadableFolders(a.options.Folders, err) ? 0 : 1;
    if (a.clearCache && !HashCache::clear(HashCache::DefaultFolder())) {
        err << "twinly-cli: the remembered checksums could not be cleared\n";
        status = 1;
    }
    if (a.options.Folders.empty() && a.databases.empty())
        return status;
    CrcDatabase initial;
    if (!a.options.CreateDB) {
        for (const UserMessage &m : LoadCRCDatabases(a.databases, initial)) {
            report(err, m);
            status = 1;
        }
    }

    ScanProgress progress;
    SearchResult result;
    {
        std::optional<ProgressLine> line;
        if (stderrIsTerminal || a.progress)
            line.emplace(progress, err, stderrIsTerminal);
        VisualHooks visual;
        if (a.options.VisualCompare) {
            std::shared_ptr<const platform::ImageReader> pictures;
#ifdef TWINLY_QT_IMAGES
            pictures = platform::MakeQtImageReader();
#endif
            visual = visual::MakeVisualHooks(a.options.Visual, std::move(pictures));
        }
        result = RunSearch(a.options, std::move(initial), progress, {}, visual);
    }

    if (a.createDb) {
        const auto unread =
            std::count_if(result.FileList.begin(), result.FileList.end(),
                          [](const TFileData &d) { return d.OnDisk && !d.CrcKnown; });
        RemoveRepeatedEntries(result.FileList);
        if (const auto problem = SaveCRCDatabase(*a.createDb, result.FileList)) {
            report(err, *problem);
            return 1;
        }
        if (unread > 0)
            err << "twinly-cli: " << unread << (unread == 1 ? " file" : " files")
                << " could not be read and " << (unread == 1 ? "was" : "were")
                << " left out of the database\n";
        return status;
    }
    WriteRows(out, a.format, result.FileList, result.RowBand);
    return finish(out, err, status);
}

} // namespace twinly::cli
