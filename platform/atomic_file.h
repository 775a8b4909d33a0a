// SPDX-License-Identifier: GPL-3.0-or-later
// Replacing a whole file so that a crash, a full disk or a bad target never leaves less than
// there was: the new bytes go to a temporary file beside the target, reach the disk, and only
// then take the target's name in one rename. Every file the program writes from memory (the
// settings, CRC databases, signature dumps) goes through here.
#pragma once

#include <string>
#include <string_view>

namespace twinly::platform {

// The error number of a target that exists but is not a regular file (a device, a FIFO, a
// socket): there is no errno for "this is not a file to replace".
inline constexpr int kNotRegularFile = -1;

struct FileWriteResult {
    int error = 0;       // 0 when the file was written; an errno value or kNotRegularFile
    std::string message; // the system's text for the error (or "not a regular file")
    explicit operator bool() const { return error == 0; }
};

// The result for an error number, with its text.
FileWriteResult FileWriteError(int error);

struct AtomicWriteOptions {
    // Permission bits of a file that did not exist before, less the umask.
    unsigned newFileMode = 0666;
    // Bits the replacement of an existing file has whatever the old mode was (the settings file
    // must stay readable and writable by its owner); the other bits come from the old file.
    unsigned requiredMode = 0;
};

// The file a write of `path` replaces: `path` itself, or, when it is a symbolic link, the end
// of the chain of links (a dangling link ends at the path it names, which the write creates).
// Fails when the chain is too long, when the end exists but is not a regular file (a folder
// gives EISDIR, anything else kNotRegularFile), or when it cannot be examined.
FileWriteResult ResolveWriteTarget(const std::string &path, std::string &target);

// Replaces the file at `path` (through links, as above) with `bytes`: a temporary file in the
// target's folder, flushed to the disk, renamed over the target; the folder is flushed too. On
// failure the target is as it was and no temporary file is left. The replacement keeps the old
// file's permission bits and, where the process may set it, its owner and group. The temporary
// name is ten bytes long, so any legal target name works.
FileWriteResult WriteFileAtomically(const std::string &path, std::string_view bytes,
                                    const AtomicWriteOptions &options = {});

} // namespace twinly::platform
