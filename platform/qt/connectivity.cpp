// SPDX-License-Identifier: GPL-3.0-or-later
#include "connectivity.h"

#include <QNetworkInformation>
#include <QNetworkInterface>

namespace twinly::platform {

namespace {

std::function<bool()> & override()
{
    static std::function<bool()> check;
    return check;
}

bool anyInterfaceUp()
{
    for (const QNetworkInterface &i : QNetworkInterface::allInterfaces()) {
        const auto flags = i.flags();
        if ((flags & QNetworkInterface::IsUp) && (flags & QNetworkInterface::IsRunning) &&
            !(flags & QNetworkInterface::IsLoopBack) && !i.addressEntries().isEmpty())
            return true;
    }
    return false;
}

} // namespace

bool IsInternetConnected()
{
    if (override())
        return override()();
    // Without NetworkManager the default backend does not load; the one that watches the
    // routes answers the reachability question too.
    static const bool loaded =
        QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability);
    if (loaded && QNetworkInformation::instance()) {
        const auto r = QNetworkInformation::instance()->reachability();
        if (r != QNetworkInformation::Reachability::Unknown)
            return r == QNetworkInformation::Reachability::Online;
    }
    return anyInterfaceUp();
}

void SetConnectivityCheck(std::function<bool()> check)
{
    override() = std::move(check);
}

} // namespace twinly::platform
