// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings_store.h"

#include "profile_file.h" // IsValidUtf8

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <utility>

namespace twinly::platform {

namespace {

constexpr std::string_view kKeyName = "HKEY_CURRENT_USER\\Software\\Quellon\\Zorvik";
constexpr std::string_view kBom = "\xEF\xBB\xBF";
// Far beyond any real settings file; a larger one is taken for damage and never read into memory.
constexpr off_t kMaxFileSize = 4 * 1024 * 1024;
// Registry exports wrap long hex data before this column.
constexpr std::size_t kWrapColumn = 80;

constexpr std::uint32_t typeNumber(RegType t)
{
    return static_cast<std::uint32_t>(t);
}

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    }
    return true;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && equalsNoCase(text.substr(0, prefix.size()), prefix);
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

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// One to eight hex digits and nothing else.
bool parseHex32(std::string_view digits, std::uint32_t &out)
{
    if (digits.empty() || digits.size() > 8)
        return false;
    std::uint32_t v = 0;
    for (char c : digits) {
        const int d = hexDigit(c);
        if (d < 0)
            return false;
        v = v << 4 | static_cast<std::uint32_t>(d);
    }
    out = v;
    return true;
}

bool validName(std::string_view name)
{
    if (name.empty())
        return false;
    for (char c : name) {
        if (isControl(c))
            return false;
    }
    return true;
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
        std::size_t k = 0;
        for (;;) {
            while (k < part.size() && isSpace(part[k]))
                ++k;
            if (k == part.size())
                break;
            if (k + 1 >= part.size())
                return false;
            const int hi = hexDigit(part[k]);
            const int lo = hexDigit(part[k + 1]);
            if (hi < 0 || lo < 0)
                return false;
            out.push_back(static_cast<std::uint8_t>(hi << 4 | lo));
            k += 2;
            while (k < part.size() && isSpace(part[k]))
                ++k;
            if (k == part.size())
                break;
            if (part[k] != ',')
                return false;
            ++k;
        }
        if (!continued)
            return true;
        std::string_view line;
        if (!lines.next(line))
            return true;
        part = trim(line);
    }
}

enum class ParseStatus { Ok, NoKey, Damaged };

void storeValue(std::vector<SettingsKey::Value> &values, std::string_view name, std::uint32_t type,
                std::vector<std::uint8_t> data)
{
    for (SettingsKey::Value &v : values) {
        if (equalsNoCase(v.name, name)) {
            v.type = type;
            v.data = std::move(data);
            return;
        }
    }
    values.push_back({std::string(name), type, std::move(data)});
}

bool parseValueLine(std::string_view line, LineReader &lines,
                    std::vector<SettingsKey::Value> &values)
{
    std::string name;
    std::size_t i = 0;
    if (line[0] == '@') {
        i = 1;
    } else {
        if (!parseQuoted(line, name, i))
            return false;
        for (char c : name) {
            if (isControl(c))
                return false;
        }
    }
    // The default value ("@", or an empty name) means nothing to the program.
    const bool isDefault = name.empty();
    line = trimLeft(line.substr(i));
    if (line.empty() || line[0] != '=')
        return false;
    const std::string_view data = trimLeft(line.substr(1));

    if (data == "-") {
        if (!isDefault) {
            std::erase_if(values, [&](const auto &v) { return equalsNoCase(v.name, name); });
        }
        return true;
    }
    std::uint32_t type = 0;
    std::vector<std::uint8_t> bytes;
    if (!data.empty() && data[0] == '"') {
        std::string text;
        std::size_t used = 0;
        if (!parseQuoted(data, text, used) || used != data.size())
            return false;
        type = typeNumber(RegType::Sz);
        bytes.assign(text.begin(), text.end());
        bytes.push_back(0);
    } else if (startsWithNoCase(data, "dword:")) {
        std::uint32_t v = 0;
        if (!parseHex32(data.substr(6), v))
            return false;
        type = typeNumber(RegType::Dword);
        for (int k = 0; k < 4; ++k)
            bytes.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
    } else if (startsWithNoCase(data, "hex")) {
        std::size_t k = 3;
        type = typeNumber(RegType::Binary);
        if (k < data.size() && data[k] == '(') {
            const std::size_t close = data.find(')', k);
            if (close == std::string_view::npos ||
                !parseHex32(data.substr(k + 1, close - k - 1), type))
                return false;
            k = close + 1;
        }
        if (k >= data.size() || data[k] != ':')
            return false;
        if (!parseHexBytes(data.substr(k + 1), lines, bytes))
            return false;
    } else {
        return false;
    }
    if (!isDefault)
        storeValue(values, name, type, std::move(bytes));
    return true;
}

