// SPDX-License-Identifier: GPL-3.0-or-later
#include "atomic_file.h"

#include "handle_io.h"
#include "path_parts.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <system_error>
#include <utility>
#include <vector>

namespace twinly::platform {

namespace {

// The kernel gives up on a path after 40 links; a chain longer than that is a loop in practice.
constexpr int kMaxLinks = 40;
constexpr int kTempAttempts = 100;
constexpr std::string_view kTempPrefix = ".twl";
constexpr std::size_t kTempRandomChars = 6;

bool readLink(const std::string &path, std::size_t sizeHint, std::string &out)
{
    std::vector<char> buffer(sizeHint > 0 ? sizeHint + 1 : 256);
    for (;;) {
        const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
        if (n < 0)
            return false;
        if (static_cast<std::size_t>(n) < buffer.size()) {
            out.assign(buffer.data(), static_cast<std::size_t>(n));
            return true;
        }
        // The link changed since it was examined and grew; try again with room for it.
        buffer.resize(buffer.size() * 2);
    }
}

std::uint64_t randomBits()
{
    std::uint64_t bits = 0;
    if (::getrandom(&bits, sizeof bits, GRND_NONBLOCK) == static_cast<ssize_t>(sizeof bits))
        return bits;
    // Without the kernel's generator (early boot, an old kernel) a name that only differs
    // between attempts is enough: O_EXCL settles any collision.
    static std::atomic<std::uint64_t> counter{0};
    const auto now =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    return (now * 0x9E3779B97F4A7C15ull) ^ (static_cast<std::uint64_t>(::getpid()) << 32) ^
           counter.fetch_add(0x632BE59BD9B4E019ull);
}

std::string tempNameIn(const std::string &folder)
{
    static constexpr char kChars[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::uint64_t bits = randomBits();
    std::string name = folder;
    if (name.back() != '/')
        name.push_back('/');
    name += kTempPrefix;
    for (std::size_t i = 0; i < kTempRandomChars; ++i) {
        name.push_back(kChars[bits % (sizeof kChars - 1)]);
        bits /= sizeof kChars - 1;
    }
    return name;
}

// A new file of its own in `folder`, named in `temp`; -1 (errno set) when none can be made.
int createTempIn(const std::string &folder, unsigned mode, std::string &temp)
{
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < kTempAttempts; ++attempt) {
        temp = tempNameIn(folder);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                    static_cast<mode_t>(mode & 07777));
        if (fd < 0 && errno != EEXIST)
            break;
    }
    return fd;
}

// The replacement gets the old file's owner and mode, and at least `requiredMode`.
bool takeOwnerAndMode(int fd, const struct stat &old, unsigned requiredMode)
{
    // Owner first: changing it clears set-id bits, which the mode below puts back. Only a
    // privileged process may give a file away, so a failure here is no failure of the save.
    if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
        // A (void) cast does not quiet a fortified fchown's unused result: test it.
        if (::fchown(fd, old.st_uid, old.st_gid) != 0 &&
            ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) {
            // The group stays the process's: the save goes on all the same.
        }
    }
    const auto mode = static_cast<mode_t>((old.st_mode & 07777) | (requiredMode & 0777));
    return ::fchmod(fd, mode) == 0;
}

// Makes a rename in the folder durable. The new file is in place whatever happens here, and
// some file systems cannot flush a folder, so a failure is not a failed write.
void syncFolder(const std::string &folder)
{
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        (void)::fsync(dirFd);
        ::close(dirFd);
    }
}

FileWriteResult refuseUnlessRegular(const struct stat &st)
{
    if (S_ISREG(st.st_mode))
        return {};
    return FileWriteError(S_ISDIR(st.st_mode) ? EISDIR : kNotRegularFile);
}

} // namespace

FileWriteResult FileWriteError(int error)
{
    if (error == 0)
        return {};
    if (error == kNotRegularFile)
        return {error, "not a regular file"};
    return {error, std::system_category().message(error)};
}

FileWriteResult ResolveWriteTarget(const std::string &path, std::string &target)
{
    if (path.empty())
        return FileWriteError(ENOENT);
    // A name ending in a slash can only be a folder.
    if (path.back() == '/')
        return FileWriteError(EISDIR);
    std::string current = path;
    for (int links = 0;; ++links) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0) {
            if (errno != ENOENT)
                return FileWriteError(errno);
            // Nothing there yet (or a dangling link's end): the write creates it.
            target = std::move(current);
            return {};
        }
        if (!S_ISLNK(st.st_mode)) {
            if (FileWriteResult refused = refuseUnlessRegular(st); !refused)
                return refused;
            target = std::move(current);
            return {};
        }
        if (links == kMaxLinks)
            return FileWriteError(ELOOP);
        std::string next;
        if (!readLink(current, static_cast<std::size_t>(st.st_size), next))
            return FileWriteError(errno);
        if (next.empty())
            return FileWriteError(ENOENT);
        if (next.back() == '/')
            return FileWriteError(EISDIR);
        // A relative link is relative to the folder that holds it.
        if (next.front() == '/') {
            current = std::move(next);
        } else {
            std::string folder = ParentFolder(current);
            current = std::move(folder.append("/").append(next));
        }
    }
}

FileWriteResult WriteFileAtomically(const std::string &path, std::string_view bytes,
                                    const AtomicWriteOptions &options)
{
    std::string target;
    if (FileWriteResult resolved = ResolveWriteTarget(path, target); !resolved)
        return resolved;
    struct stat old {};
    const bool existed = ::stat(target.c_str(), &old) == 0;
    if (existed) {
        if (FileWriteResult refused = refuseUnlessRegular(old); !refused)
            return refused;
    }

    // In the target's own folder: a rename is atomic only within one file system.
    const std::string folder = ParentFolder(target);
    std::string temp;
    const int fd = createTempIn(folder, options.newFileMode, temp);
    if (fd < 0)
        return FileWriteError(errno);
    const auto discard = [&temp](int error) {
        ::unlink(temp.c_str());
        return FileWriteError(error);
    };

    if (existed && !takeOwnerAndMode(fd, old, options.requiredMode)) {
        const int e = errno;
        ::close(fd);
        return discard(e);
    }
    const bool written = WriteAll(fd, bytes.data(), bytes.size()) == 0 && ::fsync(fd) == 0;
    const int writeError = errno;
    if (::close(fd) != 0 && written)
        return discard(errno);
    if (!written)
        return discard(writeError);

    // Something may have taken the target's place meanwhile; a device or a folder there is
    // still never replaced.
    struct stat now {};
    if (::lstat(target.c_str(), &now) == 0) {
        if (FileWriteResult refused = refuseUnlessRegular(now); !refused) {
            ::unlink(temp.c_str());
            return refused;
        }
    }
    if (::rename(temp.c_str(), target.c_str()) != 0)
        return discard(errno);

    syncFolder(folder);
    return {};
}

} // namespace twinly::platform
