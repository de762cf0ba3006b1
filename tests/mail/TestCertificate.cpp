#include "TestCertificate.h"

#include <QFile>
#include <QProcess>

TestCertificate::TestCertificate()
{
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("ec"),
                   QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                   QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                   QStringLiteral("/CN=localhost"), QStringLiteral("-addext"),
                   QStringLiteral("subjectAltName=IP:127.0.0.1,DNS:localhost"), QStringLiteral("-keyout"), keyPath(),
                   QStringLiteral("-out"), certificatePath()});
    if (!openssl.waitForFinished(60'000) || openssl.exitCode() != 0) {
        m_error =
            QStringLiteral("openssl failed: ") + QString::fromLocal8Bit(openssl.readAll()) + openssl.errorString();
        return;
    }
    QFile file(certificatePath());
    if (file.open(QIODevice::ReadOnly))
        m_certificate = QSslCertificate(&file, QSsl::Pem);
    if (m_certificate.isNull())
        m_error = QStringLiteral("cannot read ") + certificatePath();
}