// Keys other than the program's own are kept as text, each where it stood relative to the
// program's key, so that a save writes them back as they were.
struct OtherKeys {
    std::string before;
    std::string after;
};

ParseStatus parseText(std::string_view text, std::vector<SettingsKey::Value> &values,
                      OtherKeys *others = nullptr)
{
    if (text.starts_with(kBom))
        text.remove_prefix(kBom.size());
    LineReader lines(text);
    std::string_view line;
    bool header = false;
    while (!header && lines.next(line)) {
        line = trim(line);
        if (line.empty())
            continue;
        if (!equalsNoCase(line, "REGEDIT4") &&
            !equalsNoCase(line, "Windows Registry Editor Version 5.00"))
            return ParseStatus::Damaged;
        header = true;
    }
    if (!header)
        return ParseStatus::Damaged;

    enum class Section { None, Ours, Other } section = Section::None;
    bool found = false;
    while (lines.next(line)) {
        const std::string_view raw = trimRight(line);
        line = trim(line);
        if (line.empty() || line[0] == ';') {
            // The user's comments above all keys stay there too; blank lines there do not,
            // or every save would add one.
            const bool keep =
                section == Section::Other || (section == Section::None && !line.empty());
            if (keep && others)
                (found ? others->after : others->before).append(raw).push_back('\n');
            continue;
        }
        if (line.front() == '[' && line.back() == ']') {
            if (equalsNoCase(line.substr(1, line.size() - 2), kKeyName)) {
                section = Section::Ours;
                found = true;
                continue;
            }
            section = Section::Other;
        }
        // Other keys are not this program's business, whatever they hold.
        if (section == Section::Other) {
            if (others)
                (found ? others->after : others->before).append(raw).push_back('\n');
            continue;
        }
        if (section == Section::None || !parseValueLine(line, lines, values))
            return ParseStatus::Damaged;
    }
    return found ? ParseStatus::Ok : ParseStatus::NoKey;
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
    static constexpr char digits[] = "0123456789abcdef";
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
        out.push_back(digits[data[i] >> 4]);
        out.push_back(digits[data[i] & 0xF]);
        column += 2;
    }
}

void appendValue(std::string &out, const SettingsKey::Value &v)
{
    const std::size_t lineStart = out.size();
    appendQuoted(out, v.name);
    out.push_back('=');
    const auto &d = v.data;
    if (v.type == typeNumber(RegType::Sz) && !d.empty() && d.back() == 0) {
        const std::string_view text(reinterpret_cast<const char *>(d.data()), d.size() - 1);
        bool plain = IsValidUtf8(text);
        for (char c : text)
            plain = plain && !isControl(c);
        // A control character (a line break above all) would break the one-value-per-line
        // form, and bytes that are not UTF-8 (a file name can hold any) would make the file
        // no longer text; such a string goes out as bytes, and reads back byte for byte.
        if (plain) {
            appendQuoted(out, text);
            out.push_back('\n');
            return;
        }
    }
    if (v.type == typeNumber(RegType::Dword) && d.size() == 4) {
        const std::uint32_t value =
            static_cast<std::uint32_t>(d[0]) | static_cast<std::uint32_t>(d[1]) << 8 |
            static_cast<std::uint32_t>(d[2]) << 16 | static_cast<std::uint32_t>(d[3]) << 24;
        static constexpr char digits[] = "0123456789abcdef";
        out += "dword:";
        for (int shift = 28; shift >= 0; shift -= 4)
            out.push_back(digits[(value >> shift) & 0xF]);
        out.push_back('\n');
        return;
    }
    if (v.type == typeNumber(RegType::Binary)) {
        out += "hex:";
    } else {
        static constexpr char digits[] = "0123456789abcdef";
        std::string number;
        std::uint32_t t = v.type;
        do {
            number.insert(number.begin(), digits[t & 0xF]);
            t >>= 4;
        } while (t != 0);
        out += "hex(" + number + "):";
    }
    appendHexBytes(out, out.size() - lineStart, d);
    out.push_back('\n');
}

