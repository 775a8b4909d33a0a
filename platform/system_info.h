// SPDX-License-Identifier: GPL-3.0-or-later
// Facts about the machine that limits are derived from.
#pragma once

#include <cstdint>

namespace twinly::platform {

// Installed memory in bytes; 0 when the system does not say.
std::uint64_t PhysicalMemoryBytes();

} // namespace twinly::platform
