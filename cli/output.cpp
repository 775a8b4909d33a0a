// SPDX-License-Identifier: GPL-3.0-or-later
// Result rows as text. csv follows RFC 4180 (fields with a comma, quote, CR or LF are quoted,
// quotes doubled) and keeps a path's bytes exactly as the file system has them, so a path read
// back names the same file. json must be UTF-8: bytes that are not become U+FFFD in "path",
// and such rows carry "path_hex", the exact bytes in hexadecimal.
#include "output.h"

#include "dos_time.h"
#include "handle_io.h"
#include "text.h"

#include <cerrno>
#include <cstdio>
#include <ostream>

namespace twinly::cli {

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

std::string JsonString(std::string_view s, bool *lossy)
{
    std::string out = "\"";
    if (lossy)
        *lossy = false;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t len = platform::Utf8SequenceLength(s, i);
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
    std::string out;
    out.reserve(s.size() * 2);
    for (unsigned char c : s)
        platform::AppendHexByte(out, c);
    return out;
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
    if (left > 0 && m_error == 0)
        m_error = platform::WriteAll(m_fd, p, left);
    return m_error == 0;
}

} // namespace twinly::cli
