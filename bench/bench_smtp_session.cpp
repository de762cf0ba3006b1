// Sends 10,000 small mails through one SMTP session, the way a send run drives it, to an
// accept-everything sink on loopback, reconnecting every n mails; prints mails per second and
// the peak memory of the process.
#include "mailing/SmtpSession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>

#include <atomic>
#include <cstdio>
#include <future>
#include <sys/resource.h>
#include <thread>

namespace {

constexpr int kMails = 10'000;

// Answers every command at once; ends when told to stop and no client is connected.
class Sink
{
public:
    Sink()
    {
        std::promise<quint16> ready;
        std::future<quint16> port = ready.get_future();
        m_thread = std::thread([this, ready = std::move(ready)]() mutable { run(std::move(ready)); });
        m_port = port.get();
    }
    ~Sink()
    {
        m_stop = true;
        m_thread.join();
    }
    quint16 port() const { return m_port; }
    int connections() const { return m_connections; }

private:
    void run(std::promise<quint16> ready)
    {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost, 0);
        ready.set_value(server.serverPort());
        while (!m_stop) {
            if (!server.waitForNewConnection(100))
                continue;
            std::unique_ptr<QTcpSocket> socket(server.nextPendingConnection());
            ++m_connections;
            serve(*socket);
        }
    }

    static void serve(QTcpSocket& socket)
    {
        socket.write("220 sink\r\n");
        QByteArray input;
        bool inData = false;
        while (socket.state() == QAbstractSocket::ConnectedState) {
            if (!socket.waitForReadyRead(5000))
                return;
            input += socket.readAll();
            qsizetype start = 0;
            for (;;) {
                const qsizetype end = input.indexOf('\n', start);
                if (end < 0)
                    break;
                const QByteArray line = input.mid(start, end - start + 1);
                start = end + 1;
                if (inData) {
                    if (line == ".\r\n") {
                        inData = false;
                        socket.write("250 queued\r\n");
                    }
                    continue;
                }
                if (line.startsWith("DATA")) {
                    inData = true;
                    socket.write("354 go\r\n");
                } else if (line.startsWith("QUIT")) {
                    socket.write("221 bye\r\n");
                    socket.waitForBytesWritten(5000);
                    socket.disconnectFromHost();
                    return;
                } else {
                    socket.write("250 ok\r\n");
                }
            }
            input.remove(0, start);
            socket.waitForBytesWritten(5000);
        }
    }

    std::thread m_thread;
    quint16 m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_connections{0};
};

long peakMemoryKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void runWithReconnectsEvery(int n)
{
    Sink sink;
    SmtpSessionOptions options;
    options.localHostName = QStringLiteral("bench.example.org");
    SmtpSession session(options);
    const QByteArray header = "From: news@example.org\r\nTo: reader@example.com\r\nSubject: Newsletter\r\n"
                              "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=iso-8859-1\r\n\r\n";
    QByteArray body;
    for (int line = 0; line < 10; ++line)
        body += "Sehr geehrte Leserin, sehr geehrter Leser, hier stehen die Neuigkeiten.\r\n";
    const QList<QByteArray> mail{header, body};

    QElapsedTimer timer;
    timer.start();
    int failures = 0;
    if (!session.connectToHost(QStringLiteral("127.0.0.1"), sink.port()).ok()) {
        std::printf("connect failed\n");
        return;
    }
    int onConnection = 0;
    for (int i = 0; i < kMails; ++i) {
        if (n > 0 && onConnection == n) {
            session.disconnect();
            if (!session.connectToHost(QStringLiteral("127.0.0.1"), sink.port()).ok()) {
                std::printf("reconnect failed\n");
                return;
            }
            onConnection = 0;
        }
        ++onConnection;
        if (!session.sendMail(QStringLiteral("news@example.org"), QStringLiteral("reader@example.com"), mail)
                 .ok())
            ++failures;
    }
    session.disconnect();
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    std::printf(
        "n = %3d: %d mails in %.2f s, %.0f mails/s, %d connections, %d failures, peak memory %ld KiB\n", n,
        kMails, seconds, kMails / seconds, sink.connections(), failures, peakMemoryKiB());
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    runWithReconnectsEvery(0);
    runWithReconnectsEvery(100);
    return 0;
}
