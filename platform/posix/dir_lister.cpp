// SPDX-License-Identifier: GPL-3.0-or-later
#include "dir_lister.h"

#include "stat_identity.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>

namespace twinly::platform {

namespace {

int openDirAt(int parent, const char *name, bool followLink)
{
    int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK;
    if (!followLink)
        flags |= O_NOFOLLOW;
    int fd;
    do {
        fd = ::openat(parent, name, flags);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

EntryKind kindFromMode(mode_t mode)
{
    if (S_ISDIR(mode))
        return EntryKind::Directory;
    if (S_ISREG(mode))
        return EntryKind::RegularFile;
    return EntryKind::Other;
}

bool isPseudoFileSystemType(std::uint64_t type)
{
    switch (type) {
    case PROC_SUPER_MAGIC:
    case SYSFS_MAGIC:
    case DEBUGFS_MAGIC:
    case TRACEFS_MAGIC:
    case SECURITYFS_MAGIC:
    case SELINUX_MAGIC:
    case SMACK_MAGIC:
    case CGROUP_SUPER_MAGIC:
    case CGROUP2_SUPER_MAGIC:
    case DEVPTS_SUPER_MAGIC:
    case BPF_FS_MAGIC:
    case PSTOREFS_MAGIC:
    case EFIVARFS_MAGIC:
    case BINFMTFS_MAGIC:
    case 0x62656570: // configfs
    case 0x65735543: // fusectl
        return true;
    default:
        return false;
    }
}

} // namespace

bool Directory::onPseudoFileSystem() const
{
    struct statfs fs {};
    if (m_fd < 0 || ::fstatfs(m_fd, &fs) != 0)
        return false;
    return isPseudoFileSystemType(static_cast<std::uint64_t>(fs.f_type));
}

Directory::~Directory()
{
    close();
}

Directory::Directory(Directory &&other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

Directory &Directory::operator=(Directory &&other) noexcept
{
    if (this != &other) {
        close();
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

void Directory::close()
{
    if (m_fd >= 0)
        ::close(std::exchange(m_fd, -1));
}

Directory Directory::openPath(const std::string &path)
{
    return Directory(openDirAt(AT_FDCWD, path.empty() ? "/" : path.c_str(), true));
}

Directory Directory::openChild(const std::string &name) const
{
    if (m_fd < 0)
        return Directory();
    return Directory(openDirAt(m_fd, name.c_str(), false));
}

bool Directory::forEach(const std::function<bool(std::string_view, EntryKind)> &visit) const
{
    if (m_fd < 0)
        return false;
    // fdopendir takes ownership of the descriptor it is given, so list through a duplicate and
    // keep ours for openChild and statFile.
    const int dupFd = ::openat(m_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dupFd < 0)
        return false;
    DIR *dir = ::fdopendir(dupFd);
    if (!dir) {
        ::close(dupFd);
        return false;
    }
    bool ok = true;
    for (;;) {
        errno = 0;
        const dirent *e = ::readdir(dir);
        if (!e) {
            ok = errno == 0;
            break;
        }
        const std::string_view name(e->d_name);
        if (name == "." || name == "..")
            continue;
        EntryKind kind;
        switch (e->d_type) {
        case DT_DIR:
            kind = EntryKind::Directory;
            break;
        case DT_REG:
            kind = EntryKind::RegularFile;
            break;
        case DT_UNKNOWN: {
            struct stat st {};
            if (::fstatat(m_fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue; // gone since it was listed
            kind = kindFromMode(st.st_mode);
            break;
        }
        default:
            kind = EntryKind::Other;
        }
        if (!visit(name, kind))
            break;
    }
    ::closedir(dir);
    return ok;
}

bool Directory::statFile(const char *name, FileStat &out) const
{
    if (m_fd < 0)
        return false;
    struct stat st {};
    if (::fstatat(m_fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
        return false;
    const FileIdentity id = IdentityOf(st);
    out.size = id.Size;
    out.mtime = static_cast<std::int64_t>(st.st_mtime);
    out.mtimeNs = id.MtimeNs;
    out.ctimeNs = id.CtimeNs;
    out.device = id.Device;
    out.inode = id.Inode;
    return true;
}

bool Directory::entryIdentity(const char *name, std::uint64_t &device, std::uint64_t &inode) const
{
    struct stat st {};
    if (m_fd < 0 || ::fstatat(m_fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    device = static_cast<std::uint64_t>(st.st_dev);
    inode = static_cast<std::uint64_t>(st.st_ino);
    return true;
}

} // namespace twinly::platform
