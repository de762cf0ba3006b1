#include "AiosmtpdServer.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>

namespace {

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

AiosmtpdServer::AiosmtpdServer(const Options& options)
{
    QStringList arguments{QStringLiteral(KUB_TEST_TOOLS "/smtp_server.py"), QStringLiteral("--store"), m_store.path()};
    if (!options.user.isEmpty())
        arguments << QStringLiteral("--user") << options.user << QStringLiteral("--password") << options.password;
    if (options.requireAuth)
        arguments << QStringLiteral("--require-auth");
    if (!options.tlsCertificate.isEmpty())
        arguments << QStringLiteral("--tls-cert") << options.tlsCertificate << QStringLiteral("--tls-key")
                  << options.tlsKey;
    if (options.implicitTls)
        arguments << QStringLiteral("--implicit-tls");
    if (options.quitWithoutReply)
        arguments << QStringLiteral("--quit-without-reply");
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral("/usr/bin/python3"), arguments);
    const QDeadlineTimer deadline(20'000);
    QByteArray output;
    while (!output.contains('\n') && !deadline.hasExpired()) {
        if (!m_process.waitForReadyRead(int(deadline.remainingTime())))
            break;
        output += m_process.readAllStandardOutput();
    }
    if (output.startsWith("PORT "))
        m_port = quint16(output.mid(5).trimmed().toUInt());
    else
        m_startError = QStringLiteral("smtp_server.py did not start (python3-aiosmtpd installed?): ") +
                       QString::fromUtf8(output) + m_process.errorString();
}

AiosmtpdServer::~AiosmtpdServer()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(10'000)) {
        m_process.kill();
        m_process.waitForFinished(5'000);
    }
}

QList<QJsonObject> AiosmtpdServer::messages() const
{
    QList<QJsonObject> result;
    for (int n = 1;; ++n) {
        const QString base = m_store.filePath(QString::number(n));
        const QByteArray json = readFile(base + QStringLiteral(".json"));
        if (json.isEmpty())
            return result;
        QJsonObject record = QJsonDocument::fromJson(json).object();
        record.insert(QStringLiteral("raw"), QString::fromLatin1(readFile(base + QStringLiteral(".eml"))));
        result.append(record);
    }
}

int AiosmtpdServer::connections() const
{
    return readFile(m_store.filePath(QStringLiteral("connections.txt"))).toInt();
}
