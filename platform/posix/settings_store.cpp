// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file on disk; its text form is in common/settings_text.cpp.
#include "settings_store.h"

#include "common/settings_text.h"
#include "file_reader.h"
#include "handle_io.h"
#include "path_parts.h"
#include "system_info.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <utility>

namespace twinly::platform {

namespace {

// A file in the settings file's place that holds something, but nothing this program can read
// (a hand edit gone wrong, a file far too large, one its owner made unreadable): worth keeping
// for the user, as the next save replaces it.
bool holdsDamagedFile(const std::string &path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0)
        return false;
    std::string text;
    const WholeFileStatus status = ReadWholeFile(path, settings_text::kMaxFileSize, text);
    if (status == WholeFileStatus::Failed)
        return true;
    std::vector<SettingsKey::Value> values;
    return status == WholeFileStatus::Ok &&
           settings_text::Parse(text, values) == settings_text::ParseStatus::Damaged;
}

std::string withoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// The folder a path stands in; a trailing separator does not count ("a/b/" stands in "a").
std::string folderOf(const std::string &path)
{
    return ParentFolder(withoutTrailingSlashes(path));
}

// Like mkdir -p; new folders are private to the user, as configuration folders should be.
bool makeFolders(const std::string &folder)
{
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return true;
        errno = ENOTDIR;
        return false;
    }
    if (errno != ENOENT)
        return false;
    const std::string parent = folderOf(folder);
    if (parent != folder && !makeFolders(parent))
        return false;
    if (::mkdir(folder.c_str(), 0700) == 0)
        return true;
    // Someone else may have made it meanwhile.
    return errno == EEXIST && ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

constexpr std::size_t kNameMax = 255;
constexpr int kMaxDamagedCopies = 99;

// name.bad, then name.bad2, name.bad3 ...; a name too long for the suffix is cut (never inside
// a UTF-8 character) so that the copy can always be made.
std::string damagedCopyName(const std::string &target, int number)
{
    const std::string suffix = number == 1 ? ".bad" : ".bad" + std::to_string(number);
    std::string name(FileNameOf(target));
    if (name.size() + suffix.size() > kNameMax) {
        std::size_t keep = kNameMax - suffix.size();
        while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80)
            --keep;
        name.resize(keep);
    }
    const std::size_t slash = target.rfind('/');
    return (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) + name +
           suffix;
}

bool copyFileExclusive(const std::string &from, const std::string &to)
{
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (in < 0)
        return false;
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) {
        const int e = errno;
        ::close(in);
        errno = e;
        return false;
    }
    int e = CopyAll(in, out);
    if (e == 0 && ::fsync(out) != 0)
        e = errno;
    if (::close(out) != 0 && e == 0)
        e = errno;
    ::close(in);
    if (e != 0) {
        ::unlink(to.c_str());
        errno = e;
    }
    return e == 0;
}

// Gives the damaged file a second name beside it, never taking the name of an earlier copy;
// the save then replaces only the first name, so the damaged bytes stay under the second. A
// file system without hard links gets a copy instead.
FileWriteResult keepDamagedCopy(const std::string &target, std::string &copy)
{
    for (int number = 1; number <= kMaxDamagedCopies; ++number) {
        copy = damagedCopyName(target, number);
        if (::link(target.c_str(), copy.c_str()) == 0)
            return {};
        if (errno == EEXIST)
            continue;
        if (copyFileExclusive(target, copy))
            return {};
        if (errno != EEXIST)
            return FileWriteError(errno);
    }
    return FileWriteError(EEXIST);
}

} // namespace

bool SettingsKey::load(const std::string &path, bool withoutKey)
{
    std::string text;
    if (ReadWholeFile(path, settings_text::kMaxFileSize, text) != WholeFileStatus::Ok)
        return false;
    settings_text::OtherKeys others;
    std::vector<Value> values;
    using settings_text::ParseStatus;
    const ParseStatus status = settings_text::Parse(text, values, &others);
    if (status == ParseStatus::Damaged || (status == ParseStatus::NoKey && !withoutKey))
        return false;
    m_values = std::move(values);
    m_otherKeysBefore = std::move(others.before);
    m_otherKeysAfter = std::move(others.after);
    return true;
}

std::optional<SettingsKey> SettingsKey::open(const std::string &path)
{
    SettingsKey key;
    if (!key.load(path, /*withoutKey=*/false))
        return std::nullopt;
    key.m_path = path;
    return key;
}

std::optional<SettingsKey> SettingsKey::create(const std::string &path)
{
    if (path.empty() || !makeFolders(folderOf(path)))
        return std::nullopt;
    SettingsKey key;
    // A file that holds other keys but not this one keeps them.
    key.load(path, /*withoutKey=*/true);
    key.m_path = path;
    return key;
}

FileWriteResult SettingsKey::save() const
{
    if (m_path.empty())
        return FileWriteError(ENOENT);

    // A settings file linked from elsewhere (a dotfiles folder) stays a link: the file it
    // points to is the one replaced, and its folder is the one that must exist.
    std::string target;
    if (FileWriteResult resolved = ResolveWriteTarget(m_path, target); !resolved)
        return resolved;
    if (!makeFolders(folderOf(target)))
        return FileWriteError(errno);

    // A file the next start would take for damage is not worth writing: the old one stays.
    const std::string text = serialize();
    if (text.size() > settings_text::kMaxFileSize)
        return FileWriteError(EFBIG);

    std::string damagedCopy;
    if (holdsDamagedFile(target)) {
        if (FileWriteResult kept = keepDamagedCopy(target, damagedCopy); !kept)
            return kept;
    }
    // The settings are the user's alone, and the program must be able to read them back.
    FileWriteResult written =
        WriteFileAtomically(target, text, {.newFileMode = 0600, .requiredMode = 0600});
    if (!written && !damagedCopy.empty())
        ::unlink(damagedCopy.c_str());
    return written;
}

std::string DefaultSettingsPath()
{
    std::string base;
    const char *config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/') {
        base = config;
    } else {
        base = HomeFolder() + "/.config";
    }
    base = withoutTrailingSlashes(std::move(base));
    if (base == "/")
        base.clear();
    return base + "/Quellon/Zorvik.reg";
}

} // namespace twinly::platform
