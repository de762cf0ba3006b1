#pragma once

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QList>
#include <QString>

#include <functional>

// Opens a TCP connection to host:port, trying each of the host's addresses in turn, within the
// deadline, and asks stopWaiting about every 100 ms while the name is looked up and while the
// handshake is under way; so a user can give up on a server that does not answer. Blocking;
// any thread.
struct TcpConnectResult {
    enum class Status { Connected, TimedOut, Stopped, Failed } status = Status::Failed;
    int descriptor = -1; // Connected: the connected socket, owned by the caller
    QString error;       // the reason, in English, when not connected
};

// A host name's addresses, or why there are none (error, in English).
struct HostAddresses {
    QList<QHostAddress> addresses;
    QString error;
};

// Looks a host name up, blocking as long as it takes. ConnectTcp runs it on a thread of its
// own that it leaves behind when its wait ends first, so it must not refer to the caller's
// objects.
using HostResolver = std::function<HostAddresses(const QString& host)>;

// The system's resolver (getaddrinfo), bounded only by the resolver's own time-outs.
HostAddresses ResolveHost(const QString& host);

TcpConnectResult ConnectTcp(const QString& host, quint16 port, QDeadlineTimer deadline,
                            const std::function<bool()>& stopWaiting, const HostResolver& resolve = ResolveHost);
