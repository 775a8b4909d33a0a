// SPDX-License-Identifier: GPL-3.0-or-later
#include "crc_db.h"

#include "atomic_file.h"
#include "dos_time.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <unordered_set>

namespace twinly {

namespace {

UserMessage readError(std::string_view name, std::string_view reason)
{
    return {"str1", "Error when reading CRC DB !", std::string(name) + ": " + std::string(reason)};
}

UserMessage saveError(std::string_view name, std::string_view reason)
{
    return {"str1", "Error when saving CRC DB !", std::string(name) + ": " + std::string(reason)};
}

std::int32_t getLe32(const unsigned char *p)
{
    return static_cast<std::int32_t>(
        static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
        static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24);
}

void putLe32(std::string &out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

bool readAll(int fd, void *buffer, std::size_t size)
{
    auto *p = static_cast<char *>(buffer);
    while (size > 0) {
        const ssize_t n = ::read(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

std::string StripQuotes(std::string_view name)
{
    std::string out;
    out.reserve(name.size());
    for (char c : name)
        if (c != '"')
            out.push_back(c);
    return out;
}

std::optional<UserMessage> LoadCRCDatabase(std::string_view nameText, FileList &list)
{
    const std::string name = StripQuotes(nameText);
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return readError(name, std::strerror(errno));
    struct FdCloser {
        int fd;
        ~FdCloser() { ::close(fd); }
    } closer{fd};

    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return readError(name, "not a regular file");
    std::string bytes(4, '\0');
    if (!readAll(fd, bytes.data(), 4))
        return readError(name, "no entry count");
    // The count is untrusted: it must fit the file before anything is allocated from it.
    const std::int32_t count = getLe32(reinterpret_cast<const unsigned char *>(bytes.data()));
    const auto available = static_cast<std::uint64_t>(st.st_size) - 4;
    if (count < 0 || static_cast<std::uint64_t>(count) * 8 > available)
        return readError(name, "entry count does not match the file's length");
    bytes.resize(4 + static_cast<std::size_t>(count) * 8);
    if (!readAll(fd, bytes.data() + 4, bytes.size() - 4))
        return readError(name, "file ends early");
    if (auto problem = ParseCRCDatabase(bytes, DosTimeNowForDatabase(), list))
        return readError(name, *problem);
    return std::nullopt;
}

std::optional<std::string> ParseCRCDatabase(std::string_view bytes, DosTime loadTime,
                                            FileList &list)
{
    if (bytes.size() < 4)
        return std::string("no entry count");
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.data());
    const std::int32_t count = getLe32(data);
    if (count < 0 || static_cast<std::uint64_t>(count) * 8 > bytes.size() - 4)
        return std::string("entry count does not match the file's length");
    list.reserve(list.size() + static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) {
        const unsigned char *pair = data + 4 + 8 * static_cast<std::size_t>(i);
        list.push_back(TFileData::databaseEntry(
            getLe32(pair), static_cast<std::uint32_t>(getLe32(pair + 4)), loadTime));
    }
    return std::nullopt;
}

std::vector<UserMessage> LoadCRCDatabases(const std::vector<std::string> &names, FileList &list)
{
    std::vector<UserMessage> errors;
    for (const std::string &name : names)
        if (auto error = LoadCRCDatabase(name, list))
            errors.push_back(std::move(*error));
    return errors;
}

void RemoveRepeatedEntries(FileList &list)
{
    std::unordered_set<std::uint64_t> seen;
    seen.reserve(list.size());
    std::size_t kept = 0;
    for (std::size_t i = 0; i < list.size(); ++i) {
        TFileData &d = list[i];
        if (!d.CrcKnown)
            continue;
        const std::uint64_t pair =
            static_cast<std::uint64_t>(static_cast<std::uint32_t>(d.FileSize)) << 32 | d.CRC;
        if (!seen.insert(pair).second)
            continue;
        if (kept != i)
            list[kept] = std::move(d);
        ++kept;
    }
    list.erase(list.begin() + static_cast<std::ptrdiff_t>(kept), list.end());
}

std::optional<UserMessage> SaveCRCDatabase(std::string_view nameText, const FileList &list)
{
    const std::string name = StripQuotes(nameText);
    std::string bytes;
    bytes.reserve(4 + 8 * list.size());
    std::uint32_t count = 0;
    putLe32(bytes, 0); // patched below
    for (const TFileData &d : list) {
        if (!d.CrcKnown)
            continue;
        putLe32(bytes, static_cast<std::uint32_t>(d.FileSize));
        putLe32(bytes, d.CRC);
        ++count;
    }
    if (count > 0x7FFFFFFFu)
        return saveError(name, "too many entries");
    for (int i = 0; i < 4; ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<char>((count >> (8 * i)) & 0xFF);

    if (name.empty())
        return saveError(name, "empty file name");
    // Never in place: a failed save leaves an earlier database whole, and a name that leads to
    // a device or a folder is refused rather than replaced.
    if (const platform::FileWriteResult written = platform::WriteFileAtomically(name, bytes);
        !written)
        return saveError(name, written.message);
    return std::nullopt;
}

} // namespace twinly
