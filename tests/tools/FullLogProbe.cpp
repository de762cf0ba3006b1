// Starts as the program starts as far as signals go (TurnFileSizeSignalIntoWriteError first in
// main, unless --default-signal), then runs one send run on a thread of its own, as the program
// does, to a transport that accepts every mail, writing the run's log to LOGFILE. Prints what
// the run reported and what the transport took, one "name value" a line:
//   result 9 | sent 12 | without 188 | accepted a@x,b@x | unlogged b@x
// Meant to be run under a file-size limit (prlimit --fsize).
//   fulllogprobe LOGFILE RECIPIENTS [--default-signal]
#include "mail/SendRun.h"
#include "mail/SendRunFakes.h"
#include "platform/FileSizeSignal.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>

int main(int argc, char** argv)
{
    const bool defaultSignal = argc == 4 && QByteArray(argv[3]) == "--default-signal";
    if (!defaultSignal && !TurnFileSizeSignalIntoWriteError())
        return 3;
    QCoreApplication app(argc, argv);
    if (argc < 3)
        return 2;

    QStringList recipients;
    for (int i = 0; i < QByteArray(argv[2]).toInt(); ++i)
        recipients.append(QStringLiteral("r%1@example.com").arg(i));
    SendRunSettings settings;
    settings.Host = QStringLiteral("smtp.example.org");
    settings.ProgressMax = int(recipients.size());
    settings.LogFileName = QString::fromLocal8Bit(argv[1]);
    FakeTransport transport;
    transport.announcesAuth = false;
    FakeSource source(recipients);
    RecordingReporter reporter;
    SendResult result = SendResult::CancelSeen;

    QThread* thread = QThread::create([&] { result = SendRun(settings, transport, source, reporter).execute(); });
    thread->start();
    if (!thread->wait(QDeadlineTimer(60000)))
        return 4;
    delete thread;

    QStringList accepted;
    for (const QString& call : transport.calls) {
        if (call.startsWith(QStringLiteral("send ")))
            accepted.append(call.mid(5));
    }
    std::printf("result %d\nsent %d\nwithout %d\naccepted %s\nunlogged %s\n", static_cast<int>(result),
                reporter.outcome.mailsSent, reporter.outcome.recipientsWithoutMail, qPrintable(accepted.join(u',')),
                qPrintable(reporter.outcome.unloggedRecipients.join(u',')));
    return 0;
}
