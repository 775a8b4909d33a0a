// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli.h"
#include "handle_io.h"
#include "output.h"

#include <iostream>
#include <ostream>

int main(int argc, char **argv)
{
    std::ios::sync_with_stdio(false);
    // Standard output through a buffer that keeps the reason of a failed write, so that a full
    // disk or a closed pipe is told rather than taken for success.
    twinly::cli::FdStreamBuf outBuffer(twinly::platform::kStandardOutput);
    std::ostream out(&outBuffer);
    return twinly::cli::Run(argc, argv, out, std::cerr,
                            twinly::platform::IsTerminal(twinly::platform::kStandardError));
}
