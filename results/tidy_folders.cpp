// SPDX-License-Identifier: GPL-3.0-or-later
// Folders left empty by deleting or moving files from the list.
#include "list_commands.h"

#include "empty_folders.h"

namespace twinly {

void ListCommands::removeFoldersLeftEmpty(const std::vector<std::string> &removedFiles)
{
    if (removedFiles.empty() || !m_host.removeFoldersLeftEmpty())
        return;
    // A folder that cannot go (not empty after all, no permission) simply stays.
    platform::RemoveFoldersLeftEmpty(removedFiles, m_host.searchListFolders());
}

} // namespace twinly
