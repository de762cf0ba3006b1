#pragma once

#include "mail/MGS.h"
#include "mail/SmtpMailTransport.h"
#include "mailing/StatusWindowReporter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

// What a send bench is told on its command line: --port P (an SMTP sink on 127.0.0.1; none: the
// bench's own), -n N, --reconnect-every K, and --profile DIR for the profile benches.
struct SendBenchArguments {
    quint16 port = 0;
    int mails = 10'000;
    int reconnectEvery = 0;
    QString profile;

    static SendBenchArguments parse(const QStringList& arguments)
    {
        SendBenchArguments parsed;
        for (qsizetype i = 1; i + 1 < arguments.size(); i += 2) {
            const QString& name = arguments[i];
            const QString& value = arguments[i + 1];
            if (name == QLatin1String("--port"))
                parsed.port = quint16(value.toUInt());
            else if (name == QLatin1String("-n"))
                parsed.mails = value.toInt();
            else if (name == QLatin1String("--reconnect-every"))
                parsed.reconnectEvery = value.toInt();
            else if (name == QLatin1String("--profile"))
                parsed.profile = value;
        }
        return parsed;
    }
};

// One whole send run (thread, log, window reporter, SMTP transport with AUTH LOGIN) to the sink
// on port, timed from start to its end; prints one line ending in "-> R mails/s".
inline void RunSendBench(const char* what, quint16 port, int mails, int reconnectEvery,
                         std::unique_ptr<IMailSource> source)
{
    QTemporaryDir dir;
    SendRunSettings settings;
    settings.Host = QStringLiteral("127.0.0.1");
    settings.Port = port;
    settings.UserId = QStringLiteral("newsletter");
    settings.Password = QStringLiteral("geheim");
    settings.MailsPerConnection = reconnectEvery;
    settings.ProgressMax = mails;
    settings.LogFileName = dir.filePath(QStringLiteral("News_08122026_1.log"));
    settings.FallbackLogFileName = dir.filePath(QStringLiteral("newsletter.log"));
    SmtpSessionOptions options;
    options.localHostName = QStringLiteral("bench.example.org");
    options.transcriptPath.clear();

    QElapsedTimer timer;
    timer.start();
    auto* run = new TMGS(settings, std::make_unique<SmtpMailTransport>(options), std::move(source),
                         std::make_unique<StatusWindowReporter>(nullptr));
    // The main thread runs its event loop, as the program does, until the run has freed itself.
    QEventLoop loop;
    QObject::connect(run, &QObject::destroyed, &loop, &QEventLoop::quit);
    run->start();
    loop.exec();
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    QFile log(settings.LogFileName);
    const QByteArray text = log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
    std::printf("%s reconnect_every=%d: %lld of %d mails sent in %.2f s -> %.1f mails/s\n", what, reconnectEvery,
                static_cast<long long>(text.count("fertig.\r\n")), mails, seconds, mails / seconds);
}
