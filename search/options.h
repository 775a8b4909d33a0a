// SPDX-License-Identifier: GPL-3.0-or-later
// The options of one search, copied once when the search starts. The scanner reads nothing
// else, so nothing the user does while it runs can change its course.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace twinly {

// Every picture format the visual comparison reads (and some it can only recognise); a visual
// search uses this in place of the user's mask.
inline constexpr const char *kPictureFormatsMask =
    "*.bmp;*.ico;*.emf;*.wmf;*.jpg;*.jpeg;*.gif;*.jpe;*.png;*.webp;*.tif;*.tiff";

struct VisualSettings {
    int Resizing = 1;  // picture scaled to 100 * Resizing pixels square
    int Splitting = 1; // 10 * Splitting squares a side
    double Acc1 = 100, Acc2 = 10, Acc3 = 10, Acc4 = 10; // the window's defaults
    bool SameProportion = true;                         // CMPMethod1; false is CMPMethod2
    bool DumpSignatures = false;
    // Pictures are turned as their camera orientation says before they are signed. Changes
    // nothing for pictures without an orientation tag.
    bool CameraOrientation = true;
    // A pair is also tested with one signature turned and mirrored the seven other ways.
    bool FindRotations = false;

    bool operator==(const VisualSettings &) const = default;
};

struct SearchOptions {
    std::vector<std::string> Folders; // walked in this order
    std::string Mask;                 // empty matches every file
    bool UseMask = true;              // false: the mask text is kept but every file is taken
    bool Recursive = true;
    bool IgnoreSize = false;
    bool IgnoreDate = true;
    bool IgnoreNames = true;
    bool CompareContent = true;
    bool FindDuplicates = true; // false: plain listing
    bool CreateDB = false;
    bool VisualCompare = false;
    std::optional<double> MinSize; // inclusive bounds in bytes
    std::optional<double> MaxSize;
    VisualSettings Visual;
    // Worker threads for reading file contents; 0 picks the number of cores.
    unsigned ReadThreads = 0;
    // Where checksums are remembered between searches (HashCache); empty: nowhere.
    std::string CacheFolder;
    // Folders not walked and files not taken: paths (with a "/") or name masks; see
    // exclusions.h. Empty: only the mask and the size bounds leave files out.
    std::vector<std::string> Exclusions;
    // Folders whose files are originals: walked after Folders (unless a folder of Folders
    // already holds them), their records marked Reference, and a group made only of them is
    // not shown.
    std::vector<std::string> ReferenceFolders;

    bool operator==(const SearchOptions &) const = default;

    // Create CRC DB mode forces the switches it needs, whatever the controls say. A database
    // records CRCs, so the visual option (which computes none) does not apply there.
    void applyCreateDbMode()
    {
        if (!CreateDB)
            return;
        IgnoreSize = IgnoreDate = IgnoreNames = CompareContent = FindDuplicates = true;
        VisualCompare = false;
    }
};

// The rules that tie the switches together, the same for every way of asking for a search (the
// window's controls, the command line): a mask that is not in use takes every file; ignoring
// sizes turns content comparison off; comparing with CRC databases turns it on and ignores
// times and names; comparing by look replaces comparing by content and reads only pictures,
// whatever the mask; creating a database forces what it needs.
inline SearchOptions ResolveSearchOptions(SearchOptions o, bool withDatabases)
{
    if (!o.UseMask) {
        o.Mask.clear();
        o.UseMask = true; // from here on the mask text is the one that applies
    }
    if (o.IgnoreSize)
        o.CompareContent = false;
    if (withDatabases && !o.CreateDB) {
        o.CompareContent = true;
        o.IgnoreDate = true;
        o.IgnoreNames = true;
    }
    if (o.VisualCompare) {
        o.CompareContent = false;
        o.Mask = kPictureFormatsMask;
    }
    o.applyCreateDbMode();
    return o;
}

} // namespace twinly
