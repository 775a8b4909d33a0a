// SPDX-License-Identifier: GPL-3.0-or-later
// The text form of the settings file (a registry export): reading it into values and writing
// values back. Nothing here touches the disk.
#pragma once

#include "settings_store.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace twinly::platform::settings_text {

// Far beyond any real settings file; a larger one is taken for damage and never read into memory.
inline constexpr std::size_t kMaxFileSize = 4 * 1024 * 1024;

enum class ParseStatus { Ok, NoKey, Damaged };

// Keys other than the program's own are kept as text, each where it stood relative to the
// program's key, so that a save writes them back as they were.
struct OtherKeys {
    std::string before;
    std::string after;
};

ParseStatus Parse(std::string_view text, std::vector<SettingsKey::Value> &values,
                  OtherKeys *others = nullptr);
std::string Serialize(const std::vector<SettingsKey::Value> &values, const OtherKeys &others);

// Names match ignoring the case of ASCII letters, as the registry's do.
const SettingsKey::Value *Find(const std::vector<SettingsKey::Value> &values,
                               std::string_view name);
// Replaces the value of that name, or adds one at the end.
void Store(std::vector<SettingsKey::Value> &values, std::string_view name, std::uint32_t type,
           std::vector<std::uint8_t> data);
// A name a file can hold: not empty, no control characters.
bool ValidName(std::string_view name);

} // namespace twinly::platform::settings_text
