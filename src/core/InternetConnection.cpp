#include "core/InternetConnection.h"

#include "platform/ConnectivityProbe.h"

bool IsInternetConnected(const ConnectivityProbe* probe)
{
    if (probe)
        return probe->isConnected();
    const SystemConnectivityProbe system;
    return system.isConnected();
}