enum class ReadStatus { Ok, Absent, NotRegular, Failed };

ReadStatus readFile(const std::string &path, std::string &out)
{
    // Non-blocking, so that a FIFO put in the file's place cannot hang the program.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? ReadStatus::Absent : ReadStatus::Failed;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return ReadStatus::Failed;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return ReadStatus::NotRegular;
    }
    if (st.st_size > kMaxFileSize) {
        ::close(fd);
        return ReadStatus::Failed;
    }
    std::string text;
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || text.size() + static_cast<std::size_t>(n) > kMaxFileSize) {
            ::close(fd);
            return ReadStatus::Failed;
        }
        if (n == 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    out = std::move(text);
    return ReadStatus::Ok;
}

// A file in the settings file's place that holds something, but nothing this program can read
// (a hand edit gone wrong, a file far too large, one its owner made unreadable): worth keeping
// for the user, as the next save replaces it.
bool holdsDamagedFile(const std::string &path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0)
        return false;
    std::string text;
    const ReadStatus status = readFile(path, text);
    if (status == ReadStatus::Failed)
        return true;
    std::vector<SettingsKey::Value> values;
    return status == ReadStatus::Ok && parseText(text, values) == ParseStatus::Damaged;
}

std::string withoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string folderOf(const std::string &path)
{
    const std::string p = withoutTrailingSlashes(path);
    const std::size_t slash = p.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return p.substr(0, slash);
}

