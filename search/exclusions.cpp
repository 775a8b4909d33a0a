// SPDX-License-Identifier: GPL-3.0-or-later
#include "exclusions.h"

#include "folder_identity.h"

#include <algorithm>

namespace twinly {

ExclusionRules::ExclusionRules(const std::vector<std::string> &patterns)
{
    std::string names;
    for (const std::string &p : patterns) {
        if (p.find('/') != std::string::npos) {
            Key k{};
            if (platform::IdentifyThroughLinks(p, k.device, k.inode)) {
                m_paths.push_back(k);
                m_pathTexts.push_back(p);
            }
        } else if (p.find_first_not_of(" \t;,") != std::string::npos) {
            // An empty mask text would match every name: only patterns with a mask in them.
            names += p;
            names += ';';
        }
    }
    if (!names.empty()) {
        for (std::string &m : BuildMaskList(names))
            if (!m.empty() && m != "**") // empty pieces between separators exclude nothing
                m_names.push_back(std::move(m));
    }
}

bool ExclusionRules::nameExcluded(std::string_view name) const
{
    return !m_names.empty() && MatchMaskList(name, m_names, /*wholeName=*/true);
}

bool ExclusionRules::identityExcluded(std::uint64_t device, std::uint64_t inode) const
{
    return std::any_of(m_paths.begin(), m_paths.end(),
                       [&](const Key &k) { return k.device == device && k.inode == inode; });
}

bool ExclusionRules::topFolderExcluded(const std::string &folder) const
{
    return std::any_of(m_pathTexts.begin(), m_pathTexts.end(), [&](const std::string &p) {
        return platform::FolderWithin(folder.empty() ? "/" : folder, p);
    });
}

} // namespace twinly
