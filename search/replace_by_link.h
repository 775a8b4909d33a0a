// SPDX-License-Identifier: GPL-3.0-or-later
// A search's row replaced by a link to the row kept in its group. The file and the keeper must
// still be what the search recorded (CheckSinceSearch's terms: device, inode, size,
// nanosecond modification time); an original (a file in a reference folder) and a database
// entry are never replaced.
#pragma once

#include "file_data.h"
#include "link_replace.h"

namespace twinly {

platform::SeenFile SeenFileOf(const TFileData &d);

platform::LinkResult ReplaceByLink(const TFileData &file, const TFileData &keeper,
                                   platform::LinkKind kind);

} // namespace twinly
