// SPDX-License-Identifier: GPL-3.0-or-later
// Facts about the machine and the user the program runs for.
#pragma once

#include <cstdint>
#include <string>

namespace twinly::platform {

// Installed memory in bytes; 0 when the system does not say.
std::uint64_t PhysicalMemoryBytes();

// Whether the block device behind a file system (a stat's st_dev) says it seeks: a spinning
// disk, where reading two files at once costs more than reading them one after the other.
// False where the system does not say (network and memory file systems).
bool DeviceIsRotational(std::uint64_t device);

// $HOME, or the user account's home folder when that is unset or empty; empty when neither
// says.
std::string HomeFolder();

} // namespace twinly::platform
