// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

namespace twinly::platform {

// True when the machine reports a connection: the system's reachability where it can be asked,
// otherwise a network interface other than loopback that is up, running and has an address.
bool IsInternetConnected();
// Replaces the check (tests never touch the machine's network); empty restores it.
void SetConnectivityCheck(std::function<bool()> check);

} // namespace twinly::platform
