#include "ScriptedSmtpServer.h"

#include <QDeadlineTimer>
#include <QTcpServer>
#include <QTcpSocket>

#include <chrono>
#include <memory>
#include <optional>

namespace {

constexpr int kWaitLimit = 10'000;

} // namespace

ScriptedSmtpServer::ScriptedSmtpServer(QList<Step> script)
{
    std::promise<quint16> ready;
    std::future<quint16> port = ready.get_future();
    m_thread = std::thread(&ScriptedSmtpServer::run, this, std::move(script), std::move(ready));
    m_port = port.get();
}

ScriptedSmtpServer::~ScriptedSmtpServer()
{
    if (m_thread.joinable())
        m_thread.join();
}

QByteArray ScriptedSmtpServer::received()
{
    m_clientDone = true;
    if (m_thread.joinable())
        m_thread.join();
    std::lock_guard lock(m_mutex);
    return m_received;
}

QByteArray ScriptedSmtpServer::receivedSoFar()
{
    std::lock_guard lock(m_mutex);
    return m_received;
}

QList<QByteArray> ScriptedSmtpServer::acceptedMails()
{
    m_clientDone = true;
    if (m_thread.joinable())
        m_thread.join();
    std::lock_guard lock(m_mutex);
    return m_accepted;
}

void ScriptedSmtpServer::run(QList<Step> script, std::promise<quint16> ready)
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    ready.set_value(server.serverPort());
    if (!server.waitForNewConnection(kWaitLimit))
        return;
    std::unique_ptr<QTcpSocket> socket(server.nextPendingConnection());
    QByteArray pending;                 // received but not yet consumed by a step
    std::optional<QByteArray> mailData; // a mail's data read, its reply not yet sent
    const auto readMore = [&](const QDeadlineTimer& deadline) {
        if (socket->bytesAvailable() == 0 && !socket->waitForReadyRead(int(deadline.remainingTime())))
            return false;
        const QByteArray bytes = socket->readAll();
        pending += bytes;
        std::lock_guard lock(m_mutex);
        m_received += bytes;
        return true;
    };
    // What came before end, or nothing when the client sent no end before it left.
    const auto consumeUntil = [&](const QByteArray& end) -> std::optional<QByteArray> {
        const QDeadlineTimer deadline(kWaitLimit);
        qsizetype at = -1;
        while ((at = pending.indexOf(end)) < 0) {
            if (!readMore(deadline))
                return std::nullopt;
        }
        const QByteArray before = pending.left(at);
        pending.remove(0, at + end.size());
        return before;
    };
    // Whatever the client still sends until it leaves is recorded too.
    const auto recordUntilGone = [&] {
        const QDeadlineTimer deadline(kWaitLimit);
        while (socket->state() == QAbstractSocket::ConnectedState && !deadline.hasExpired())
            readMore(deadline);
    };
    for (const Step& step : script) {
        if (step.kind == Step::Kind::NextConnection) {
            recordUntilGone();
            socket.reset();
            pending.clear();
            mailData.reset();
            const QDeadlineTimer deadline(kWaitLimit);
            while (!server.hasPendingConnections() && !m_clientDone && !deadline.hasExpired())
                server.waitForNewConnection(20);
            if (!server.hasPendingConnections())
                return;
            socket.reset(server.nextPendingConnection());
            continue;
        }
        if (socket->state() != QAbstractSocket::ConnectedState)
            continue;
        switch (step.kind) {
        case Step::Kind::Send:
            if (mailData && step.bytes.startsWith('2')) {
                std::lock_guard lock(m_mutex);
                m_accepted.append(*mailData);
            }
            mailData.reset();
            socket->write(step.bytes);
            socket->waitForBytesWritten(kWaitLimit);
            break;
        case Step::Kind::ReceiveLine:
            consumeUntil("\n");
            break;
        case Step::Kind::ReceiveData:
            if (pending.startsWith(".\r\n"))
                pending.remove(0, 3);
            else
                mailData = consumeUntil("\r\n.\r\n");
            break;
        case Step::Kind::Close:
            socket->disconnectFromHost();
            break;
        case Step::Kind::Pause:
            std::this_thread::sleep_for(std::chrono::milliseconds(step.milliseconds));
            break;
        case Step::Kind::Serve: {
            const auto say = [&](const char* reply) {
                socket->write(reply);
                socket->waitForBytesWritten(kWaitLimit);
            };
            for (;;) {
                const std::optional<QByteArray> line = consumeUntil("\r\n");
                if (!line || line->startsWith("QUIT")) {
                    if (line)
                        say("221 bye\r\n");
                    break;
                }
                if (!line->startsWith("DATA")) {
                    say("250 ok\r\n");
                    continue;
                }
                say("354 go\r\n");
                const std::optional<QByteArray> data = consumeUntil("\r\n.\r\n");
                if (!data)
                    break;
                {
                    std::lock_guard lock(m_mutex);
                    m_accepted.append(*data);
                }
                say("250 queued\r\n");
            }
            break;
        }
        case Step::Kind::Hold:
        case Step::Kind::NextConnection:
            break;
        }
    }
    recordUntilGone();
}
