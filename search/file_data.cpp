// SPDX-License-Identifier: GPL-3.0-or-later
#include "file_data.h"

namespace twinly {

TFileData TFileData::onDisk(std::string_view dir, std::string_view name, std::int64_t size,
                            DosTime time)
{
    TFileData d;
    d.FullName.reserve(dir.size() + 1 + name.size());
    d.FullName.append(dir);
    d.FullName.push_back('/');
    d.FullName.append(name);
    d.NameStart = static_cast<std::uint32_t>(dir.size() + 1);
    d.FileSize = size;
    d.FileTime = time;
    return d;
}

TFileData TFileData::databaseEntry(std::int32_t size, std::uint32_t crc, DosTime loadTime)
{
    TFileData d;
    d.FullName = kOfflineName;
    d.NameStart = 0;
    d.FileSize = size;
    d.CRC = crc;
    d.CrcKnown = true;
    d.OnDisk = false;
    d.FileTime = loadTime;
    return d;
}

std::string CrcText(const TFileData &d)
{
    if (!d.CrcKnown || d.CRC == 0)
        return {};
    return std::to_string(static_cast<std::int32_t>(d.CRC));
}

} // namespace twinly
