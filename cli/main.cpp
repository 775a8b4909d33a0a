// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

int main(int argc, char **argv)
{
    std::ios::sync_with_stdio(false);
    return twinly::cli::Run(argc, argv, std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1);
}
