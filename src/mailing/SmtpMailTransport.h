#pragma once

#include "mailing/MailTransport.h"
#include "mailing/SmtpSession.h"

#include <QDateTime>

#include <functional>
#include <memory>

// The transport of a real send run: an SmtpSession that writes each mail's own header lines
// From:, To:, Subject:, Date: (RFC 5322, English names whatever the locale) and Message-ID:
// before the mail's MIME header lines. Created on the main thread; the session and its socket
// are made on first use in the run's thread.
class SmtpMailTransport final : public IMailTransport
{
public:
    struct Seams
    {
        std::function<QDateTime()> now;       // default: the local time
        std::function<QString()> newUniqueId; // "GUID@host"; default: a new QUuid and the host name
    };

    explicit SmtpMailTransport(SmtpSessionOptions options = {}, Seams seams = {});
    ~SmtpMailTransport() override;

    SmtpResult connectToHost(const QString& host, quint16 port) override;
    bool offersAuthentication() const override;
    SmtpResult login(const QString& user, const QString& password) override;
    SmtpResult send(const OutgoingMail& mail) override;
    SmtpResult disconnect() override;

private:
    SmtpSession& session();

    SmtpSessionOptions m_options;
    Seams m_seams;
    std::unique_ptr<SmtpSession> m_session;
};

// "Tue, 8 Dec 2026 10:11:12 +0100" (RFC 5322 3.3), whatever the locale.
QByteArray Rfc5322Date(const QDateTime& time);
// The value of an unstructured header field: printable ASCII as it is, other text as RFC 2047
// encoded words in UTF-8 of at most 75 characters on folded lines; control characters become
// blanks, so the value never breaks the header.
QByteArray EncodeSubjectText(const QString& text);
