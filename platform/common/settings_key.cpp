// SPDX-License-Identifier: GPL-3.0-or-later
// The key's values in memory; reading and writing the file is the system's part.
#include "settings_store.h"

#include "little_endian.h"
#include "settings_text.h"

#include <utility>

namespace twinly::platform {

namespace {

constexpr std::uint32_t typeNumber(RegType t)
{
    return static_cast<std::uint32_t>(t);
}

} // namespace

const SettingsKey::Value *SettingsKey::find(std::string_view name) const
{
    return settings_text::Find(m_values, name);
}

void SettingsKey::put(std::string_view name, std::uint32_t type, std::vector<std::uint8_t> data)
{
    if (!settings_text::ValidName(name))
        return;
    settings_text::Store(m_values, name, type, std::move(data));
}

std::optional<SettingsKey> SettingsKey::parse(std::string_view text)
{
    SettingsKey key;
    settings_text::OtherKeys others;
    if (settings_text::Parse(text, key.m_values, &others) != settings_text::ParseStatus::Ok)
        return std::nullopt;
    key.m_otherKeysBefore = std::move(others.before);
    key.m_otherKeysAfter = std::move(others.after);
    return key;
}

std::string SettingsKey::serialize() const
{
    return settings_text::Serialize(m_values, {m_otherKeysBefore, m_otherKeysAfter});
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
    out = Le32At(v->data.data());
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
    AppendLe32(data, value);
    put(name, typeNumber(RegType::Dword), std::move(data));
}

void SettingsKey::writeBinary(std::string_view name, std::span<const std::uint8_t> bytes)
{
    put(name, typeNumber(RegType::Binary), std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

} // namespace twinly::platform
