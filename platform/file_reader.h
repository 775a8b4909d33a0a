// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a file's content for checksums. Opening never blocks and never follows a file that
// turned into something else since the walk (a FIFO would block a reader forever).
#pragma once

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

    // Opens a regular file for reading; isOpen() is false on any failure.
    static FileReader open(const std::string &path);
    bool isOpen() const { return m_fd >= 0; }
    // Bytes read (fewer only at the end), 0 at the end, -1 on an error.
    std::int64_t read(void *buffer, std::size_t size);

private:
    explicit FileReader(int fd) : m_fd(fd) {}
    int m_fd = -1;
};

} // namespace twinly::platform
