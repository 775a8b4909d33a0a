// SPDX-License-Identifier: GPL-3.0-or-later
// Packed DOS date-time: bits 25-31 year since 1980, 21-24 month, 16-20 day, 11-15 hour,
// 5-10 minute, 0-4 seconds / 2. Always local time.
#pragma once

#include "file_data.h"

#include <ctime>

namespace twinly {

struct DosFields {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// 0 when the year lies outside [1980, maxYear].
DosTime PackDosFields(const DosFields &f, int maxYear = 2107);
DosFields UnpackDosTime(DosTime t);

// A file's modification time in local time. Times DOS packing cannot hold give 0.
DosTime DosTimeFromUnix(std::time_t t);
// The moment of loading a CRC database (0 outside 1980-2099).
DosTime DosTimeNowForDatabase();

} // namespace twinly
