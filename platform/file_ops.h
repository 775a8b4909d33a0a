// SPDX-License-Identifier: GPL-3.0-or-later
// One file moved, copied or deleted, all or nothing: a move across file systems removes the
// source only after the copy is complete and on disk, and only when the source is still the file
// that was copied (a program writing to it meanwhile would lose its writes); a failed copy
// removes its partial target and leaves the source; a delete "with undo" goes to the trash or
// fails, never falls back to a permanent delete.
#pragma once

#include <functional>
#include <string>

namespace twinly::platform {

enum class FileOperation { Move, Copy, Delete };

// The shell's option flags the program passes; their values are the shell's own.
enum FileOpFlag : unsigned {
    FOF_SILENT = 0x0004,
    FOF_NOCONFIRMATION = 0x0010,
    FOF_ALLOWUNDO = 0x0040,
    FOF_NOCONFIRMMKDIR = 0x0200,
    FOF_NOERRORUI = 0x0400,
};

struct FileOpResult {
    bool ok = false;
    bool targetExists = false;  // refused because the target exists and replacing was not allowed
    bool sourceChanged = false; // a move across file systems found the source changed by then
    std::string error;          // what went wrong, for the user
};

// Moves or copies `source` to `target` (missing folders of the target are created), or deletes
// `source` (`target` unused). An existing target is replaced only with `replaceExisting`;
// otherwise the operation fails with targetExists set, and nothing changes. Moving or copying a
// file onto itself does nothing and succeeds.
FileOpResult PerformFileOperation(const std::string &source, const std::string &target,
                                  FileOperation operation, unsigned flags, bool replaceExisting);

// Called by a move across file systems once the data is copied, before the source is checked
// (tests change the source there); an empty function removes it.
void SetMoveCopiedHook(std::function<void(const std::string &source)> hook);

// Moves a file into the user's trash (or its volume's), with the record that lets it be put
// back. Implemented by the desktop layer; false with a reason when no trash can take it, and
// then the file stays where it was.
bool MoveToTrash(const std::string &path, std::string &error);

} // namespace twinly::platform
