// SPDX-License-Identifier: GPL-3.0-or-later
#include "folder_identity.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace twinly::platform {

namespace {

std::string workingFolder()
{
    std::vector<char> buffer(4096);
    for (;;) {
        if (::getcwd(buffer.data(), buffer.size()))
            return buffer.data();
        if (errno != ERANGE || buffer.size() > (1u << 20))
            return "/";
        buffer.resize(buffer.size() * 2);
    }
}

bool lexicallyWithin(const std::string &inner, const std::string &outer)
{
    if (outer == "/")
        return !inner.empty() && inner.front() == '/';
    return inner == outer ||
           (inner.size() > outer.size() && inner.starts_with(outer) && inner[outer.size()] == '/');
}

int openFolder(int at, const char *name)
{
    int fd;
    do {
        fd = ::openat(at, name, O_PATH | O_DIRECTORY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

bool sameIdentity(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

enum class Walk { Within, Outside, Unreachable };

// Climbs from `inner` through ".." of the real folders, so a link is taken as the folder it
// leads to and the climb follows that folder's own parents.
Walk climb(const std::string &inner, const struct stat &outer)
{
    int fd = openFolder(AT_FDCWD, inner.c_str());
    if (fd < 0)
        return Walk::Unreachable;
    struct stat here {};
    if (::fstat(fd, &here) != 0) {
        ::close(fd);
        return Walk::Unreachable;
    }
    // Deeper than any real tree; guards against a file system that never reaches its root.
    for (int depth = 0; depth < 65536; ++depth) {
        if (sameIdentity(here, outer)) {
            ::close(fd);
            return Walk::Within;
        }
        const int parent = openFolder(fd, "..");
        ::close(fd);
        if (parent < 0)
            return Walk::Unreachable;
        struct stat up {};
        if (::fstat(parent, &up) != 0) {
            ::close(parent);
            return Walk::Unreachable;
        }
        if (sameIdentity(up, here)) { // the root is its own parent
            ::close(parent);
            return Walk::Outside;
        }
        fd = parent;
        here = up;
    }
    ::close(fd);
    return Walk::Unreachable;
}

} // namespace

std::string CleanFolderPath(std::string_view text)
{
    if (text.empty())
        return {};
    std::string whole =
        text.front() == '/' ? std::string(text) : workingFolder() + "/" + std::string(text);
    std::vector<std::string_view> parts;
    const std::string_view all(whole);
    std::size_t at = 0;
    while (at < all.size()) {
        std::size_t end = all.find('/', at);
        if (end == std::string_view::npos)
            end = all.size();
        const std::string_view part = all.substr(at, end - at);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        at = end + 1;
    }
    std::string clean;
    for (const std::string_view part : parts) {
        clean.push_back('/');
        clean.append(part);
    }
    return clean.empty() ? std::string("/") : clean;
}

bool FolderWithin(const std::string &inner, const std::string &outer)
{
    struct stat outerStat {};
    if (::stat(outer.c_str(), &outerStat) == 0 && S_ISDIR(outerStat.st_mode)) {
        const Walk w = climb(inner, outerStat);
        if (w != Walk::Unreachable)
            return w == Walk::Within;
    }
    return lexicallyWithin(CleanFolderPath(inner), CleanFolderPath(outer));
}

bool IdentifyThroughLinks(const std::string &path, std::uint64_t &device, std::uint64_t &inode)
{
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return false;
    device = static_cast<std::uint64_t>(st.st_dev);
    inode = static_cast<std::uint64_t>(st.st_ino);
    return true;
}

bool IsFolder(const std::string &path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace twinly::platform
