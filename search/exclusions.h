// SPDX-License-Identifier: GPL-3.0-or-later
// What a search leaves out besides the mask and the size bounds: folders not walked and files
// not taken. A pattern with a "/" is a path, and means the folder (or file) it names, whatever
// text reaches it: it is compared by device and inode, so "/home/me/.cache" also leaves out the
// same folder reached through a link or a second mount. Any other pattern is a mask text (the
// mask syntax, ";" or "," between masks) tested against the name of every folder and file met.
// The folders a search was given are never tested against names: the user named them.
#pragma once

#include "masksearch.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace twinly {

class ExclusionRules {
public:
    ExclusionRules() = default;
    // Paths that cannot be reached now exclude nothing (nothing can be walked through them).
    explicit ExclusionRules(const std::vector<std::string> &patterns);

    bool empty() const { return m_names.empty() && m_paths.empty(); }
    bool hasPaths() const { return !m_paths.empty(); }
    // `name` is a folder's or file's name (no separator).
    bool nameExcluded(std::string_view name) const;
    bool identityExcluded(std::uint64_t device, std::uint64_t inode) const;
    // A folder the search was given: excluded when it is, or lies below, an excluded path.
    bool topFolderExcluded(const std::string &folder) const;

private:
    struct Key {
        std::uint64_t device;
        std::uint64_t inode;
    };
    MaskList m_names;
    std::vector<Key> m_paths;
    std::vector<std::string> m_pathTexts;
};

} // namespace twinly
