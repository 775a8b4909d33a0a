// SPDX-License-Identifier: GPL-3.0-or-later
// The grouping pass written exactly as users have always had it: a pivot loop over the list,
// quadratic and obviously right. The fast pass must give the same groups in the same order.
#pragma once

#include "grouping.h"

namespace twinly::test {

void ReferenceGroupFiles(FileList &list, GroupList &groups, const MatchSwitches &sw);

} // namespace twinly::test
