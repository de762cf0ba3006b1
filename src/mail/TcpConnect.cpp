#include "mail/TcpConnect.h"

#include <QHostAddress>
#include <QHostInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr qint64 kWaitSliceMs = 100;

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// One address: a non-blocking connect, then waits for the handshake in slices.
TcpConnectResult connectTo(const QHostAddress& address, quint16 port, QDeadlineTimer deadline,
                           const std::function<bool()>& stopWaiting)
{
    sockaddr_storage storage{};
    socklen_t length = 0;
    if (address.protocol() == QAbstractSocket::IPv4Protocol) {
        auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
        v4->sin_family = AF_INET;
        v4->sin_port = htons(port);
        v4->sin_addr.s_addr = htonl(address.toIPv4Address());
        length = sizeof(sockaddr_in);
    } else {
        auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(port);
        const Q_IPV6ADDR bytes = address.toIPv6Address();
        std::memcpy(&v6->sin6_addr, bytes.c, sizeof(bytes.c));
        v6->sin6_scope_id = address.scopeId().toUInt();
        length = sizeof(sockaddr_in6);
    }
    const int fd = ::socket(storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return {TcpConnectResult::Status::Failed, -1, systemError(errno)};
    const auto fail = [fd](TcpConnectResult::Status status, const QString& why) {
        ::close(fd);
        return TcpConnectResult{status, -1, why};
    };
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&storage), length) == 0)
        return {TcpConnectResult::Status::Connected, fd, {}};
    if (errno != EINPROGRESS)
        return fail(TcpConnectResult::Status::Failed, systemError(errno));
    for (;;) {
        pollfd waiting{fd, POLLOUT, 0};
        const int ready = ::poll(&waiting, 1, int(std::clamp<qint64>(deadline.remainingTime(), 0, kWaitSliceMs)));
        if (ready > 0) {
            int error = 0;
            socklen_t size = sizeof(error);
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size);
            if (error != 0)
                return fail(TcpConnectResult::Status::Failed, systemError(error));
            return {TcpConnectResult::Status::Connected, fd, {}};
        }
        if (ready < 0 && errno != EINTR)
            return fail(TcpConnectResult::Status::Failed, systemError(errno));
        if (deadline.hasExpired())
            return fail(TcpConnectResult::Status::TimedOut, QStringLiteral("Connect timed out."));
        if (stopWaiting && stopWaiting())
            return fail(TcpConnectResult::Status::Stopped, QString());
    }
}

} // namespace

TcpConnectResult ConnectTcp(const QString& host, quint16 port, QDeadlineTimer deadline,
                            const std::function<bool()>& stopWaiting)
{
    QList<QHostAddress> addresses;
    QHostAddress literal;
    if (literal.setAddress(host)) {
        addresses.append(literal);
    } else {
        const QHostInfo info = QHostInfo::fromName(host);
        if (info.error() != QHostInfo::NoError || info.addresses().isEmpty())
            return {TcpConnectResult::Status::Failed, -1, info.errorString()};
        addresses = info.addresses();
    }
    TcpConnectResult result;
    for (const QHostAddress& address : addresses) {
        result = connectTo(address, port, deadline, stopWaiting);
        if (result.status != TcpConnectResult::Status::Failed)
            return result;
    }
    return result;
}
