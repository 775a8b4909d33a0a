// SPDX-License-Identifier: GPL-3.0-or-later
// Result rows as text. csv follows RFC 4180 (fields with a comma, quote, CR or LF are quoted,
// quotes doubled) and keeps a path's bytes exactly as the file system has them, so a path read
// back names the same file. json must be UTF-8: bytes that are not become U+FFFD in "path",
// and such rows carry "path_hex", the exact bytes in hexadecimal.
#include "output.h"

#include "dos_time.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <iterator>
#include <ostream>

namespace twinly::cli {

std::string CrcText(const TFileData &d)
{
    if (!d.CrcKnown || d.CRC == 0)
        return {};
    return std::to_string(static_cast<std::int32_t>(d.CRC));
}

std::string TimeText(DosTime t)
{
    if (t == 0)
        return {};
    const DosFields f = UnpackDosTime(t);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", f.year, f.month, f.day, f.hour,
                  f.minute, f.second);
    return buf;
}

std::string CsvField(std::string_view s)
{
    if (s.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(s);
    std::string out = "\"";
    for (char c : s) {
        if (c == '"')
            out += "\"\"";
        else
            out.push_back(c);
    }
    out.push_back('"');
    return out;
}

namespace {

// Length of the valid UTF-8 sequence at s[i], or 0.
std::size_t utf8Length(std::string_view s, std::size_t i)
{
    const auto b0 = static_cast<unsigned char>(s[i]);
    std::size_t len;
    std::uint32_t cp;
    if (b0 < 0x80)
        return 1;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
        cp = b0 & 0x1Fu;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        cp = b0 & 0x0Fu;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        cp = b0 & 0x07u;
    } else {
        return 0;
    }
    if (i + len > s.size())
        return 0;
    for (std::size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80)
            return 0;
        cp = cp << 6 | (b & 0x3Fu);
    }
    const bool overlong = (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000);
    const bool surrogate = cp >= 0xD800 && cp <= 0xDFFF;
    if (overlong || surrogate || cp > 0x10FFFF)
        return 0;
    return len;
}

} // namespace

std::string JsonString(std::string_view s, bool *lossy)
{
    std::string out = "\"";
    if (lossy)
        *lossy = false;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t len = utf8Length(s, i);
        if (len == 0) {
            out += "\xEF\xBF\xBD";
            if (lossy)
                *lossy = true;
            ++i;
            continue;
        }
        const char c = s[i];
        if (len > 1) {
            out.append(s.substr(i, len));
        } else if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
            out += buf;
        } else {
            out.push_back(c);
        }
        i += len;
    }
    out.push_back('"');
    return out;
}

std::string HexBytes(std::string_view s)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(s.size() * 2);
    for (unsigned char c : s) {
        out.push_back(digits[c >> 4]);
        out.push_back(digits[c & 15]);
    }
    return out;
}

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

void WriteRows(std::ostream &out, Format format, const FileList &rows, const RowBand &bands)
{
    if (format == Format::Csv)
        out << "band,path,size,time,crc\n";
    if (format == Format::Json)
        out << "[";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const TFileData &d = rows[i];
        const int band = i < bands.size() ? bands[i] : 1;
        switch (format) {
        case Format::Paths:
            out << d.FullName << '\n';
            if (i + 1 == rows.size() || (i + 1 < bands.size() && bands[i + 1] != bands[i]))
                out << '\n';
            break;
        case Format::Csv:
            out << band << ',' << CsvField(d.FullName) << ',' << d.FileSize << ','
                << TimeText(d.FileTime) << ',' << CrcText(d) << '\n';
            break;
        case Format::Json: {
            bool lossy = false;
            const std::string path = JsonString(d.FullName, &lossy);
            const std::string time = TimeText(d.FileTime);
            const std::string crc = CrcText(d);
            out << (i ? ",\n " : "\n ") << "{\"band\":" << band << ",\"path\":" << path;
            if (lossy)
                out << ",\"path_hex\":\"" << HexBytes(d.FullName) << '"';
            out << ",\"size\":" << d.FileSize
                << ",\"time\":" << (time.empty() ? "null" : "\"" + time + "\"")
                << ",\"crc\":" << (crc.empty() ? "null" : crc) << '}';
            break;
        }
        }
    }
    if (format == Format::Json)
        out << (rows.empty() ? "]\n" : "\n]\n");
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
    while (left > 0 && m_error == 0) {
        const ssize_t written = ::write(m_fd, p, left);
        if (written < 0) {
            if (errno != EINTR)
                m_error = errno;
            continue;
        }
        if (written == 0) {
            m_error = EIO; // no progress: waiting longer would not help
            break;
        }
        p += written;
        left -= static_cast<std::size_t>(written);
    }
    return m_error == 0;
}

} // namespace twinly::cli
