// SPDX-License-Identifier: GPL-3.0-or-later
// The option table, its parsing and the help text.
#include "cli.h"
#include "cli_args.h"

#include "crc_db.h"
#include "hash_cache.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

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
  --exclude PATTERN   leave out (repeatable): with a "/", the folder or file that path names
                      (also when reached by another path); otherwise masks as for --mask,
                      tested on every folder and file name (e.g. ".git", "*.tmp;~*");
                      excluded folders are not entered

Comparing (default: equal size and equal content):
  --no-content        do not compare content
  --match-time        modification times must be equal
  --match-names       names must be equal (and the folders different)
  --ignore-size       sizes need not be equal (also turns content comparison off)
  --reference DIR     DIR holds originals (repeatable; DIR is searched too): its files are
                      marked as references, never chosen for removal, and a group with
                      no file outside reference folders is not shown
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
                      csv: band,path,size,time,crc,group,reference (RFC 4180, paths as
                      raw bytes; group numbers from 1, reference 1 for rows in a
                      reference folder); json: an array of row objects with the same
                      fields (paths that are not UTF-8 get U+FFFD in "path" and their
                      exact bytes in "path_hex"); sh: a shell script, see --keep
  --keep RULE         the copy of each group to keep: newest, oldest, shortest-path,
                      longest-path, shortest-name, first (in list order), in:DIR (the
                      first copy in DIR), not-in:DIR, name:MASK (the first whose name
                      matches MASK); ties keep the first in list order. Files in
                      reference folders are always kept, and no group loses every copy;
                      a group where no copy fits the rule is left alone. With csv and
                      json a "remove" column or field tells the other rows; with sh the
                      script removes them. Nothing is removed by twinly-cli itself
  --link KIND         with --format sh: replace the rows to remove by links to the kept
                      copy instead (hard, or symbolic with an absolute target)
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

// A number within the range of the window's control for the same setting.
Problem numberIn(std::string_view name, std::string_view v, double low, double high, bool whole,
                 double &out)
{
    double x = 0;
    if (!parseReal(v, x) || x < low || x > high || (whole && x != std::floor(x))) {
        std::ostringstream text;
        text << name << " needs " << (whole ? "a whole number" : "a number") << " from " << low
             << " to " << high << ", not '" << v << "'";
        return text.str();
    }
    out = x;
    return std::nullopt;
}

Problem wholeIn(std::string_view name, std::string_view v, int low, int high, int &out)
{
    double x = 0;
    auto problem = numberIn(name, v, low, high, true, x);
    if (!problem)
        out = static_cast<int>(x);
    return problem;
}

Problem sizeBound(std::string_view name, std::string_view v, std::optional<double> &out)
{
    double bytes = 0;
    if (!parseBytes(v, bytes))
        return std::string(name) + " needs a whole number of bytes, not '" + std::string(v) + "'";
    out = bytes;
    return std::nullopt;
}

Problem formatOption(Args &a, std::string_view v)
{
    static constexpr std::pair<std::string_view, ReportFormat> kFormats[] = {
        {"paths", ReportFormat::Paths},
        {"csv", ReportFormat::Csv},
        {"json", ReportFormat::Json},
        {"sh", ReportFormat::Shell}};
    for (const auto &[name, format] : kFormats) {
        if (v == name) {
            a.format = format;
            return std::nullopt;
        }
    }
    return "unknown format '" + std::string(v) + "' (paths, csv, json or sh)";
}

Problem threadsOption(Args &a, std::string_view v)
{
    double n = 0;
    if (!parseBytes(v, n) || n < 1 || n > 256)
        return std::string("--threads needs a number from 1 to 256");
    a.options.ReadThreads = static_cast<unsigned>(n);
    return std::nullopt;
}

Problem keepOption(Args &a, std::string_view v)
{
    a.keep = ParseSelectionRule(v);
    if (!a.keep)
        return "unknown rule '" + std::string(v) +
               "' (newest, oldest, shortest-path, longest-path, shortest-name, first, "
               "in:DIR, not-in:DIR or name:MASK)";
    return std::nullopt;
}

Problem linkOption(Args &a, std::string_view v)
{
    if (v == "hard")
        a.link = ScriptAction::HardLink;
    else if (v == "symbolic")
        a.link = ScriptAction::SymbolicLink;
    else
        return "unknown link kind '" + std::string(v) + "' (hard or symbolic)";
    return std::nullopt;
}

Problem createDbOption(Args &a, std::string_view v)
{
    if (StripQuotes(v).empty())
        return std::string("--create-db needs a file name");
    a.createDb = std::string(v);
    return std::nullopt;
}

struct Option {
    std::string_view name;
    bool takesValue;
    Problem (*apply)(Args &, std::string_view value);
};

