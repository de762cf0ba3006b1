#pragma once

#include <QSslCertificate>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A server certificate made with the openssl command for one test: by default for 127.0.0.1 and
// localhost and valid now. Trusted only by a session that is given certificate().
class TestCertificate {
public:
    struct Options {
        QString commonName = QStringLiteral("localhost");
        QString subjectAltName = QStringLiteral("IP:127.0.0.1,DNS:localhost");
        // Valid only from 1 January 2020 12:00 to 2 January 2020 12:00 UTC, and issued by a
        // certificate authority of its own that is valid now.
        bool expired = false;
    };

    TestCertificate() : TestCertificate(Options{}) {}
    explicit TestCertificate(const Options& options);

    // What a session must trust: the certificate itself, or the authority that issued it.
    // Empty when openssl failed; error() then says why.
    const QSslCertificate& certificate() const { return m_certificate; }
    const QString& error() const { return m_error; }
    QString certificatePath() const { return m_dir.filePath(QStringLiteral("cert.pem")); }
    QString keyPath() const { return m_dir.filePath(QStringLiteral("key.pem")); }

private:
    bool openssl(const QStringList& arguments);
    QString path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir m_dir;
    QSslCertificate m_certificate;
    QString m_error;
};
