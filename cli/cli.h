// SPDX-License-Identifier: GPL-3.0-or-later
// twinly-cli: the search engine driven from a terminal.
#pragma once

#include "options.h"

#include <iosfwd>
#include <optional>
#include <string>

namespace twinly::cli {

// Exit status: 0 success; 1 a folder or a database could not be read, a database could not be
// written, or `out` failed; 2 bad usage.
int Run(int argc, const char *const *argv, std::ostream &out, std::ostream &err,
        bool stderrIsTerminal);

// The search a command line asks for, as the command runs it; nothing, with the reason in
// `error`, when the arguments are bad.
std::optional<SearchOptions> SearchOptionsFromArguments(int argc, const char *const *argv,
                                                        std::string &error);

} // namespace twinly::cli
