// SPDX-License-Identifier: GPL-3.0-or-later
// The program's per-user settings: one key of typed values, kept in a text file with the syntax
// of a registry export so that a Windows build and this one describe settings the same way and a
// user can read and edit the file by hand.
#pragma once

#include "atomic_file.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace twinly::platform {

// The value types that matter to the program; a value read from a file may carry any other type
// number (written there as hex(N)), and keeps it and its bytes through a save.
enum class RegType : std::uint32_t { Sz = 1, ExpandSz = 2, Binary = 3, Dword = 4 };

class SettingsKey {
public:
    // A value as the registry holds it: strings keep their terminating NUL, a dword is four
    // little-endian bytes.
    struct Value {
        std::string name;
        std::uint32_t type = 0;
        std::vector<std::uint8_t> data;
        bool operator==(const Value &) const = default;
    };

    // "Open without creating": nothing when the file is absent, unreadable, damaged (a
    // damaged file reads as a missing key) or lacks this key.
    static std::optional<SettingsKey> open(const std::string &path);
    // Opens the key, or starts an empty one when the file is absent, damaged or lacks it; fails
    // (nullopt) only when the folder for it cannot be created. The values already stored are
    // kept, so that a save keeps values written by other parts of the program that this writer
    // does not touch, and so are the other keys of the file.
    static std::optional<SettingsKey> create(const std::string &path);
    // The key in the text of a settings file; nothing when the text is damaged or has no such
    // key. The result has no file: save() on it fails.
    static std::optional<SettingsKey> parse(std::string_view text);

    // Reads fail (return false, leave `out` untouched) on a missing value or a wrong type.
    // REG_SZ or REG_EXPAND_SZ only; the value without its trailing NUL.
    bool readString(std::string_view name, std::string &out) const;
    // REG_DWORD only (and exactly four bytes).
    bool readDword(std::string_view name, std::uint32_t &out) const;
    // REG_BINARY or any other type that is neither a string nor a dword; fails when the value
    // holds more than `capacity` bytes.
    bool readBinary(std::string_view name, std::size_t capacity,
                    std::vector<std::uint8_t> &out) const;
    bool hasValue(std::string_view name) const;

    // Names are compared without regard to ASCII letter case; an existing value keeps its
    // spelling and its place. A name that is empty or holds a control character cannot be
    // written to the file's one-value-per-line form, and such a write is ignored.
    void writeString(std::string_view name, std::string_view text);
    void writeDword(std::string_view name, std::uint32_t value);
    void writeBinary(std::string_view name, std::span<const std::uint8_t> bytes);

    // Writes the whole file (this key and the file's other keys as they were read) in one
    // atomic replacement: a crash, a full disk or a target that is no regular file never
    // leaves a damaged, half-written or missing settings file. A link is written through. A
    // damaged file found there is first kept beside it as name.bad (name.bad2 ... when that is
    // taken). A new file is private to the user; a replaced one keeps its permissions, and
    // always its owner's right to read and write it.
    FileWriteResult save() const;

    // The text save() writes.
    std::string serialize() const;
    // In the order they were first read or written.
    const std::vector<Value> &values() const { return m_values; }
    const std::string &path() const { return m_path; }

private:
    bool load(const std::string &path, bool withoutKey);
    const Value *find(std::string_view name) const;
    void put(std::string_view name, std::uint32_t type, std::vector<std::uint8_t> data);

    std::string m_path;
    std::vector<Value> m_values;
    std::string m_otherKeysBefore; // the text of other keys, before and after this one
    std::string m_otherKeysAfter;
};

// $XDG_CONFIG_HOME/Quellon/Zorvik.reg, or $HOME/.config/Quellon/Zorvik.reg when that variable
// is unset, empty or not an absolute path.
std::string DefaultSettingsPath();

// Lists of folders and files as one string: entries separated by commas, an entry with a blank,
// a control character, a quote or a comma in double quotes (quotes inside doubled).
// An entry holding a NUL byte cannot be represented: the reader stops at the NUL.
std::string EncodeCommaList(const std::vector<std::string> &entries);
std::vector<std::string> DecodeCommaList(std::string_view text);

} // namespace twinly::platform
