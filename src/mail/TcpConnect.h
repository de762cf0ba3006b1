#pragma once

#include <QDeadlineTimer>
#include <QString>

#include <functional>

// Opens a TCP connection to host:port, trying each of the host's addresses in turn, within the
// deadline, and asks stopWaiting about every 100 ms while the handshake is under way; so a user
// can give up on a server that does not answer. The name is resolved first (the resolver's own
// time-outs bound that part). Blocking; any thread.
struct TcpConnectResult {
    enum class Status { Connected, TimedOut, Stopped, Failed } status = Status::Failed;
    int descriptor = -1; // Connected: the connected socket, owned by the caller
    QString error;       // the reason, in English, when not connected
};

TcpConnectResult ConnectTcp(const QString& host, quint16 port, QDeadlineTimer deadline,
                            const std::function<bool()>& stopWaiting);
