#pragma once

class ConnectivityProbe;

// True when the system reports a connection; the probe is the system's unless one is given.
bool IsInternetConnected(const ConnectivityProbe* probe = nullptr);
