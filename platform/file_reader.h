// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a file's content for checksums. Opening never blocks and never follows a file that
// turned into something else since the walk (a FIFO would block a reader forever).
#pragma once

#include "file_identity.h"
#include "read_buffer.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace twinly::platform {

class FileReader {
public:
    FileReader() = default;
    ~FileReader();
    FileReader(FileReader &&other) noexcept;
    FileReader &operator=(FileReader &&other) noexcept;
    FileReader(const FileReader &) = delete;
    FileReader &operator=(const FileReader &) = delete;

    // Opens a regular file for reading; isOpen() is false on any failure. Paths longer than the
    // system's limit are opened a few folders at a time, so deep trees still get read.
    // `error` receives errno when the open fails, or 0 when the path is not a regular file.
    // A link in the last place is refused unless `followLink` (the user named that file).
    static FileReader open(const std::string &path, bool followLink = false, int *error = nullptr);
    // `name` relative to an open folder handle (see Directory::nativeHandle), which spares the
    // system resolving the folder's whole path again for every file in it.
    static FileReader openAt(int folderHandle, const char *name, int *error = nullptr);
    bool isOpen() const { return m_fd >= 0; }
    // As the file was at open (a regular file).
    const FileIdentity &identity() const { return m_identity; }
    // As the file is now; false when it cannot be asked.
    bool currentIdentity(FileIdentity &out) const;
    // Bytes read (fewer only at the end), 0 at the end, -1 on an error.
    std::int64_t read(void *buffer, std::size_t size);
    // Asks the system to start reading the first `maxBytes` into memory now, for a file that
    // will soon be read in no order of its own (a store walked through a memory map). A hint:
    // nothing happens where the system takes none.
    void readAhead(std::uint64_t maxBytes) const;
    // The rest of the file, in place of what `out` held (in its room, when it has enough). False
    // on a read error, or when it holds more than `maxBytes`: the size it had at open is no
    // promise (the kernel's own files say 0 and hand out far more). `out` is then empty, or as
    // it was when the size at open is already over `maxBytes`.
    bool readToEnd(std::string &out, std::size_t maxBytes);
    bool readToEnd(ReadBuffer &out, std::size_t maxBytes);

private:
    explicit FileReader(int fd) : m_fd(fd) {}
    template<typename Open>
    static FileReader openWith(Open &&openFile, bool followLink, int *error);
    int m_fd = -1;
    FileIdentity m_identity;
};

enum class WholeFileStatus : std::uint8_t { Ok, Absent, NotRegular, Failed };

// A whole regular file of at most `maxBytes`, for files the user points at (settings, language
// files): a link to one is followed, and a FIFO in its place cannot hang the reader. Absent
// when nothing has the name; Failed for every other error, a file too large among them.
WholeFileStatus ReadWholeFile(const std::string &path, std::size_t maxBytes, std::string &out);

} // namespace twinly::platform
