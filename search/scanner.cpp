// SPDX-License-Identifier: GPL-3.0-or-later
// A search, start to end:
//   walk      every folder in order ("Creating path list"); see walk.cpp.
//   listing   without FindDuplicates every record is a row, all in band 1; done.
//   pass 1    unless Create CRC DB: group on the cheap keys (size, time, name as switched,
//             "Comparing files "). Files without a partner leave here, so a file of a unique
//             size is never read.
//   content   with CompareContent or the visual flag: the survivors are flattened back into
//             the list (pivot first) and read ("Calculating CRC", or "Calculating properties of
//             image"); database entries are never opened.
//   pass 2    unless Create CRC DB: regroup with every switch ("Removing diferent files fom
//             list").
//   layout    groups laid out one after another with alternating bands.
// Termination is polled before each top-level folder, after every listing entry, in every
// pass and before every file read; a stopped search returns nothing at all.
#include "scanner.h"

#include "content_pass.h"
#include "hash_cache.h"
#include "paths.h"
#include "reference_folders.h"
#include "release.h"
#include "walk.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <thread>
#include <unordered_set>

namespace twinly {

namespace {

SearchResult stoppedResult()
{
    SearchResult r;
    r.stopped = true;
    return r;
}

} // namespace

FileList UsableDatabaseEntries(const CrcDatabase &databases, const FileList &found,
                               const SearchOptions &options)
{
    if (databases.empty())
        return {};
    if (options.IgnoreSize || !options.FindDuplicates || options.CreateDB)
        return databases.records();
    std::unordered_set<std::uint32_t> sizes;
    for (const TFileData &d : found)
        sizes.insert(static_cast<std::uint32_t>(d.FileSize));
    // Repeated pairs among the rest, found by sorting (a hash set would cost several times the
    // entries themselves on a large database).
    std::vector<std::uint64_t> pairs;
    for (const CrcDbEntry &e : databases.entries) {
        const auto size = static_cast<std::uint32_t>(e.size);
        if (!sizes.count(size))
            pairs.push_back(std::uint64_t{size} << 32 | e.crc);
    }
    std::sort(pairs.begin(), pairs.end());
    for (std::size_t i = 1; i < pairs.size(); ++i)
        if (pairs[i] == pairs[i - 1])
            sizes.insert(static_cast<std::uint32_t>(pairs[i] >> 32));
    Release(pairs);
    FileList list;
    for (std::size_t i = 0; i < databases.size(); ++i)
        if (sizes.count(static_cast<std::uint32_t>(databases.entries[i].size)))
            list.push_back(databases.record(i));
    return list;
}

namespace {

unsigned readThreads(const SearchOptions &options)
{
    return options.ReadThreads != 0 ? options.ReadThreads
                                    : std::max(1u, std::thread::hardware_concurrency());
}

// The walk, then the database entries that can match, ahead of the files found. False when
// stopped.
bool collectFiles(const SearchOptions &options, CrcDatabase databases, ScanProgress &progress,
                  const std::stop_token &stop, FileList &list, double &totalKB)
{
    progress.setGauge(0);
    progress.showGauge(true);
    progress.setPhase(Phase::CreatingPathList);
    WalkContext walk(options, progress, stop, list);
    walk.threads = readThreads(options);
    for (const std::string &folder : options.Folders) {
        if (stop.stop_requested())
            return false;
        if (!WalkDirectory(WalkFolderText(folder), walk))
            return false;
    }
    for (const std::string &folder :
         ReferenceFoldersToWalk(options.Folders, options.ReferenceFolders)) {
        if (stop.stop_requested() || !WalkDirectory(WalkFolderText(folder), walk))
            return false;
    }
    if (!options.ReferenceFolders.empty())
        MarkReferenceRecords(list, options.ReferenceFolders);
    if (stop.stop_requested())
        return false;
    if (!databases.empty()) {
        FileList entries = UsableDatabaseEntries(databases, list, options);
        Release(databases);
        list.insert(list.begin(), std::make_move_iterator(entries.begin()),
                    std::make_move_iterator(entries.end()));
    }
    totalKB = walk.totalKB;
    return true;
}

// Without FindDuplicates every record is a row of its own, all in band 1.
void listEveryRecord(SearchResult &result)
{
    const std::size_t n = result.FileList.size();
    result.RowBand.assign(n, 1);
    result.RowGroup.resize(n);
    for (std::size_t i = 0; i < n; ++i)
        result.RowGroup[i] = static_cast<std::uint32_t>(i);
}

// Hands records let go of to the result's reclaiming thread (after the last batch is freed).
void reclaim(SearchResult &result, FileList &&dropped)
{
    if (dropped.empty())
        return;
    if (result.Reclaim.joinable())
        result.Reclaim.join();
    result.Reclaim = std::jthread([doomed = std::move(dropped)]() mutable { doomed = FileList(); });
}

MatchSwitches switchesOf(const SearchOptions &options, const VisualHooks &visual)
{
    MatchSwitches sw;
    sw.IgnoreSize = options.IgnoreSize;
    sw.IgnoreDate = options.IgnoreDate;
    sw.IgnoreNames = options.IgnoreNames;
    sw.CompareContent = options.CompareContent;
    sw.ImagesAlike = visual.ImagesAlike;
    sw.ImagesKey = visual.ImagesKey;
    return sw;
}

// The content pass, then pass 2 with every switch. False when stopped.
bool compareContent(const SearchOptions &options, const VisualHooks &visual, MatchSwitches sw,
                    FileList &list, GroupList &groups, PassProgress &pass, FileList &dropped)
{
    ScanProgress &progress = pass.progress;
    if (pass.stop.stop_requested())
        return false;
    if (!options.CreateDB && !FlattenGroups(list, groups, pass.stop))
        return false;
    progress.setPhase(sw.Visual ? Phase::CalculatingImageProperties : Phase::CalculatingCrc);
    ContentPassOptions content;
    std::unique_ptr<HashCache> cache;
    if (!sw.Visual && !options.CacheFolder.empty()) {
        cache = HashCache::open(options.CacheFolder);
        content.cache = cache.get();
    }
    content.threads = options.ReadThreads;
    content.skipUnmatchable = !options.CreateDB;
    content.databaseMatchesAnySize = options.IgnoreSize;
    if (sw.Visual)
        content.signature = visual.CalcImageProperties
                                ? visual.CalcImageProperties
                                : std::function<void(TFileData &)>([](TFileData &) {});
    if (sw.Visual && visual.CalcImageProperties)
        content.signaturePair = visual.CalcImagePropertiesPair;
    if (!ComputeContent(list, content, progress, pass.stop, pass.totalKB))
        return false;
    if (options.CreateDB)
        return true;
    progress.setPhase(Phase::RemovingDifferentFiles);
    sw.Threads = readThreads(options);
    return GroupFiles(list, groups, sw, pass, &dropped);
}

} // namespace

SearchResult RunSearch(SearchOptions options, CrcDatabase databases, ScanProgress &progress,
                       const std::stop_token &stop, const VisualHooks &visual)
{
    options.applyCreateDbMode();
    SearchResult result;
    FileList &list = result.FileList;
    double totalKB = 0;
    if (options.FindDuplicates && options.CompareContent && !options.VisualCompare)
        HashCache::warmUp(options.CacheFolder);
    if (!collectFiles(options, std::move(databases), progress, stop, list, totalKB))
        return stoppedResult();
    if (!options.FindDuplicates) {
        listEveryRecord(result);
        return result;
    }
    progress.setTimerInterval(500);

    GroupList groups;
    PassProgress pass{progress, stop, totalKB};
    MatchSwitches sw = switchesOf(options, visual);
    if (!options.CreateDB) {
        progress.setPhase(Phase::ComparingFiles);
        MatchSwitches cheap = sw;
        cheap.CompareContent = false;
        FileList dropped;
        if (!GroupFiles(list, groups, cheap, pass, &dropped))
            return stoppedResult();
        reclaim(result, std::move(dropped));
    }
    sw.Visual = options.VisualCompare;
    progress.setItem("");
    if (sw.CompareContent || sw.Visual) {
        FileList dropped;
        if (!compareContent(options, visual, sw, list, groups, pass, dropped))
            return stoppedResult();
        reclaim(result, std::move(dropped));
    }
    if (stop.stop_requested())
        return stoppedResult();
    if (!options.CreateDB) {
        result.RowGroup.reserve(list.size());
        for (std::size_t g = 0; g < groups.size(); ++g)
            result.RowGroup.insert(result.RowGroup.end(), groups[g].size(),
                                   static_cast<std::uint32_t>(g));
        LayOutGroups(list, groups, result.RowBand);
        if (!options.ReferenceFolders.empty())
            DropReferenceOnlyGroups(list, result.RowBand, result.RowGroup);
    }
    return result;
}

TDirScanner::~TDirScanner()
{
    Terminate();
    WaitFor();
}

void TDirScanner::Execute()
{
    m_result = RunSearch(Options, std::move(Initial), Progress, stopToken(), Visual);
}

} // namespace twinly