// Every option; a value is given as the next argument or after "=".
constexpr Option kOptions[] = {
    {"-h", false, [](Args &a, std::string_view) -> Problem { return a.help = true, Problem(); }},
    {"--help", false,
     [](Args &a, std::string_view) -> Problem { return a.help = true, Problem(); }},
    {"--version", false,
     [](Args &a, std::string_view) -> Problem { return a.version = true, Problem(); }},
    {"--mask", true,
     [](Args &a, std::string_view v) -> Problem { return a.options.Mask = v, Problem(); }},
    {"--no-recursive", false,
     [](Args &a, std::string_view) -> Problem { return a.options.Recursive = false, Problem(); }},
    {"--min-size", true,
     [](Args &a, std::string_view v) { return sizeBound("--min-size", v, a.options.MinSize); }},
    {"--max-size", true,
     [](Args &a, std::string_view v) { return sizeBound("--max-size", v, a.options.MaxSize); }},
    {"--exclude", true,
     [](Args &a, std::string_view v) -> Problem {
         return a.options.Exclusions.emplace_back(v), Problem();
     }},
    {"--no-content", false,
     [](Args &a, std::string_view) -> Problem { return a.noContent = true, Problem(); }},
    {"--match-time", false,
     [](Args &a, std::string_view) -> Problem { return a.options.IgnoreDate = false, Problem(); }},
    {"--match-names", false,
     [](Args &a, std::string_view) -> Problem { return a.options.IgnoreNames = false, Problem(); }},
    {"--ignore-size", false,
     [](Args &a, std::string_view) -> Problem { return a.options.IgnoreSize = true, Problem(); }},
    {"--reference", true,
     [](Args &a, std::string_view v) -> Problem {
         return a.options.ReferenceFolders.emplace_back(v), Problem();
     }},
    {"--db", true,
     [](Args &a, std::string_view v) -> Problem { return a.databases.emplace_back(v), Problem(); }},
    {"--visual", false,
     [](Args &a, std::string_view) -> Problem { return a.visual = true, Problem(); }},
    {"--resizing", true,
     [](Args &a, std::string_view v) {
         return wholeIn("--resizing", v, 1, 10, a.options.Visual.Resizing);
     }},
    {"--splitting", true,
     [](Args &a, std::string_view v) {
         return wholeIn("--splitting", v, 1, 10, a.options.Visual.Splitting);
     }},
    {"--acc1", true,
     [](Args &a, std::string_view v) {
         return numberIn("--acc1", v, 50, 500, false, a.options.Visual.Acc1);
     }},
    {"--acc2", true,
     [](Args &a, std::string_view v) {
         return numberIn("--acc2", v, 0.5, 50, false, a.options.Visual.Acc2);
     }},
    {"--acc3", true,
     [](Args &a, std::string_view v) {
         return numberIn("--acc3", v, 0.5, 50, false, a.options.Visual.Acc3);
     }},
    {"--acc4", true,
     [](Args &a, std::string_view v) {
         return numberIn("--acc4", v, 0.5, 50, false, a.options.Visual.Acc4);
     }},
    {"--any-proportion", false,
     [](Args &a, std::string_view) -> Problem {
         return a.options.Visual.SameProportion = false, Problem();
     }},
    {"--rotations", false,
     [](Args &a, std::string_view) -> Problem {
         return a.options.Visual.FindRotations = true, Problem();
     }},
    {"--no-orientation", false,
     [](Args &a, std::string_view) -> Problem {
         return a.options.Visual.CameraOrientation = false, Problem();
     }},
    {"--list", false,
     [](Args &a, std::string_view) -> Problem { return a.list = true, Problem(); }},
    {"--create-db", true, createDbOption},
    {"--keep", true, keepOption},
    {"--link", true, linkOption},
    {"--format", true, formatOption},
    {"--progress", false,
     [](Args &a, std::string_view) -> Problem { return a.progress = true, Problem(); }},
    {"--threads", true, threadsOption},
    {"--no-cache", false,
     [](Args &a, std::string_view) -> Problem { return a.noCache = true, Problem(); }},
    {"--clear-cache", false,
     [](Args &a, std::string_view) -> Problem { return a.clearCache = true, Problem(); }},
};

// Options that cannot be used together; the error text, or nothing.
Problem refusedCombination(const Args &a)
{
    if (a.createDb && a.list)
        return std::string("--create-db and --list cannot be used together");
    if (a.createDb && !a.databases.empty())
        return std::string("--create-db and --db cannot be used together");
    if (a.options.Folders.empty() && a.options.ReferenceFolders.empty() && a.databases.empty() &&
        !a.clearCache)
        return std::string("no folder given");
    if (a.visual && a.createDb)
        return std::string("--visual and --create-db cannot be used together");
    if (a.visual && !a.databases.empty())
        return std::string("--visual and --db cannot be used together");
    if (a.keep && (a.createDb || a.list))
        return std::string("--keep needs a duplicate search (not --list or --create-db)");
    if (a.keep && a.format == ReportFormat::Paths)
        return std::string("--keep needs --format csv, json or sh");
    if (a.format == ReportFormat::Shell && !a.keep)
        return std::string("--format sh needs --keep (which copy of each group to keep)");
    if (a.link && a.format != ReportFormat::Shell)
        return std::string("--link needs --format sh");
    return std::nullopt;
}

// One option with its value (the next argument unless given after "="); `i` moves past it.
Problem parseOption(std::string_view arg, int &i, int argc, const char *const *argv, Args &a)
{
    std::optional<std::string_view> inlineValue;
    if (const auto eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
        inlineValue = arg.substr(eq + 1);
        arg = arg.substr(0, eq);
    }
    const Option *option = nullptr;
    for (const Option &o : kOptions)
        if (o.name == arg)
            option = &o;
    if (!option)
        return "unknown option '" + std::string(arg) + "'";
    std::string_view value;
    if (option->takesValue) {
        if (inlineValue)
            value = *inlineValue;
        else if (i + 1 < argc)
            value = argv[++i];
        else
            return std::string(arg) + " needs a value";
    }
    return option->apply(a, value);
}

} // namespace

std::string_view HelpText()
{
    return kHelp;
}

Problem parse(int argc, const char *const *argv, Args &a)
{
    bool endOfOptions = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (endOfOptions || arg.empty() || arg[0] != '-' || arg == "-") {
            a.options.Folders.emplace_back(arg);
        } else if (arg == "--") {
            endOfOptions = true;
        } else if (auto problem = parseOption(arg, i, argc, argv, a)) {
            return problem;
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

} // namespace twinly::cli