std::string fileNameOf(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
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
    std::string name = fileNameOf(target);
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
    char buffer[16384];
    bool ok = true;
    for (;;) {
        ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        for (const char *p = buffer; ok && n > 0;) {
            const ssize_t w = ::write(out, p, static_cast<std::size_t>(n));
            if (w < 0 && errno == EINTR)
                continue;
            ok = w > 0;
            if (ok) {
                p += w;
                n -= w;
            }
        }
        if (!ok)
            break;
    }
    ok = ok && ::fsync(out) == 0;
    const int e = errno;
    ok = ::close(out) == 0 && ok;
    ::close(in);
    if (!ok) {
        ::unlink(to.c_str());
        errno = e;
    }
    return ok;
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

const SettingsKey::Value *SettingsKey::find(std::string_view name) const
{
    for (const Value &v : m_values) {
        if (equalsNoCase(v.name, name))
            return &v;
    }
    return nullptr;
}

void SettingsKey::put(std::string_view name, std::uint32_t type, std::vector<std::uint8_t> data)
{
    if (!validName(name))
        return;
    storeValue(m_values, name, type, std::move(data));
}

std::optional<SettingsKey> SettingsKey::parse(std::string_view text)
{
    SettingsKey key;
    OtherKeys others;
    if (parseText(text, key.m_values, &others) != ParseStatus::Ok)
        return std::nullopt;
    key.m_otherKeysBefore = std::move(others.before);
    key.m_otherKeysAfter = std::move(others.after);
    return key;
}

bool SettingsKey::load(const std::string &path, bool withoutKey)
{
    std::string text;
    if (readFile(path, text) != ReadStatus::Ok)
        return false;
    OtherKeys others;
    std::vector<Value> values;
    const ParseStatus status = parseText(text, values, &others);
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

bool SettingsKey::readString(std::string_view name, std::string &out) const
{
    const Value *v = find(name);
    if (!v || (v->type != typeNumber(RegType::Sz) && v->type != typeNumber(RegType::ExpandSz)))
        return false;
    std::size_t size = v->data.size();
    if (size > 0 && v->data.back() == 0)
        --size;
    out.assign(reinterpret_cast<const char *>(v->data.data()), size);
    return true;
}

bool SettingsKey::readDword(std::string_view name, std::uint32_t &out) const
{
    const Value *v = find(name);
    if (!v || v->type != typeNumber(RegType::Dword) || v->data.size() != 4)
        return false;
    out = static_cast<std::uint32_t>(v->data[0]) | static_cast<std::uint32_t>(v->data[1]) << 8 |
          static_cast<std::uint32_t>(v->data[2]) << 16 |
          static_cast<std::uint32_t>(v->data[3]) << 24;
    return true;
}

bool SettingsKey::readBinary(std::string_view name, std::size_t capacity,
                             std::vector<std::uint8_t> &out) const
{
    const Value *v = find(name);
    if (!v || v->type == typeNumber(RegType::Sz) || v->type == typeNumber(RegType::ExpandSz) ||
        v->type == typeNumber(RegType::Dword) || v->data.size() > capacity)
        return false;
    out = v->data;
    return true;
}

bool SettingsKey::hasValue(std::string_view name) const
{
    return find(name) != nullptr;
}

void SettingsKey::writeString(std::string_view name, std::string_view text)
{
    std::vector<std::uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    put(name, typeNumber(RegType::Sz), std::move(data));
}

void SettingsKey::writeDword(std::string_view name, std::uint32_t value)
{
    std::vector<std::uint8_t> data;
    for (int k = 0; k < 4; ++k)
        data.push_back(static_cast<std::uint8_t>(value >> (8 * k)));
    put(name, typeNumber(RegType::Dword), std::move(data));
}

void SettingsKey::writeBinary(std::string_view name, std::span<const std::uint8_t> bytes)
{
    put(name, typeNumber(RegType::Binary), std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

std::string SettingsKey::serialize() const
{
    std::string out = "REGEDIT4\n\n";
    if (!m_otherKeysBefore.empty()) {
        out += m_otherKeysBefore;
        if (!out.ends_with("\n\n"))
            out.push_back('\n');
    }
    out.push_back('[');
    out += kKeyName;
    out += "]\n";
    for (const Value &v : m_values)
        appendValue(out, v);
    out.push_back('\n');
    out += m_otherKeysAfter;
    return out;
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
    if (text.size() > static_cast<std::size_t>(kMaxFileSize))
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
        const char *home = std::getenv("HOME");
        std::string homeDir = home ? home : "";
        if (homeDir.empty()) {
            long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
            std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
            passwd pw{};
            passwd *found = nullptr;
            if (::getpwuid_r(::getuid(), &pw, buffer.data(), buffer.size(), &found) == 0 && found &&
                found->pw_dir)
                homeDir = found->pw_dir;
        }
        base = homeDir + "/.config";
    }
    base = withoutTrailingSlashes(std::move(base));
    if (base == "/")
        base.clear();
    return base + "/Quellon/Zorvik.reg";
}

namespace {

bool isBlank(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u >= 1 && u <= 32;
}

bool needsQuotes(std::string_view entry)
{
    for (char c : entry) {
        if (static_cast<unsigned char>(c) <= 32 || c == '"' || c == ',')
            return true;
    }
    return false;
}

} // namespace

std::string EncodeCommaList(const std::vector<std::string> &entries)
{
    std::string out;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i > 0)
            out.push_back(',');
        const std::string &e = entries[i];
        // An empty entry written as nothing would vanish when alone or last, so it is quoted
        // wherever it stands.
        if (e.empty() || needsQuotes(e)) {
            out.push_back('"');
            for (char c : e) {
                if (c == '"')
                    out.push_back('"');
                out.push_back(c);
            }
            out.push_back('"');
        } else {
            out += e;
        }
    }
    return out;
}

std::vector<std::string> DecodeCommaList(std::string_view text)
{
    std::vector<std::string> list;
    // A NUL ends the text, as it ends a C string.
    if (const std::size_t nul = text.find('\0'); nul != std::string_view::npos)
        text = text.substr(0, nul);
    const std::size_t n = text.size();
    std::size_t i = 0;
    const auto skipBlanks = [&] {
        while (i < n && isBlank(text[i]))
            ++i;
    };
    skipBlanks();
    while (i < n) {
        // Every turn consumes something: a quote, a character of an entry, or a comma (the
        // only other thing that can stand here, as blanks were skipped).
        std::string entry;
        if (text[i] == '"') {
            ++i;
            while (i < n) {
                if (text[i] == '"') {
                    if (i + 1 < n && text[i + 1] == '"') {
                        entry.push_back('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                entry.push_back(text[i++]);
            }
        } else {
            while (i<n &&static_cast<unsigned char>(text[i])> 32 && text[i] != ',')
                entry.push_back(text[i++]);
        }
        list.push_back(std::move(entry));
        skipBlanks();
        if (i < n && text[i] == ',') {
            ++i;
            skipBlanks();
        }
    }
    return list;
}

} // namespace twinly::platform
