// SPDX-License-Identifier: GPL-3.0-or-later
// Standard output for twinly-cli; what is written there comes from report.h.
#pragma once

#include "progress.h"

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <streambuf>
#include <string>
#include <string_view>

namespace twinly::cli {

// A size in the units people read: "512 bytes", "1.5 kB", "3.4 MB", "1.2 GB" (of 1024).
std::string SizeText(std::uint64_t bytes);
// The counts of a running search: "1234 files found"; once files are read "120 of 450 files
// read, 1.2 MB of 3.4 MB", with ", 0:42 left" when the time left is known.
std::string CountsText(const ScanProgress::Counts &counts,
                       std::optional<std::chrono::seconds> left);

// A buffered stream over a file descriptor that keeps the reason of the first failed write
// (a full disk, a closed pipe), which an ostream's state alone does not tell. After a failure
// nothing more is written.
class FdStreamBuf final : public std::streambuf {
public:
    explicit FdStreamBuf(int fd);
    ~FdStreamBuf() override;
    FdStreamBuf(const FdStreamBuf &) = delete;
    FdStreamBuf &operator=(const FdStreamBuf &) = delete;

    int error() const { return m_error; } // an errno value, 0 while every write succeeded

protected:
    int_type overflow(int_type ch) override;
    int sync() override;

private:
    bool drain();

    int m_fd;
    int m_error = 0;
    char m_buffer[1 << 16];
};

} // namespace twinly::cli
