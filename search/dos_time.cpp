// SPDX-License-Identifier: GPL-3.0-or-later
#include "dos_time.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace twinly {

DosTime PackDosFields(const DosFields &f, int maxYear)
{
    if (f.year < 1980 || f.year > maxYear)
        return 0;
    return static_cast<DosTime>(f.year - 1980) << 25 | static_cast<DosTime>(f.month) << 21 |
           static_cast<DosTime>(f.day) << 16 | static_cast<DosTime>(f.hour) << 11 |
           static_cast<DosTime>(f.minute) << 5 | static_cast<DosTime>(f.second / 2);
}

DosFields UnpackDosTime(DosTime t)
{
    DosFields f;
    f.year = static_cast<int>(t >> 25) + 1980;
    f.month = static_cast<int>((t >> 21) & 0x0F);
    f.day = static_cast<int>((t >> 16) & 0x1F);
    f.hour = static_cast<int>((t >> 11) & 0x1F);
    f.minute = static_cast<int>((t >> 5) & 0x3F);
    f.second = static_cast<int>(t & 0x1F) * 2;
    return f;
}

namespace {

DosFields fieldsOf(const std::tm &tm)
{
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

// Days since 1970-01-01 to a civil date (Howard Hinnant's algorithm).
void civilFromDays(std::int64_t z, int &y, int &m, int &d)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(era * 400 + yoe + (m <= 2 ? 1 : 0));
}

// localtime_r costs about a microsecond (a lock and a zone lookup); with hundreds of thousands
// of files that is a visible share of the walk. The zone offset is constant over long spans, so
// it is cached per 15-minute window of UTC, and used only when both ends of the window agree.
constexpr std::int64_t kWindow = 900;
struct OffsetSlot {
    std::atomic<std::int64_t> key{INT64_MIN}; // window index << 20 | (offset + 2^19)
};
std::array<OffsetSlot, 1024> s_offsets;

bool cachedOffset(std::time_t t, long &offset)
{
    const std::int64_t window = static_cast<std::int64_t>(t) / kWindow - (t < 0 ? 1 : 0);
    OffsetSlot &slot = s_offsets[static_cast<std::size_t>(window) % s_offsets.size()];
    const std::int64_t packed = slot.key.load(std::memory_order_relaxed);
    if (packed != INT64_MIN && (packed >> 20) == window) {
        offset = static_cast<long>((packed & 0xFFFFF) - (1 << 19));
        return true;
    }
    std::tm a{}, b{};
    const std::time_t start = static_cast<std::time_t>(window * kWindow);
    const std::time_t end = start + kWindow - 1;
    if (!localtime_r(&start, &a) || !localtime_r(&end, &b) || a.tm_gmtoff != b.tm_gmtoff ||
        a.tm_gmtoff <= -(1 << 19) || a.tm_gmtoff >= (1 << 19))
        return false;
    offset = a.tm_gmtoff;
    slot.key.store(window << 20 | (offset + (1 << 19)), std::memory_order_relaxed);
    return true;
}

} // namespace

DosTime DosTimeFromUnix(std::time_t t)
{
    // Outside 1970..2110 the cache's key packing gains nothing; go the slow way.
    long offset = 0;
    if (t >= 0 && t < 4420000000 && cachedOffset(t, offset)) {
        const std::int64_t local = static_cast<std::int64_t>(t) + offset;
        const std::int64_t days = local / 86400;
        const std::int64_t secs = local % 86400;
        DosFields f;
        civilFromDays(days, f.year, f.month, f.day);
        f.hour = static_cast<int>(secs / 3600);
        f.minute = static_cast<int>(secs / 60 % 60);
        f.second = static_cast<int>(secs % 60);
        return PackDosFields(f);
    }
    std::tm tm{};
    if (!localtime_r(&t, &tm))
        return 0;
    return PackDosFields(fieldsOf(tm));
}

DosTime DosTimeNowForDatabase()
{
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    if (!localtime_r(&now, &tm))
        return 0;
    return PackDosFields(fieldsOf(tm), 2099);
}

} // namespace twinly
