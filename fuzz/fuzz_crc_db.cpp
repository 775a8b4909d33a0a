// SPDX-License-Identifier: GPL-3.0-or-later
// Input: the bytes of a CRC database file.
#include "crc_db.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    twinly::CrcDatabase db;
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    const auto problem = twinly::ParseCRCDatabase(bytes, 0, db);
    twinly::FileList list = db.records();
    // Damage adds nothing; a good file adds exactly its count of entries, which round-trip.
    if (problem && !list.empty())
        __builtin_trap();
    if (!problem) {
        const std::uint32_t count =
            static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
            static_cast<std::uint32_t>(data[2]) << 16 | static_cast<std::uint32_t>(data[3]) << 24;
        if (list.size() != count || 4 + 8 * static_cast<std::uint64_t>(count) > size)
            __builtin_trap();
    }
    twinly::RemoveRepeatedEntries(list);
    return 0;
}
