// SPDX-License-Identifier: GPL-3.0-or-later
#include "handle_io.h"

#include <unistd.h>

#include <cerrno>
#include <vector>

namespace twinly::platform {

int WriteAll(int handle, const void *data, std::size_t size)
{
    const auto *p = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t n = ::write(handle, p, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return errno = EIO; // no progress: waiting longer would not help
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return 0;
}

int CopyAll(int from, int to)
{
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t n = ::read(from, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return 0;
        if (const int error = WriteAll(to, buffer.data(), static_cast<std::size_t>(n)); error != 0)
            return error;
    }
}

bool IsTerminal(int handle)
{
    return ::isatty(handle) == 1;
}

} // namespace twinly::platform
