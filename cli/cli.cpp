// SPDX-License-Identifier: GPL-3.0-or-later
// Running what the command line asks for: the search, its progress line and its report.
#include "cli.h"
#include "cli_args.h"

#include "crc_db.h"
#include "dir_lister.h"
#include "hash_cache.h"
#include "output.h"
#include "paths.h"
#include "report.h"
#include "scanner.h"
#include "selection_rules.h"
#include "visual_hooks.h"
#ifdef TWINLY_QT_IMAGES
#include "qt_image_reader.h"
#endif

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#ifndef TWINLY_VERSION
#define TWINLY_VERSION "0"
#endif

namespace twinly::cli {

namespace {

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

// The search itself, with its progress line on stderr where wanted.
SearchResult search(const Args &a, CrcDatabase initial, std::ostream &err, bool stderrIsTerminal)
{
    ScanProgress progress;
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
    return RunSearch(a.options, std::move(initial), progress, {}, visual);
}

int writeDatabase(const std::string &file, SearchResult &result, std::ostream &err, int status)
{
    const auto unread = std::count_if(result.FileList.begin(), result.FileList.end(),
                                      [](const TFileData &d) { return d.OnDisk && !d.CrcKnown; });
    RemoveRepeatedEntries(result.FileList);
    if (const auto problem = SaveCRCDatabase(file, result.FileList)) {
        report(err, *problem);
        return 1;
    }
    if (unread > 0)
        err << "twinly-cli: " << unread << (unread == 1 ? " file" : " files")
            << " could not be read and " << (unread == 1 ? "was" : "were")
            << " left out of the database\n";
    return status;
}

} // namespace

int Run(int argc, const char *const *argv, std::ostream &out, std::ostream &err,
        bool stderrIsTerminal)
{
    Args a;
    if (const auto problem = parse(argc, argv, a)) {
        err << "twinly-cli: " << *problem << "\nTry 'twinly-cli --help' for more information.\n";
        return 2;
    }
    if (a.help) {
        out << HelpText();
        return finish(out, err, 0);
    }
    if (a.version) {
        out << "twinly-cli " << TWINLY_VERSION << '\n';
        return finish(out, err, 0);
    }

    int status = reportUnreadableFolders(a.options.Folders, err) &&
                         reportUnreadableFolders(a.options.ReferenceFolders, err)
                     ? 0
                     : 1;
    if (a.clearCache && !HashCache::clear(HashCache::DefaultFolder())) {
        err << "twinly-cli: the remembered checksums could not be cleared\n";
        status = 1;
    }
    if (a.options.Folders.empty() && a.options.ReferenceFolders.empty() && a.databases.empty())
        return status;
    CrcDatabase initial;
    if (!a.options.CreateDB) {
        for (const UserMessage &m : LoadCRCDatabases(a.databases, initial)) {
            report(err, m);
            status = 1;
        }
    }

    SearchResult result = search(a, std::move(initial), err, stderrIsTerminal);
    if (a.createDb)
        return writeDatabase(*a.createDb, result, err, status);
    RowMarks marks;
    if (a.keep)
        marks = SelectByRule(result.FileList, result.RowGroup, *a.keep);
    WriteReport(out, a.format,
                ReportRows{result.FileList, result.RowBand, result.RowGroup, marks, "remove"},
                a.link.value_or(ScriptAction::Remove));
    // The records the search let go of are still being freed on a thread of their own: the
    // program ends now, and the system takes their memory back at once.
    if (result.Reclaim.joinable())
        result.Reclaim.detach();
    return finish(out, err, status);
}

} // namespace twinly::cli
