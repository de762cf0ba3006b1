#pragma once

#include <QSslCertificate>
#include <QString>
#include <QTemporaryDir>

// A self-signed certificate for 127.0.0.1 and localhost, made with the openssl command for one
// test. Trusted only by a session that is given it.
class TestCertificate {
public:
    TestCertificate();

    // Empty when openssl failed; error() then says why.
    const QSslCertificate& certificate() const { return m_certificate; }
    const QString& error() const { return m_error; }
    QString certificatePath() const { return m_dir.filePath(QStringLiteral("cert.pem")); }
    QString keyPath() const { return m_dir.filePath(QStringLiteral("key.pem")); }

private:
    QTemporaryDir m_dir;
    QSslCertificate m_certificate;
    QString m_error;
};
