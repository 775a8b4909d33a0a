// SPDX-License-Identifier: GPL-3.0-or-later
// Every file the window moves, copies or deletes goes through here; tests put a stand-in in
// place (a slow operation, a failing one) without touching the window's code.
#pragma once

#include "file_ops.h"

#include <functional>

namespace twinly {

using FileOperationFn = std::function<platform::FileOpResult(
    const std::string &source, const std::string &target, platform::FileOperation operation,
    unsigned flags, bool replaceExisting)>;

platform::FileOpResult RunFileOperation(const std::string &source, const std::string &target,
                                        platform::FileOperation operation, unsigned flags,
                                        bool replaceExisting);
// Replaces the real operation (tests); an empty function restores it.
void InstallFileOperation(FileOperationFn fn);

} // namespace twinly
