// SPDX-License-Identifier: GPL-3.0-or-later
// The command line as twinly-cli reads it: what each option asks for, and the help text.
#pragma once

#include "options.h"
#include "report.h"
#include "selection_rules.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace twinly::cli {

struct Args {
    SearchOptions options;
    std::vector<std::string> databases;
    std::optional<std::string> createDb;
    std::optional<SelectionRule> keep;
    std::optional<ScriptAction> link;
    bool list = false;
    bool noContent = false;
    bool visual = false;
    ReportFormat format = ReportFormat::Paths;
    bool progress = false;
    bool noCache = false;
    bool clearCache = false;
    bool help = false;
    bool version = false;
};

// An error text for the user, or nothing.
using Problem = std::optional<std::string>;

// Returns an error text, or nothing when the arguments are good.
Problem parse(int argc, const char *const *argv, Args &a);

// What --help prints.
std::string_view HelpText();

} // namespace twinly::cli
