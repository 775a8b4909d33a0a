// SPDX-License-Identifier: GPL-3.0-or-later
#include "empty_folders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <set>
#include <utility>

namespace twinly::platform {

namespace {

using Key = std::pair<dev_t, ino_t>;

std::string parentOf(const std::string &path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0)
        return {};
    return path.substr(0, slash);
}

} // namespace

std::vector<std::string> RemoveFoldersLeftEmpty(std::span<const std::string> removedFiles,
                                                std::span<const std::string> searchFolders)
{
    std::set<Key> kept;
    for (const std::string &f : searchFolders) {
        struct stat st {};
        if (::stat(f.empty() ? "/" : f.c_str(), &st) == 0)
            kept.insert({st.st_dev, st.st_ino});
    }
    std::set<std::string> starts;
    for (const std::string &file : removedFiles) {
        struct stat st {};
        if (::lstat(file.c_str(), &st) != 0 && errno == ENOENT)
            starts.insert(parentOf(file));
    }
    // Deeper folders first, so that a parent is tried once its emptied children are gone.
    std::vector<std::string> order(starts.begin(), starts.end());
    std::stable_sort(order.begin(), order.end(), [](const std::string &a, const std::string &b) {
        return std::count(a.begin(), a.end(), '/') > std::count(b.begin(), b.end(), '/');
    });
    std::vector<std::string> removed;
    for (std::string folder : order) {
        while (!folder.empty()) {
            struct stat st {};
            if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) ||
                kept.contains({st.st_dev, st.st_ino}))
                break;
            // A folder above one of the search list holds it, so rmdir leaves it.
            if (::rmdir(folder.c_str()) != 0)
                break;
            removed.push_back(folder);
            folder = parentOf(folder);
        }
    }
    return removed;
}

} // namespace twinly::platform
