// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli.h"
#include "output.h"

#include <unistd.h>

#include <iostream>
#include <ostream>

int main(int argc, char **argv)
{
    std::ios::sync_with_stdio(false);
    // Standard output through a buffer that keeps the reason of a failed write, so that a full
    // disk or a closed pipe is told rather than taken for success.
    twinly::cli::FdStreamBuf outBuffer(STDOUT_FILENO);
    std::ostream out(&outBuffer);
    return twinly::cli::Run(argc, argv, out, std::cerr, ::isatty(STDERR_FILENO) == 1);
}
