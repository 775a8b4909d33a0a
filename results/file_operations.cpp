// SPDX-License-Identifier: GPL-3.0-or-later
#include "file_operations.h"

namespace twinly {

namespace {
FileOperationFn &installed()
{
    static FileOperationFn fn;
    return fn;
}
} // namespace

platform::FileOpResult RunFileOperation(const std::string &source, const std::string &target,
                                        platform::FileOperation operation, unsigned flags,
                                        bool replaceExisting)
{
    if (const FileOperationFn &fn = installed())
        return fn(source, target, operation, flags, replaceExisting);
    return platform::PerformFileOperation(source, target, operation, flags, replaceExisting);
}

void InstallFileOperation(FileOperationFn fn)
{
    installed() = std::move(fn);
}

} // namespace twinly
