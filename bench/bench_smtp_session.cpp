// Sends 10,000 small mails through one SMTP session, the way a send run drives it, to an
// accept-everything sink on loopback, reconnecting every n mails; prints mails per second and
// the peak memory of the process.
#include "LoopbackSmtpSink.h"
#include "mail/SmtpSession.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

namespace {

constexpr int kMails = 10'000;

void runWithReconnectsEvery(int n)
{
    LoopbackSmtpSink sink;
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
        if (!session.sendMail(QStringLiteral("news@example.org"), QStringLiteral("reader@example.com"), mail).ok())
            ++failures;
    }
    session.disconnect();
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    std::printf("n = %3d: %d mails in %.2f s, %.0f mails/s, %d connections, %d failures, peak memory %ld KiB\n", n,
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
