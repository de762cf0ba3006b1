#pragma once

#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// The python3-aiosmtpd server of tests/tools/smtp_server.py, started on a free loopback port
// for one test and stopped at its end. Its stored messages are read back as its JSON records.
class AiosmtpdServer {
public:
    struct Options {
        QString user;
        QString password;
        bool requireAuth = false;
        // With a certificate and key (PEM files) the server offers STARTTLS, or speaks TLS
        // from the first byte when implicitTls is set.
        QString tlsCertificate{};
        QString tlsKey{};
        bool implicitTls = false;
        bool quitWithoutReply = false; // closes on QUIT without its 221
    };

    explicit AiosmtpdServer(const Options& options);
    ~AiosmtpdServer();
    AiosmtpdServer(const AiosmtpdServer&) = delete;
    AiosmtpdServer& operator=(const AiosmtpdServer&) = delete;

    // 0 when the server did not start; startError() then says why.
    quint16 port() const { return m_port; }
    const QString& startError() const { return m_startError; }

    // The stored messages in the order received; each record holds connection, mail_from,
    // rcpt_tos, subject, to (the To header's addresses), to_defects, defects and body, plus
    // "raw", the data as received.
    QList<QJsonObject> messages() const;
    int connections() const;

private:
    QTemporaryDir m_store;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_startError;
};
