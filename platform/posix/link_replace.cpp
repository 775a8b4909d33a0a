// SPDX-License-Identifier: GPL-3.0-or-later
#include "link_replace.h"

#include "folder_identity.h"
#include "path_parts.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <optional>
#include <random>
#include <vector>

#define XXH_INLINE_ALL
#include <xxhash.h>

namespace twinly::platform {

namespace {

std::mutex g_hookMutex;
std::function<void(const std::string &)> g_linkMade;

struct Fd {
    int fd = -1;
    Fd() = default;
    explicit Fd(int f) : fd(f) {}
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

std::int64_t nanoseconds(const struct timespec &t)
{
    return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

bool asSeen(const struct stat &st, const SeenFile &seen)
{
    return S_ISREG(st.st_mode) && static_cast<std::uint64_t>(st.st_dev) == seen.device &&
           static_cast<std::uint64_t>(st.st_ino) == seen.inode && st.st_size == seen.size &&
           nanoseconds(st.st_mtim) == seen.mtimeNs;
}

LinkResult refused(LinkRefusal why, int error = 0)
{
    return {false, why, error ? std::strerror(error) : std::string()};
}

// Opens a file that must still be what the search saw; never through a link, never blocking.
bool openSeen(const SeenFile &seen, Fd &fd, struct stat &st)
{
    fd.fd = ::open(seen.path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    return fd.fd >= 0 && ::fstat(fd.fd, &st) == 0 && asSeen(st, seen);
}

// XXH3-128 of the whole file, or false when it cannot be read to the size it has.
bool hashOf(int fd, std::int64_t size, XXH128_hash_t &out)
{
    XXH3_state_t *state = XXH3_createState();
    if (!state || XXH3_128bits_reset(state) == XXH_ERROR) {
        XXH3_freeState(state);
        return false;
    }
    std::vector<char> buffer(1 << 20);
    std::int64_t at = 0;
    bool ok = true;
    while (ok) {
        const ssize_t got = ::pread(fd, buffer.data(), buffer.size(), at);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        XXH3_128bits_update(state, buffer.data(), static_cast<std::size_t>(got));
        at += got;
    }
    out = XXH3_128bits_digest(state);
    XXH3_freeState(state);
    return ok && at == size;
}

std::string temporaryName(const std::string &folder)
{
    static thread_local std::mt19937_64 random{std::random_device{}()};
    char suffix[20];
    std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(random()));
    return (folder == "/" ? "" : folder) + "/.twinly-link-" + suffix;
}

bool cloneUnsupported(int error)
{
    return error == EOPNOTSUPP || error == ENOTTY || error == EXDEV || error == EINVAL ||
           error == ENOSYS;
}

// Makes the link under `temp`; true when made (`result` untouched). On failure nothing of it
// is left and `result` says why.
bool makeLink(LinkKind kind, const SeenFile &keeper, int keeperFd, const struct stat &fileStat,
              const std::string &temp, LinkResult &result)
{
    switch (kind) {
    case LinkKind::Hard:
        if (::link(keeper.path.c_str(), temp.c_str()) != 0) {
            result =
                refused(errno == EXDEV ? LinkRefusal::CrossDevice : LinkRefusal::Failed, errno);
            return false;
        }
        return true;
    case LinkKind::Symbolic: {
        const std::string target =
            keeper.path.starts_with('/') ? keeper.path : CleanFolderPath(keeper.path);
        if (::symlink(target.c_str(), temp.c_str()) != 0) {
            result = refused(LinkRefusal::Failed, errno);
            return false;
        }
        if (::lchown(temp.c_str(), fileStat.st_uid, fileStat.st_gid) != 0) {
            struct stat made {};
            if (::lstat(temp.c_str(), &made) != 0 || made.st_uid != fileStat.st_uid ||
                made.st_gid != fileStat.st_gid) {
                result = refused(LinkRefusal::Failed, errno);
                ::unlink(temp.c_str());
                return false;
            }
        }
        return true;
    }
    case LinkKind::Reflink: {
        Fd clone(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (clone.fd < 0) {
            result = refused(LinkRefusal::Failed, errno);
            return false;
        }
        if (::ioctl(clone.fd, FICLONE, keeperFd) != 0) {
            const int error = errno;
            result = refused(
                cloneUnsupported(error) ? LinkRefusal::NotSupported : LinkRefusal::Failed, error);
            ::unlink(temp.c_str());
            return false;
        }
        const struct timespec times[2] = {fileStat.st_atim, fileStat.st_mtim};
        struct stat made {};
        const bool ownerOk = (::fstat(clone.fd, &made) == 0 && made.st_uid == fileStat.st_uid &&
                              made.st_gid == fileStat.st_gid) ||
                             ::fchown(clone.fd, fileStat.st_uid, fileStat.st_gid) == 0;
        if (!ownerOk || ::fchmod(clone.fd, fileStat.st_mode & 07777) != 0 ||
            ::futimens(clone.fd, times) != 0 || ::fsync(clone.fd) != 0) {
            result = refused(LinkRefusal::Failed, errno);
            ::unlink(temp.c_str());
            return false;
        }
        return true;
    }
    }
    return false;
}

// The link under `temp` leads to the kept file (nothing swapped it meanwhile).
bool leadsToKeeper(LinkKind kind, const std::string &temp, const SeenFile &keeper)
{
    if (kind == LinkKind::Reflink)
        return true; // a clone of the open, checked keeper
    struct stat st {};
    const int looked =
        kind == LinkKind::Hard ? ::lstat(temp.c_str(), &st) : ::stat(temp.c_str(), &st);
    if (looked != 0)
        return false;
    return static_cast<std::uint64_t>(st.st_dev) == keeper.device &&
           static_cast<std::uint64_t>(st.st_ino) == keeper.inode;
}

// Checks both files; a refusal, or nothing when the link may be made.
std::optional<LinkResult> check(const SeenFile &file, const SeenFile &keeper, LinkKind kind,
                                Fd &fileFd, Fd &keeperFd, struct stat &fileStat)
{
    struct stat keeperStat {};
    if (!openSeen(file, fileFd, fileStat) || !openSeen(keeper, keeperFd, keeperStat))
        return refused(LinkRefusal::Changed);
    if (fileStat.st_dev == keeperStat.st_dev && fileStat.st_ino == keeperStat.st_ino)
        return refused(LinkRefusal::SameFile);
    if (kind == LinkKind::Hard && fileStat.st_dev != keeperStat.st_dev)
        return refused(LinkRefusal::CrossDevice, EXDEV);
    XXH128_hash_t a{}, b{};
    if (!hashOf(fileFd.fd, fileStat.st_size, a) || !hashOf(keeperFd.fd, keeperStat.st_size, b))
        return refused(LinkRefusal::Failed, EIO);
    if (!XXH128_isEqual(a, b))
        return refused(LinkRefusal::DifferentContent);
    return std::nullopt;
}

} // namespace

void SetLinkMadeHook(std::function<void(const std::string &temporary)> hook)
{
    std::lock_guard lock(g_hookMutex);
    g_linkMade = std::move(hook);
}

LinkResult ReplaceByLink(const SeenFile &file, const SeenFile &keeper, LinkKind kind)
{
    Fd fileFd, keeperFd;
    struct stat fileStat {};
    if (auto refusal = check(file, keeper, kind, fileFd, keeperFd, fileStat))
        return *refusal;

    const std::string folder = ParentFolder(file.path);
    // A random name: another file of that name is as good as impossible, and would only make
    // this replacement fail (O_EXCL, link and symlink never replace anything).
    const std::string temp = temporaryName(folder);
    LinkResult result;
    if (!makeLink(kind, keeper, keeperFd.fd, fileStat, temp, result))
        return result;

    auto undo = [&](LinkResult why) {
        ::unlink(temp.c_str());
        return why;
    };
    {
        std::function<void(const std::string &)> hook;
        {
            std::lock_guard lock(g_hookMutex);
            hook = g_linkMade;
        }
        if (hook)
            hook(temp);
    }
    if (!leadsToKeeper(kind, temp, keeper))
        return undo(refused(LinkRefusal::Changed));
    struct stat now {};
    if (::lstat(file.path.c_str(), &now) != 0 || !asSeen(now, file))
        return undo(refused(LinkRefusal::Changed));
    if (::rename(temp.c_str(), file.path.c_str()) != 0)
        return undo(refused(LinkRefusal::Failed, errno));
    if (Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)); dir.fd >= 0)
        ::fsync(dir.fd);
    return {true, LinkRefusal::None, {}};
}

} // namespace twinly::platform
