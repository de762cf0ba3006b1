#include "platform/ConnectivityProbe.h"

#include <QNetworkInformation>
#include <QNetworkInterface>

namespace {

bool anyRunningInterface()
{
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& iface : interfaces) {
        const auto flags = iface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) || !flags.testFlag(QNetworkInterface::IsRunning) ||
            flags.testFlag(QNetworkInterface::IsLoopBack))
            continue;
        if (!iface.addressEntries().isEmpty())
            return true;
    }
    return false;
}

} // namespace

bool SystemConnectivityProbe::isConnected() const
{
    if (QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability)) {
        if (const QNetworkInformation* info = QNetworkInformation::instance()) {
            const auto reachability = info->reachability();
            if (reachability != QNetworkInformation::Reachability::Unknown)
                return reachability == QNetworkInformation::Reachability::Online ||
                       reachability == QNetworkInformation::Reachability::Site;
        }
    }
    return anyRunningInterface();
}
