// SPDX-License-Identifier: GPL-3.0-or-later
#include "report.h"

#include "dos_time.h"
#include "folder_identity.h"
#include "text.h"

#include <cstdio>
#include <optional>
#include <ostream>

namespace twinly {

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

std::string ShellQuote(std::string_view s)
{
    std::string out = "'";
    for (char c : s) {
        if (c == '\'')
            out += "'\\''";
        else
            out.push_back(c);
    }
    out.push_back('\'');
    return out;
}

namespace {

// A path inside a comment: a line break would end the comment and run the rest as a command.
std::string commentText(std::string_view s)
{
    std::string out(s);
    for (char &c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    return out;
}

// The rows of one group: [from, to).
struct Span {
    std::size_t from = 0, to = 0;
};

class Rows {
public:
    explicit Rows(const ReportRows &r) : m_r(r) {}
    std::size_t size() const { return m_r.rows.size(); }
    int band(std::size_t i) const { return i < m_r.bands.size() ? m_r.bands[i] : 1; }
    bool marked(std::size_t i) const { return i < m_r.marks.size() && m_r.marks[i] != 0; }
    bool hasMarks() const { return !m_r.marks.empty(); }
    // Whether row i starts a new group.
    bool startsGroup(std::size_t i) const
    {
        if (i == 0)
            return true;
        if (!m_r.groups.empty())
            return i >= m_r.groups.size() || m_r.groups[i] != m_r.groups[i - 1];
        return band(i) != band(i - 1);
    }
    Span groupAt(std::size_t from) const
    {
        std::size_t to = from + 1;
        while (to < size() && !startsGroup(to))
            ++to;
        return {from, to};
    }
    const TFileData &operator[](std::size_t i) const { return m_r.rows[i]; }
    std::string_view marksName() const { return m_r.marksName; }

private:
    const ReportRows &m_r;
};

void writeCsv(std::ostream &out, const Rows &rows)
{
    out << "band,path,size,time,crc,group,reference";
    if (rows.hasMarks())
        out << ',' << CsvField(rows.marksName());
    out << '\n';
    std::uint32_t group = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const TFileData &d = rows[i];
        group += rows.startsGroup(i) ? 1 : 0;
        out << rows.band(i) << ',' << CsvField(d.FullName) << ',' << d.FileSize << ','
            << TimeText(d.FileTime) << ',' << CrcText(d) << ',' << group << ','
            << (d.Reference ? 1 : 0);
        if (rows.hasMarks())
            out << ',' << (rows.marked(i) ? 1 : 0);
        out << '\n';
    }
}

void writeJson(std::ostream &out, const Rows &rows)
{
    out << "[";
    std::uint32_t group = 0;
    const std::string marksKey = JsonString(rows.marksName());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const TFileData &d = rows[i];
        group += rows.startsGroup(i) ? 1 : 0;
        bool lossy = false;
        const std::string path = JsonString(d.FullName, &lossy);
        const std::string time = TimeText(d.FileTime);
        const std::string crc = CrcText(d);
        out << (i ? ",\n " : "\n ") << "{\"band\":" << rows.band(i) << ",\"path\":" << path;
        if (lossy)
            out << ",\"path_hex\":\"" << HexBytes(d.FullName) << '"';
        out << ",\"size\":" << d.FileSize
            << ",\"time\":" << (time.empty() ? "null" : "\"" + time + "\"")
            << ",\"crc\":" << (crc.empty() ? "null" : crc) << ",\"group\":" << group
            << ",\"reference\":" << (d.Reference ? "true" : "false");
        if (rows.hasMarks())
            out << ',' << marksKey << ':' << (rows.marked(i) ? "true" : "false");
        out << '}';
    }
    out << (rows.size() == 0 ? "]\n" : "\n]\n");
}

void writePaths(std::ostream &out, const Rows &rows)
{
    for (std::size_t i = 0; i < rows.size(); ++i) {
        out << rows[i].FullName << '\n';
        if (i + 1 == rows.size() || rows.startsGroup(i + 1))
            out << '\n';
    }
}

// The copy a group's marked rows are checked against (and linked to): a reference file when
// there is one, else the first unmarked file on disk.
std::optional<std::size_t> keeperOf(const Rows &rows, Span g)
{
    std::optional<std::size_t> keeper;
    for (std::size_t i = g.from; i < g.to; ++i) {
        if (rows.marked(i) || !rows[i].OnDisk)
            continue;
        if (rows[i].Reference)
            return i;
        if (!keeper)
            keeper = i;
    }
    return keeper;
}

std::string absolute(const std::string &path)
{
    return path.starts_with('/') ? path : platform::CleanFolderPath(path);
}

void writeScriptLine(std::ostream &out, const std::string &keeper, const std::string &path,
                     ScriptAction action)
{
    const std::string k = ShellQuote(keeper), p = ShellQuote(path);
    out << "cmp -s -- " << k << ' ' << p << " && ";
    if (action == ScriptAction::Remove) {
        out << "rm -- " << p << '\n';
        return;
    }
    const std::string temp = ShellQuote(path + ".twinly-link");
    if (action == ScriptAction::HardLink)
        out << "ln -- " << k;
    else
        out << "ln -s -- " << ShellQuote(absolute(keeper));
    out << ' ' << temp << " && { mv -f -- " << temp << ' ' << p << " || rm -f -- " << temp
        << "; }\n";
}

void writeScript(std::ostream &out, const Rows &rows, ScriptAction action)
{
    out << "#!/bin/sh\n"
           "# Written by twinly-cli. Read it before running it: nothing has been changed yet.\n"
           "# Each command acts only while the kept copy of its group still has the same\n"
           "# content as the file it removes or replaces (cmp).\n";
    std::uint32_t number = 0;
    for (std::size_t from = 0; from < rows.size();) {
        const Span g = rows.groupAt(from);
        from = g.to;
        ++number;
        const std::optional<std::size_t> keeper = keeperOf(rows, g);
        out << "\n# group " << number << ": " << (g.to - g.from) << " rows of "
            << rows[g.from].FileSize << " bytes\n";
        for (std::size_t i = g.from; i < g.to; ++i) {
            const TFileData &d = rows[i];
            const char *role = rows.marked(i) ? "remove"
                               : !d.OnDisk    ? "database entry"
                               : d.Reference  ? "keep (reference)"
                                              : "keep";
            out << "#   " << role << ": " << commentText(d.FullName) << '\n';
        }
        if (!keeper)
            continue; // no copy to keep: nothing in this group is touched
        for (std::size_t i = g.from; i < g.to; ++i)
            if (rows.marked(i) && rows[i].OnDisk && !rows[i].Reference)
                writeScriptLine(out, rows[*keeper].FullName, rows[i].FullName, action);
    }
}

} // namespace

void WriteReport(std::ostream &out, ReportFormat format, const ReportRows &report,
                 ScriptAction action)
{
    const Rows rows(report);
    switch (format) {
    case ReportFormat::Paths:
        writePaths(out, rows);
        break;
    case ReportFormat::Csv:
        writeCsv(out, rows);
        break;
    case ReportFormat::Json:
        writeJson(out, rows);
        break;
    case ReportFormat::Shell:
        writeScript(out, rows, action);
        break;
    }
}

} // namespace twinly
