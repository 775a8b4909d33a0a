// SPDX-License-Identifier: GPL-3.0-or-later
#include "file_ops.h"

#include <sys/stat.h>

#include <gio/gio.h>

#include <cerrno>
#include <cstring>

namespace twinly::platform {

bool MoveToTrash(const std::string &path, std::string &error)
{
    struct stat before {};
    if (::lstat(path.c_str(), &before) != 0) {
        error = "Cannot find '" + path + "': " + std::strerror(errno);
        return false;
    }
    // GIO takes the name as bytes, picks the trash of the file's own volume (the user's trash
    // on the home volume, the volume's top-level trash elsewhere), writes the record that puts
    // the file back with its path URL-escaped as the freedesktop.org trash format requires, and
    // never falls back to deleting the file when no trash can take it.
    GFile *file = g_file_new_for_path(path.c_str());
    GError *failure = nullptr;
    const bool trashed = g_file_trash(file, nullptr, &failure) != FALSE;
    g_object_unref(file);
    if (!trashed) {
        error = "No trash can take '" + path + "'";
        if (failure)
            error += std::string(": ") + failure->message;
        g_clear_error(&failure);
        return false;
    }
    g_clear_error(&failure);
    // Success means the file left its place; one still there was not trashed, whatever the
    // call said.
    struct stat after {};
    if (::lstat(path.c_str(), &after) == 0 && after.st_dev == before.st_dev &&
        after.st_ino == before.st_ino) {
        error = "No trash can take '" + path + "'";
        return false;
    }
    return true;
}

} // namespace twinly::platform
