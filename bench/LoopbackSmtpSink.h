#pragma once

#include <QTcpServer>
#include <QTcpSocket>

#include <atomic>
#include <future>
#include <memory>
#include <sys/resource.h>
#include <thread>

// A minimal SMTP peer on loopback for the benchmarks: answers every command at once in its own
// thread; ends when told to stop and no client is connected.
class LoopbackSmtpSink {
public:
    LoopbackSmtpSink()
    {
        std::promise<quint16> ready;
        std::future<quint16> port = ready.get_future();
        m_thread = std::thread([this, ready = std::move(ready)]() mutable { run(std::move(ready)); });
        m_port = port.get();
    }
    ~LoopbackSmtpSink()
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

// The peak resident memory of the benchmark process so far.
inline long peakMemoryKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}
