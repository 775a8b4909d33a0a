// SPDX-License-Identifier: GPL-3.0-or-later
// Input: the bytes of a settings file, also taken as a comma list.
#include "settings_store.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using twinly::platform::SettingsKey;

namespace {

void check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

void readEveryWay(const SettingsKey &key, std::string_view name)
{
    std::string s;
    std::uint32_t d = 0;
    std::vector<std::uint8_t> b;
    key.readString(name, s);
    key.readDword(name, d);
    key.readBinary(name, 16, b);
    key.hasValue(name);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char *>(data), size);

    const std::vector<std::string> list = twinly::platform::DecodeCommaList(input);
    check(twinly::platform::DecodeCommaList(twinly::platform::EncodeCommaList(list)) == list);

    const auto key = SettingsKey::parse(input);
    if (!key)
        return 0;
    for (const char *name : {"Paths", "DeleteMethod", "Setings", "MovePaths"})
        readEveryWay(*key, name);
    // Each value reads back through exactly the reader its type belongs to.
    for (const SettingsKey::Value &v : key->values()) {
        const bool isString = v.type == 1 || v.type == 2;
        const bool isDword = v.type == 4;
        std::string s;
        std::uint32_t d = 0;
        std::vector<std::uint8_t> b;
        check(key->hasValue(v.name));
        check(key->readString(v.name, s) == isString);
        check(key->readDword(v.name, d) == (isDword && v.data.size() == 4));
        check(key->readBinary(v.name, v.data.size(), b) == (!isString && !isDword));
        if (!isString && !isDword) {
            check(b == v.data);
            check(v.data.empty() || !key->readBinary(v.name, v.data.size() - 1, b));
        }
    }

    // What the writer makes of it reads back the same, and writes the same text again.
    const std::string text = key->serialize();
    const auto again = SettingsKey::parse(text);
    check(again && again->values() == key->values());
    check(again->serialize() == text);

    // Values written through the typed writers survive too.
    SettingsKey copy = *again;
    for (const SettingsKey::Value &v : key->values()) {
        std::string s;
        std::uint32_t d = 0;
        std::vector<std::uint8_t> b;
        if (key->readString(v.name, s))
            copy.writeString(v.name, s);
        else if (key->readDword(v.name, d))
            copy.writeDword(v.name, d);
        else if (key->readBinary(v.name, v.data.size(), b))
            copy.writeBinary(v.name, b);
    }
    const auto third = SettingsKey::parse(copy.serialize());
    check(third && third->values() == copy.values());
    return 0;
}
