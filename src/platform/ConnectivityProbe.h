#pragma once

// Tells whether the machine is connected to a network that reaches beyond itself.
class ConnectivityProbe {
public:
    virtual ~ConnectivityProbe() = default;
    virtual bool isConnected() const = 0;
};

// The system's answer: QNetworkInformation where a backend loads, else any running
// non-loopback interface that has an address.
class SystemConnectivityProbe : public ConnectivityProbe {
public:
    bool isConnected() const override;
};
