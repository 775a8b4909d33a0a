// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings_text.h"

#include "little_endian.h"
#include "text.h"

#include <utility>

namespace twinly::platform::settings_text {

namespace {

constexpr std::string_view kKeyName = "HKEY_CURRENT_USER\\Software\\Quellon\\Zorvik";
constexpr std::string_view kBom = "\xEF\xBB\xBF";
// Registry exports wrap long hex data before this column.
constexpr std::size_t kWrapColumn = 80;

constexpr std::uint32_t typeNumber(RegType t)
{
    return static_cast<std::uint32_t>(t);
}

bool isControl(char c)
{
    return static_cast<unsigned char>(c) < 32;
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trimLeft(std::string_view s)
{
    while (!s.empty() && isSpace(s.front()))
        s.remove_prefix(1);
    return s;
}

std::string_view trimRight(std::string_view s)
{
    while (!s.empty() && (isSpace(s.back()) || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

std::string_view trim(std::string_view s)
{
    return trimLeft(trimRight(s));
}

// One to eight hex digits and nothing else.
bool parseHex32(std::string_view digits, std::uint32_t &out)
{
    if (digits.empty() || digits.size() > 8)
        return false;
    std::uint32_t v = 0;
    for (char c : digits) {
        const int d = HexDigitValue(c);
        if (d < 0)
            return false;
        v = v << 4 | static_cast<std::uint32_t>(d);
    }
    out = v;
    return true;
}

bool hasControl(std::string_view text)
{
    for (char c : text)
        if (isControl(c))
            return true;
    return false;
}

class LineReader {
public:
    explicit LineReader(std::string_view text) : m_text(text) {}
    bool next(std::string_view &line)
    {
        if (m_pos >= m_text.size())
            return false;
        const std::size_t end = m_text.find('\n', m_pos);
        const std::size_t stop = end == std::string_view::npos ? m_text.size() : end;
        line = m_text.substr(m_pos, stop - m_pos);
        m_pos = end == std::string_view::npos ? m_text.size() : end + 1;
        return true;
    }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
};

// A double-quoted string starting at text[0] with \\ and \" escapes; `used` gets the length up
// to and including the closing quote.
bool parseQuoted(std::string_view text, std::string &out, std::size_t &used)
{
    if (text.empty() || text[0] != '"')
        return false;
    std::string result;
    for (std::size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            out = std::move(result);
            used = i + 1;
            return true;
        }
        if (c == '\\') {
            // Exports escape nothing else; anything more is a hand edit gone wrong.
            if (i + 1 >= text.size() || (text[i + 1] != '\\' && text[i + 1] != '"'))
                return false;
            ++i;
            result.push_back(text[i]);
            continue;
        }
        result.push_back(c);
    }
    return false;
}

// One line's comma-separated two-digit bytes; a comma may end the line.
bool parseHexLine(std::string_view part, std::vector<std::uint8_t> &out)
{
    std::size_t k = 0;
    for (;;) {
        while (k < part.size() && isSpace(part[k]))
            ++k;
        if (k == part.size())
            return true;
        if (k + 1 >= part.size())
            return false;
        const int hi = HexDigitValue(part[k]);
        const int lo = HexDigitValue(part[k + 1]);
        if (hi < 0 || lo < 0)
            return false;
        out.push_back(static_cast<std::uint8_t>(hi << 4 | lo));
        k += 2;
        while (k < part.size() && isSpace(part[k]))
            ++k;
        if (k == part.size())
            return true;
        if (part[k] != ',')
            return false;
        ++k;
    }
}

// Comma-separated two-digit bytes, possibly spread over lines that end with a backslash.
bool parseHexBytes(std::string_view first, LineReader &lines, std::vector<std::uint8_t> &out)
{
    std::string_view part = first;
    for (;;) {
        bool continued = false;
        if (!part.empty() && part.back() == '\\') {
            continued = true;
            part.remove_suffix(1);
            part = trimRight(part);
        }
        if (!parseHexLine(part, out))
            return false;
        if (!continued)
            return true;
        std::string_view line;
        if (!lines.next(line))
            return true;
        part = trim(line);
    }
}

// "hex:" or "hex(N):" followed by bytes; `data` starts after "hex".
bool parseHexData(std::string_view data, LineReader &lines, std::uint32_t &type,
                  std::vector<std::uint8_t> &bytes)
{
    std::size_t k = 0;
    type = typeNumber(RegType::Binary);
    if (k < data.size() && data[k] == '(') {
        const std::size_t close = data.find(')', k);
        if (close == std::string_view::npos || !parseHex32(data.substr(k + 1, close - k - 1), type))
            return false;
        k = close + 1;
    }
    if (k >= data.size() || data[k] != ':')
        return false;
    return parseHexBytes(data.substr(k + 1), lines, bytes);
}

// What stands right of the "=": a quoted string, a dword or hex bytes.
bool parseData(std::string_view data, LineReader &lines, std::uint32_t &type,
               std::vector<std::uint8_t> &bytes)
{
    if (!data.empty() && data[0] == '"') {
        std::string text;
        std::size_t used = 0;
        if (!parseQuoted(data, text, used) || used != data.size())
            return false;
        type = typeNumber(RegType::Sz);
        bytes.assign(text.begin(), text.end());
        bytes.push_back(0);
        return true;
    }
    if (StartsWithIgnoringAsciiCase(data, "dword:")) {
        std::uint32_t v = 0;
        if (!parseHex32(data.substr(6), v))
            return false;
        type = typeNumber(RegType::Dword);
        AppendLe32(bytes, v);
        return true;
    }
    if (StartsWithIgnoringAsciiCase(data, "hex"))
        return parseHexData(data.substr(3), lines, type, bytes);
    return false;
}

bool parseValueLine(std::string_view line, LineReader &lines,
                    std::vector<SettingsKey::Value> &values)
{
    std::string name;
    std::size_t i = 0;
    if (line[0] == '@')
        i = 1;
    else if (!parseQuoted(line, name, i) || hasControl(name))
        return false;
    // The default value ("@", or an empty name) means nothing to the program.
    const bool isDefault = name.empty();
    line = trimLeft(line.substr(i));
    if (line.empty() || line[0] != '=')
        return false;
    const std::string_view data = trimLeft(line.substr(1));

    if (data == "-") {
        if (!isDefault)
            std::erase_if(values,
                          [&](const auto &v) { return EqualsIgnoringAsciiCase(v.name, name); });
        return true;
    }
    std::uint32_t type = 0;
    std::vector<std::uint8_t> bytes;
    if (!parseData(data, lines, type, bytes))
        return false;
    if (!isDefault)
        Store(values, name, type, std::move(bytes));
    return true;
}

// The first line that is not blank names the format.
bool readHeader(LineReader &lines)
{
    std::string_view line;
    while (lines.next(line)) {
        line = trim(line);
        if (line.empty())
            continue;
        return EqualsIgnoringAsciiCase(line, "REGEDIT4") ||
               EqualsIgnoringAsciiCase(line, "Windows Registry Editor Version 5.00");
    }
    return false;
}

void appendQuoted(std::string &out, std::string_view text)
{
    out.push_back('"');
    for (char c : text) {
        if (c == '\\' || c == '"')
            out.push_back('\\');
        out.push_back(c);
    }
    out.push_back('"');
}

void appendHexBytes(std::string &out, std::size_t column, const std::vector<std::uint8_t> &data)
{
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (i > 0) {
            out.push_back(',');
            ++column;
            // Room for the next byte, its comma and a backslash.
            if (column + 4 > kWrapColumn) {
                out += "\\\n  ";
                column = 2;
            }
        }
        AppendHexByte(out, data[i]);
        column += 2;
    }
}

// A string that can stand in quotes; false when it must go out as bytes.
bool appendPlainString(std::string &out, const std::vector<std::uint8_t> &d)
{
    if (d.empty() || d.back() != 0)
        return false;
    const std::string_view text(reinterpret_cast<const char *>(d.data()), d.size() - 1);
    // A control character (a line break above all) would break the one-value-per-line form,
    // and bytes that are not UTF-8 (a file name can hold any) would make the file no longer
    // text; such a string goes out as bytes, and reads back byte for byte.
    if (!IsValidUtf8(text) || hasControl(text))
        return false;
    appendQuoted(out, text);
    return true;
}

void appendValue(std::string &out, const SettingsKey::Value &v)
{
    const std::size_t lineStart = out.size();
    appendQuoted(out, v.name);
    out.push_back('=');
    const auto &d = v.data;
    if (v.type == typeNumber(RegType::Sz) && appendPlainString(out, d)) {
        out.push_back('\n');
        return;
    }
    if (v.type == typeNumber(RegType::Dword) && d.size() == 4) {
        out += "dword:" + HexNumber(Le32At(d.data()), 8) + "\n";
        return;
    }
    if (v.type == typeNumber(RegType::Binary))
        out += "hex:";
    else
        out += "hex(" + HexNumber(v.type) + "):";
    appendHexBytes(out, out.size() - lineStart, d);
    out.push_back('\n');
}

} // namespace

const SettingsKey::Value *Find(const std::vector<SettingsKey::Value> &values, std::string_view name)
{
    for (const SettingsKey::Value &v : values) {
        if (EqualsIgnoringAsciiCase(v.name, name))
            return &v;
    }
    return nullptr;
}

void Store(std::vector<SettingsKey::Value> &values, std::string_view name, std::uint32_t type,
           std::vector<std::uint8_t> data)
{
    for (SettingsKey::Value &v : values) {
        if (EqualsIgnoringAsciiCase(v.name, name)) {
            v.type = type;
            v.data = std::move(data);
            return;
        }
    }
    values.push_back({std::string(name), type, std::move(data)});
}

bool ValidName(std::string_view name)
{
    return !name.empty() && !hasControl(name);
}

ParseStatus Parse(std::string_view text, std::vector<SettingsKey::Value> &values, OtherKeys *others)
{
    if (text.starts_with(kBom))
        text.remove_prefix(kBom.size());
    LineReader lines(text);
    if (!readHeader(lines))
        return ParseStatus::Damaged;

    enum class Section { None, Ours, Other } section = Section::None;
    bool found = false;
    const auto keepAsText = [&](std::string_view raw) {
        if (others)
            (found ? others->after : others->before).append(raw).push_back('\n');
    };
    std::string_view line;
    while (lines.next(line)) {
        const std::string_view raw = trimRight(line);
        line = trim(line);
        if (line.empty() || line[0] == ';') {
            // The user's comments above all keys stay there too; blank lines there do not,
            // or every save would add one.
            if (section == Section::Other || (section == Section::None && !line.empty()))
                keepAsText(raw);
            continue;
        }
        if (line.front() == '[' && line.back() == ']') {
            if (EqualsIgnoringAsciiCase(line.substr(1, line.size() - 2), kKeyName)) {
                section = Section::Ours;
                found = true;
                continue;
            }
            section = Section::Other;
        }
        // Other keys are not this program's business, whatever they hold.
        if (section == Section::Other) {
            keepAsText(raw);
            continue;
        }
        if (section == Section::None || !parseValueLine(line, lines, values))
            return ParseStatus::Damaged;
    }
    return found ? ParseStatus::Ok : ParseStatus::NoKey;
}

std::string Serialize(const std::vector<SettingsKey::Value> &values, const OtherKeys &others)
{
    std::string out = "REGEDIT4\n\n";
    if (!others.before.empty()) {
        out += others.before;
        if (!out.ends_with("\n\n"))
            out.push_back('\n');
    }
    out.push_back('[');
    out += kKeyName;
    out += "]\n";
    for (const SettingsKey::Value &v : values)
        appendValue(out, v);
    out.push_back('\n');
    out += others.after;
    return out;
}

} // namespace twinly::platform::settings_text
