// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "crc_db.h"
#include "file_data.h"
#include "grouping.h"
#include "options.h"
#include "progress.h"
#include "thread.h"

#include <functional>
#include <stop_token>
#include <thread>

namespace twinly {

// What a finished search hands to its caller. A stopped search hands over nothing.
struct SearchResult {
    twinly::FileList FileList; // the rows, in display order (Create CRC DB: every file found)
    twinly::RowBand RowBand;   // one band per row (empty in Create CRC DB mode)
    // One number per row, shared by the rows of one group (0, 1, ... in list order); in the plain
    // listing every row is a group of its own. Unlike bands, numbers tell groups apart for good.
    std::vector<std::uint32_t> RowGroup;
    bool stopped = false;
    // Frees, on a thread of its own, the records that the search let go of: the names of
    // hundreds of thousands of files that matched nothing take a tenth of a second to free, which
    // the caller need not wait for. Joined when the result goes.
    std::jthread Reclaim;
};

// The visual comparison's two calls, supplied by whoever links it in.
// Both are called from several threads at once.
struct VisualHooks {
    std::function<void(TFileData &)> CalcImageProperties; // leaves no signature when it fails
    std::function<void(TFileData &, TFileData &)> CalcImagePropertiesPair; // optional: two at once
    ImagesAlikeFn ImagesAlike;
    ImagesKeyFn ImagesKey; // optional: lets the pass skip pairs that can never be alike
};

// A whole search: walk, then the comparison pipeline. `databases` holds the entries of CRC
// databases loaded beforehand; they stand first in the list. Runs on the calling thread.
SearchResult RunSearch(SearchOptions options, CrcDatabase databases, ScanProgress &progress,
                       const std::stop_token &stop, const VisualHooks &visual = {});

// The database entries that can take part in a search over `found`, as records, in order.
// With sizes compared, an entry whose size no file found shares can only ever meet entries of
// its own size; unless two of those are the same pair (which match each other), none of them
// can end in a group, and leaving out all entries of such a size changes no group and no
// order. Every other case keeps every entry.
FileList UsableDatabaseEntries(const CrcDatabase &databases, const FileList &found,
                               const SearchOptions &options);

// The search as a background thread at idle priority. Fill the fields, set OnTerminate, Resume;
// when OnTerminate runs, takeResult() hands the rows over.
class TDirScanner final : public platform::WorkerThread {
public:
    TDirScanner() : WorkerThread(/*idlePriority=*/true) {}
    ~TDirScanner() override;

    SearchOptions Options;
    CrcDatabase Initial; // database entries, loaded before Resume
    VisualHooks Visual;
    ScanProgress Progress;

    // Valid once the body has returned (from OnTerminate on).
    SearchResult takeResult() { return std::move(m_result); }

protected:
    void Execute() override;

private:
    SearchResult m_result;
};

} // namespace twinly
