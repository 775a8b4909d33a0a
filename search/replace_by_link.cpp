// SPDX-License-Identifier: GPL-3.0-or-later
#include "replace_by_link.h"

namespace twinly {

platform::SeenFile SeenFileOf(const TFileData &d)
{
    return {d.FullName, d.Device, d.Inode, d.FileSize, d.MtimeNs};
}

platform::LinkResult ReplaceByLink(const TFileData &file, const TFileData &keeper,
                                   platform::LinkKind kind)
{
    if (!file.OnDisk || !keeper.OnDisk || file.Reference)
        return {false, platform::LinkRefusal::Protected, {}};
    if (file.Inode == 0 || keeper.Inode == 0)
        return {false, platform::LinkRefusal::Changed, {}}; // nothing the search vouched for
    return platform::ReplaceByLink(SeenFileOf(file), SeenFileOf(keeper), kind);
}

} // namespace twinly
