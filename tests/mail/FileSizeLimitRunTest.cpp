// A send run under a file-size limit set from outside (prlimit --fsize), in a process that
// handles the file-size signal as the program does; this test process leaves the signal alone.
#include "SendRunFakes.h"

#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct ProbeRun {
    QProcess::ExitStatus status = QProcess::CrashExit;
    int exitCode = -1;
    QMap<QString, QString> printed; // "name value" lines
    QByteArray log;
};

ProbeRun runProbeUnderLimit(qint64 limitBytes, int recipients, const QStringList& extra = {})
{
    QTemporaryDir dir;
    const QString logPath = dir.filePath(QStringLiteral("News_08122026_1.log"));
    QProcess probe;
    const QString limit = QString::number(limitBytes);
    probe.start(QStringLiteral("prlimit"),
                QStringList{QStringLiteral("--fsize=") + limit + u':' + limit, QStringLiteral("--"),
                            QStringLiteral(KUB_FULL_LOG_PROBE), logPath, QString::number(recipients)} +
                    extra);
    ProbeRun run;
    if (!probe.waitForFinished(120000))
        return run;
    run.status = probe.exitStatus();
    run.exitCode = probe.exitCode();
    for (const QString& line : QString::fromUtf8(probe.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts))
        run.printed.insert(line.section(u' ', 0, 0), line.section(u' ', 1));
    QFile log(logPath);
    if (log.open(QIODevice::ReadOnly))
        run.log = log.readAll();
    return run;
}

QStringList listed(const QString& commaSeparated)
{
    return commaSeparated.split(u',', Qt::SkipEmptyParts);
}

} // namespace

// Whatever the limit, the run ends with result 9 in a living process: the log holds whole lines
// only, every mail the server took is either logged as sent or named as missing from the log,
// and the recipients without a mail are counted.
TEST(FileSizeLimitRun, FullFileIsAFullLogInALivingProcess)
{
    constexpr int kRecipients = 200;
    // Room for: the log's head and the connect line only; some mails; many mails.
    for (const qint64 limit : {150, 1500, 4099}) {
        SCOPED_TRACE(limit);
        const ProbeRun run = runProbeUnderLimit(limit, kRecipients);
        ASSERT_EQ(run.status, QProcess::NormalExit);
        ASSERT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.printed.value(QStringLiteral("result")), QStringLiteral("9"));
        EXPECT_LE(run.log.size(), limit);
        EXPECT_TRUE(run.log.startsWith("Sendeprotokoll vom ")) << run.log.constData();
        EXPECT_TRUE(run.log.endsWith("\r\n")) << run.log.right(80).constData();

        const QStringList accepted = listed(run.printed.value(QStringLiteral("accepted")));
        EXPECT_LT(accepted.size(), kRecipients);
        EXPECT_EQ(run.printed.value(QStringLiteral("sent")).toInt(), accepted.size());
        EXPECT_EQ(LoggedAsSent(run.log) + listed(run.printed.value(QStringLiteral("unlogged"))), accepted);
        EXPECT_EQ(run.printed.value(QStringLiteral("without")).toInt(), kRecipients - accepted.size());
    }
}

// The same run without the program's handling is ended by the signal: the case above is not
// passed because something around the test ignores it.
TEST(FileSizeLimitRun, WithoutTheHandlingTheSignalEndsTheProcess)
{
    const ProbeRun run = runProbeUnderLimit(1500, 200, {QStringLiteral("--default-signal")});
    EXPECT_EQ(run.status, QProcess::CrashExit);
    EXPECT_FALSE(run.printed.contains(QStringLiteral("result")));
}
