#include "mail/TcpConnect.h"

#include <QUrl>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace {

constexpr qint64 kWaitSliceMs = 100;

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

int sliceMs(QDeadlineTimer deadline)
{
    return int(std::clamp<qint64>(deadline.remainingTime(), 0, kWaitSliceMs));
}

// Where a lookup's thread leaves its answer; shared, so the thread may outlive the wait.
struct PendingLookup {
    std::mutex mutex;
    std::condition_variable finished;
    std::optional<HostAddresses> answer;
};

// The resolver blocks as long as the system lets it, so it runs on a thread of its own while
// this waits in slices for its answer, the deadline or a stop. Nothing when addresses holds the
// host's addresses, else the failure.
std::optional<TcpConnectResult> lookUp(const QString& host, QDeadlineTimer deadline,
                                       const std::function<bool()>& stopWaiting, const HostResolver& resolve,
                                       QList<QHostAddress>& addresses)
{
    const auto pending = std::make_shared<PendingLookup>();
    try {
        std::thread([pending, resolve, host] {
            HostAddresses found = resolve(host);
            const std::lock_guard lock(pending->mutex);
            pending->answer = std::move(found);
            pending->finished.notify_one();
        }).detach();
    } catch (const std::system_error& e) {
        return TcpConnectResult{TcpConnectResult::Status::Failed, -1, QString::fromLocal8Bit(e.what())};
    }
    std::unique_lock lock(pending->mutex);
    for (;;) {
        if (pending->finished.wait_for(lock, std::chrono::milliseconds(sliceMs(deadline)),
                                       [&pending] { return pending->answer.has_value(); })) {
            if (pending->answer->addresses.isEmpty())
                return TcpConnectResult{TcpConnectResult::Status::Failed, -1, pending->answer->error};
            addresses = pending->answer->addresses;
            return std::nullopt;
        }
        if (deadline.hasExpired())
            return TcpConnectResult{TcpConnectResult::Status::TimedOut, -1,
                                    QStringLiteral("Host name lookup timed out.")};
        lock.unlock();
        const bool stop = stopWaiting && stopWaiting();
        lock.lock();
        if (stop)
            return TcpConnectResult{TcpConnectResult::Status::Stopped, -1, {}};
    }
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
        const int ready = ::poll(&waiting, 1, sliceMs(deadline));
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

HostAddresses ResolveHost(const QString& host)
{
    // A name with umlauts is looked up in its ASCII form (RFC 5891).
    const QByteArray name = QUrl::toAce(host);
    if (name.isEmpty())
        return {{}, QStringLiteral("Invalid host name.")};
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int error = ::getaddrinfo(name.constData(), nullptr, &hints, &found);
    if (error != 0)
        return {{}, error == EAI_SYSTEM ? systemError(errno) : QString::fromLocal8Bit(::gai_strerror(error))};
    HostAddresses result;
    for (const addrinfo* entry = found; entry; entry = entry->ai_next)
        result.addresses.append(QHostAddress(entry->ai_addr));
    ::freeaddrinfo(found);
    if (result.addresses.isEmpty())
        result.error = QStringLiteral("No address for the host name.");
    return result;
}

TcpConnectResult ConnectTcp(const QString& host, quint16 port, QDeadlineTimer deadline,
                            const std::function<bool()>& stopWaiting, const HostResolver& resolve)
{
    QList<QHostAddress> addresses;
    QHostAddress literal;
    if (literal.setAddress(host)) {
        addresses.append(literal);
    } else {
        if (const auto failure = lookUp(host, deadline, stopWaiting, resolve, addresses))
            return *failure;
    }
    TcpConnectResult result;
    for (const QHostAddress& address : addresses) {
        result = connectTo(address, port, deadline, stopWaiting);
        if (result.status != TcpConnectResult::Status::Failed)
            return result;
    }
    return result;
}
