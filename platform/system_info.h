// SPDX-License-Identifier: GPL-3.0-or-later
// Facts about the machine that limits are derived from.
#pragma once

#include <cstdint>

namespace twinly::platform {

// Installed memory in bytes; 0 when the system does not say.
std::uint64_t PhysicalMemoryBytes();

// Whether the block device behind a file system (a stat's st_dev) says it seeks: a spinning
// disk, where reading two files at once costs more than reading them one after the other.
// False where the system does not say (network and memory file systems).
bool DeviceIsRotational(std::uint64_t device);

} // namespace twinly::platform
