#include "CupsTestServer.h"

#include <cups/cups.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

namespace {

const QString kCupsd = QStringLiteral("/usr/sbin/cupsd");
constexpr int kWaitMs = 30000;

bool writeText(const QString& path, const QString& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0;
}

} // namespace

CupsTestServer::CupsTestServer(JobHistory history)
    : m_oldServer(qgetenv("CUPS_SERVER")),
      m_hadServer(qEnvironmentVariableIsSet("CUPS_SERVER"))
{
    if (!QFileInfo(kCupsd).isExecutable()) {
        m_error = QStringLiteral("no cupsd installed");
        return;
    }
    const QString root = m_dir.path();
    for (const char* folder : {"spool", "tmp", "cache", "state", "log", "ppd"})
        QDir(root).mkpath(QString::fromLatin1(folder));
    const QString socket = root + QStringLiteral("/cups.sock");
    const QString allowAll = QStringLiteral("  Order allow,deny\n  Allow all\n");
    const bool written =
        writeText(root + QStringLiteral("/cupsd.conf"),
                  QStringLiteral("Listen ") + socket +
                      QStringLiteral("\nLogLevel warn\nWebInterface No\nBrowsing Off\nDefaultAuthType None\n") +
                      (history == JobHistory::Dropped ? QStringLiteral("PreserveJobHistory No\n") : QString()) +
                      QStringLiteral("<Location />\n") +
                      allowAll + QStringLiteral("</Location>\n<Location /admin>\n") + allowAll +
                      QStringLiteral("</Location>\n<Policy default>\n  <Limit All>\n") + allowAll +
                      QStringLiteral("  </Limit>\n</Policy>\n")) &&
        writeText(root + QStringLiteral("/cups-files.conf"),
                  QStringLiteral("ServerRoot %1\nRequestRoot %1/spool\nTempDir %1/tmp\nCacheDir %1/cache\n"
                                 "StateDir %1/state\nErrorLog %1/log/error_log\nAccessLog %1/log/access_log\n"
                                 "PageLog %1/log/page_log\nFileDevice Yes\nServerBin /usr/lib/cups\n"
                                 "DataDir /usr/share/cups\n")
                      .arg(root));
    if (!written) {
        m_error = QStringLiteral("cannot write the configuration");
        return;
    }
    m_cupsd.setProcessChannelMode(QProcess::MergedChannels);
    m_cupsd.start(kCupsd, {QStringLiteral("-f"), QStringLiteral("-c"), root + QStringLiteral("/cupsd.conf"),
                           QStringLiteral("-s"), root + QStringLiteral("/cups-files.conf")});
    if (!m_cupsd.waitForStarted(kWaitMs)) {
        m_error = QStringLiteral("cupsd did not start: ") + m_cupsd.errorString();
        return;
    }
    qputenv("CUPS_SERVER", socket.toUtf8());
    cupsSetServer(socket.toUtf8().constData());
    const QDeadlineTimer deadline(kWaitMs);
    while (!run(QStringLiteral("/usr/bin/lpstat"), {QStringLiteral("-r")})) {
        if (deadline.hasExpired() || m_cupsd.state() != QProcess::Running) {
            m_error = QStringLiteral("cupsd does not answer: ") + QString::fromLocal8Bit(m_cupsd.readAll());
            return;
        }
        QThread::msleep(50);
    }
}

CupsTestServer::~CupsTestServer()
{
    if (m_cupsd.state() != QProcess::NotRunning) {
        m_cupsd.terminate();
        if (!m_cupsd.waitForFinished(kWaitMs))
            m_cupsd.kill();
        m_cupsd.waitForFinished(kWaitMs);
    }
    if (m_hadServer)
        qputenv("CUPS_SERVER", m_oldServer);
    else
        qunsetenv("CUPS_SERVER");
    cupsSetServer(nullptr);
}

bool CupsTestServer::run(const QString& tool, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(tool, arguments);
    return process.waitForFinished(kWaitMs) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0 && !process.readAll().contains("not running");
}

bool CupsTestServer::addQueue(const QString& name)
{
    return run(QStringLiteral("/usr/sbin/lpadmin"),
               {QStringLiteral("-p"), name, QStringLiteral("-E"), QStringLiteral("-v"), QStringLiteral("file:///dev/null")});
}
