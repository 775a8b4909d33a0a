// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace twinly {

// Empties a container and gives its memory back at once. `c = {}` would not: it assigns an
// empty initializer list, which keeps the capacity until the container itself goes.
template<typename Container> void Release(Container &c)
{
    c = Container();
}

} // namespace twinly
