// SPDX-License-Identifier: GPL-3.0-or-later
// Reading and writing open file handles (POSIX descriptors, C runtime handles elsewhere) until
// everything is through: the system may take fewer bytes than asked, or be interrupted.
#pragma once

#include <cstddef>

namespace twinly::platform {

inline constexpr int kStandardOutput = 1;
inline constexpr int kStandardError = 2;

// 0 when every byte was written, else the system's error number (EIO when it takes none).
int WriteAll(int handle, const void *data, std::size_t size);

// Everything from `from`'s position to its end, written to `to`. 0, or the error number.
int CopyAll(int from, int to);

bool IsTerminal(int handle);

} // namespace twinly::platform
