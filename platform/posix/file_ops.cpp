// SPDX-License-Identifier: GPL-3.0-or-later
#include "file_ops.h"

#include "handle_io.h"
#include "path_parts.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace twinly::platform {

namespace {

std::function<void(const std::string &)> &moveCopiedHook()
{
    static std::function<void(const std::string &)> hook;
    return hook;
}

bool sameTimes(const timespec &a, const timespec &b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// The path still names the file that was opened, and nothing was written to it since: same
// inode, size, modification and change time.
bool unchangedSince(const struct stat &before, int fd, const std::string &path)
{
    struct stat now {};
    if (::fstat(fd, &now) != 0 || now.st_size != before.st_size ||
        !sameTimes(now.st_mtim, before.st_mtim) || !sameTimes(now.st_ctim, before.st_ctim))
        return false;
    struct stat named {};
    return ::lstat(path.c_str(), &named) == 0 && named.st_dev == before.st_dev &&
           named.st_ino == before.st_ino;
}

FileOpResult sourceChanged(const std::string &source)
{
    FileOpResult r;
    r.sourceChanged = true;
    r.error = "'" + source + "' changed while it was moved; it stays where it was";
    return r;
}

FileOpResult failure(std::string error)
{
    FileOpResult r;
    r.error = std::move(error);
    return r;
}

FileOpResult failure(const std::string &what, const std::string &path, int err)
{
    return failure(what + " '" + path + "': " + std::strerror(err));
}

FileOpResult exists(const std::string &target)
{
    FileOpResult r = failure("'" + target + "' already exists");
    r.targetExists = true;
    return r;
}

FileOpResult success()
{
    FileOpResult r;
    r.ok = true;
    return r;
}

bool makeFolders(const std::string &folder, std::string &error)
{
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        error = "Cannot create the folder '" + folder + "': " + ec.message();
        return false;
    }
    return true;
}

bool sameFile(const struct stat &a, const std::string &path)
{
    struct stat b {};
    return ::stat(path.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

int renameNoReplace(const char *from, const char *to)
{
#ifdef SYS_renameat2
    const long r = ::syscall(SYS_renameat2, AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
    if (r == 0 || (errno != EINVAL && errno != ENOSYS))
        return static_cast<int>(r);
#endif
    // A file system without the flag: the short window between test and rename is the best
    // that can be had there.
    struct stat st {};
    if (::lstat(to, &st) == 0) {
        errno = EEXIST;
        return -1;
    }
    return ::rename(from, to);
}

// A new file of its own beside `target`, named in `temp`; -1 (errno set) when none can be made.
int createPartFile(const std::string &target, std::string &temp)
{
    int out = -1;
    for (int attempt = 0; out < 0 && attempt < 100; ++attempt) {
        temp = target + ".twinly-part" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        out = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (out < 0 && errno != EEXIST)
            break;
    }
    return out;
}

// Content, permissions and times of the source `st` describes, flushed to disk; `out` is closed
// either way. 0, or the error number.
int copyContent(int in, const struct stat &st, int out)
{
    int err = CopyAll(in, out);
    if (err == 0) {
        ::fchmod(out, st.st_mode & 07777);
        const timespec times[2] = {st.st_atim, st.st_mtim};
        ::futimens(out, times);
        if (::fsync(out) != 0)
            err = errno;
    }
    if (::close(out) != 0 && err == 0)
        err = errno;
    return err;
}

// Copies content, permissions and times into a new temporary file beside `target`, flushed
// to disk, then puts it in place. On any failure nothing is left behind. With `forMove` the copy
// is put in place only while the source is unchanged, and `opened` receives the source as it
// was opened.
FileOpResult copyFile(const std::string &source, const std::string &target, bool replace,
                      bool forMove = false, struct stat *opened = nullptr)
{
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (in < 0)
        return failure("Cannot open", source, errno);
    struct stat st {};
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(in);
        return failure("Not a regular file: '" + source + "'");
    }
    std::string temp;
    const int out = createPartFile(target, temp);
    if (out < 0) {
        const int e = errno;
        ::close(in);
        return failure("Cannot create", target, e);
    }
    const int err = copyContent(in, st, out);
    if (err == 0 && forMove) {
        if (const auto &hook = moveCopiedHook())
            hook(source);
        if (!unchangedSince(st, in, source)) {
            ::close(in);
            ::unlink(temp.c_str());
            return sourceChanged(source);
        }
    }
    ::close(in);
    if (err != 0) {
        ::unlink(temp.c_str());
        return failure("Cannot copy to", target, err);
    }
    if (opened)
        *opened = st;
    const int placed = replace ? ::rename(temp.c_str(), target.c_str())
                               : renameNoReplace(temp.c_str(), target.c_str());
    if (placed != 0) {
        const int e = errno;
        ::unlink(temp.c_str());
        return e == EEXIST ? exists(target) : failure("Cannot create", target, e);
    }
    return success();
}

} // namespace

void SetMoveCopiedHook(std::function<void(const std::string &source)> hook)
{
    moveCopiedHook() = std::move(hook);
}

FileOpResult PerformFileOperation(const std::string &source, const std::string &target,
                                  FileOperation operation, unsigned flags, bool replaceExisting)
{
    struct stat st {};
    if (::lstat(source.c_str(), &st) != 0)
        return failure("Cannot find", source, errno);

    if (operation == FileOperation::Delete) {
        if (S_ISDIR(st.st_mode))
            return failure("Not a file: '" + source + "'");
        if (flags & FOF_ALLOWUNDO) {
            std::string error;
            return MoveToTrash(source, error) ? success() : failure(error);
        }
        return ::unlink(source.c_str()) == 0 ? success() : failure("Cannot delete", source, errno);
    }

    if (sameFile(st, target))
        return success(); // onto itself (or a hard link of itself): nothing to do
    std::string error;
    if (!makeFolders(ParentFolder(target), error))
        return failure(error);

    if (operation == FileOperation::Copy)
        return copyFile(source, target, replaceExisting);

    const int moved = replaceExisting ? ::rename(source.c_str(), target.c_str())
                                      : renameNoReplace(source.c_str(), target.c_str());
    if (moved == 0)
        return success();
    if (errno == EEXIST)
        return exists(target);
    if (errno != EXDEV)
        return failure("Cannot move to", target, errno);
    // Another file system: copy, and remove the source only once the copy is safely there and
    // the source is still what was copied.
    struct stat copiedFrom {};
    FileOpResult copied = copyFile(source, target, replaceExisting, /*forMove=*/true, &copiedFrom);
    if (!copied.ok)
        return copied;
    struct stat now {};
    if (::lstat(source.c_str(), &now) != 0 || now.st_ino != copiedFrom.st_ino ||
        now.st_dev != copiedFrom.st_dev || now.st_size != copiedFrom.st_size ||
        !sameTimes(now.st_mtim, copiedFrom.st_mtim) ||
        !sameTimes(now.st_ctim, copiedFrom.st_ctim)) {
        ::unlink(target.c_str());
        return sourceChanged(source);
    }
    if (::unlink(source.c_str()) != 0) {
        // Better two copies than none: the copy stays, the move is reported as failed.
        return failure("Copied, but cannot remove", source, errno);
    }
    return success();
}

} // namespace twinly::platform
