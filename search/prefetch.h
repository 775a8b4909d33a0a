// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace twinly {

// Asks memory for what a loop will read (or write) a few steps on, where the loop's own
// accesses jump too far for the processor to guess. A hint only: no effect on what is computed.
inline void Prefetch([[maybe_unused]] const void *at)
{
#if defined(__GNUC__)
    __builtin_prefetch(at);
#endif
}

inline void PrefetchForWriting([[maybe_unused]] const void *at)
{
#if defined(__GNUC__)
    __builtin_prefetch(at, 1);
#endif
}

} // namespace twinly
