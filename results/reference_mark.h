// SPDX-License-Identifier: GPL-3.0-or-later
// How the window shows what lies in a reference folder, the same in the folder list and in the
// results list: a padlock, drawn here so that it looks alike under every icon theme (or none).
#pragma once

#include <QIcon>

namespace twinly {

// Drawn anew on each call: keep it where it is used often.
QIcon ReferenceIcon();

} // namespace twinly
