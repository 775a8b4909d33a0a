// SPDX-License-Identifier: GPL-3.0-or-later
#include "output.h"

#include "handle_io.h"

#include <cerrno>
#include <cstdio>
#include <iterator>
#include <ostream>

namespace twinly::cli {

std::string SizeText(std::uint64_t bytes)
{
    if (bytes < 1024)
        return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    static const char *const units[] = {"kB", "MB", "GB", "TB", "PB", "EB"};
    double value = static_cast<double>(bytes) / 1024.0;
    std::size_t unit = 0;
    // Rounded as printed: 1023.96 kB shows as 1.0 MB, not 1024.0 kB.
    while (value >= 1023.95 && unit + 1 < std::size(units)) {
        value /= 1024.0;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
    return text;
}

std::string CountsText(const ScanProgress::Counts &counts, std::optional<std::chrono::seconds> left)
{
    auto files = [](std::uint64_t n) { return std::to_string(n) + (n == 1 ? " file" : " files"); };
    if (!counts.reading || counts.filesToRead == 0)
        return files(counts.filesFound) + " found";
    std::string text = std::to_string(counts.filesRead) + " of " + files(counts.filesToRead) +
                       " read, " + SizeText(counts.bytesRead) + " of " +
                       SizeText(counts.bytesToRead);
    if (left)
        text += ", " + TimeLeftText(*left) + " left";
    return text;
}

FdStreamBuf::FdStreamBuf(int fd) : m_fd(fd)
{
    setp(m_buffer, m_buffer + sizeof m_buffer);
}

FdStreamBuf::~FdStreamBuf()
{
    drain();
}

FdStreamBuf::int_type FdStreamBuf::overflow(int_type ch)
{
    if (!drain())
        return traits_type::eof();
    if (!traits_type::eq_int_type(ch, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(ch);
        pbump(1);
    }
    return traits_type::not_eof(ch);
}

int FdStreamBuf::sync()
{
    return drain() ? 0 : -1;
}

bool FdStreamBuf::drain()
{
    const char *p = pbase();
    std::size_t left = static_cast<std::size_t>(pptr() - pbase());
    setp(m_buffer, m_buffer + sizeof m_buffer);
    if (left > 0 && m_error == 0)
        m_error = platform::WriteAll(m_fd, p, left);
    return m_error == 0;
}

} // namespace twinly::cli
