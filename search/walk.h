// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "exclusions.h"
#include "file_data.h"
#include "masksearch.h"
#include "options.h"
#include "progress.h"

#include <stop_token>
#include <string>

namespace twinly {

struct WalkContext {
    const SearchOptions &options;
    MaskList masks;
    ExclusionRules exclusions;
    ScanProgress &progress;
    std::stop_token stop;
    FileList &out;
    double totalKB = 0; // summed size in KiB of the files taken so far
    // Open folder handles kept at most; deeper ancestors are closed and reopened by name when
    // needed again, so no tree exhausts the process's descriptors.
    std::size_t maxOpenDirs = 256;
    // Subfolders of a top folder walked at once; the order of the records never depends on it.
    unsigned threads = 1;

    WalkContext(const SearchOptions &opts, ScanProgress &p, std::stop_token s, FileList &list)
        : options(opts), masks(BuildMaskList(opts.Mask)), exclusions(opts.Exclusions), progress(p),
          stop(std::move(s)), out(list)
    {}
};

// Appends a record for every accepted file below `folder` (given without a trailing
// separator): a folder's subfolders first, depth first, in listing order, then its own files.
// Excluded folders are never opened and excluded files never looked at further; a `folder`
// that is or lies below an excluded path contributes nothing.
// Returns false when stopped (what was appended is then to be discarded).
bool WalkDirectory(const std::string &folder, WalkContext &ctx);

} // namespace twinly
