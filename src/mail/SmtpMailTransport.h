#pragma once

#include "mail/MailTransport.h"
#include "mail/SmtpSession.h"
#include "mail/UniqueIdSource.h"

#include <QDateTime>

#include <functional>
#include <memory>
#include <optional>

// The transport of a real send run: an SmtpSession that writes each mail's own header lines
// From:, To:, Subject:, Date: (RFC 5322, English names whatever the locale) and Message-ID:
// before the mail's MIME header lines. Created on the main thread; the session and its socket
// are made on first use in the run's thread.
class SmtpMailTransport final : public IMailTransport {
public:
    // now defaults to a MailDateClock made with the transport; ids (for Message-ID) to the
    // system's GUIDs and host name.
    explicit SmtpMailTransport(SmtpSessionOptions options = {}, std::function<QDateTime()> now = {},
                               std::unique_ptr<TUniqueIdSource> ids = {});
    ~SmtpMailTransport() override;

    void setWaitHook(std::function<bool()> stopWaiting) override;
    SmtpResult connectToHost(const QString& host, quint16 port, SmtpTls tls) override;
    bool isConnected() const override;
    bool offersAuthentication() const override;
    QString tlsProtocol() const override;
    SmtpResult login(const QString& user, const QString& password) override;
    SmtpResult send(const TMailMessage& mail, const NextMail& next) override;
    SmtpResult disconnect() override;

private:
    SmtpSession& session();
    // The session's form of mail with its header lines; the reason when an address fails its
    // check (the addresses go into the header too, so no CR or LF can reach it through them).
    std::optional<SmtpSession::Outgoing> outgoing(const TMailMessage& mail, SmtpResult& failure);
    QByteArray header(const TMailMessage& mail, const QByteArray& from, const QByteArray& to);
    // The Date header's text for now.
    const QByteArray& date();

    SmtpSessionOptions m_options;
    std::function<QDateTime()> m_now;
    std::unique_ptr<TUniqueIdSource> m_ids;
    std::function<bool()> m_stopWaiting;
    std::unique_ptr<SmtpSession> m_session;
    QString m_subject; // the subject encoded last, and its encoded form
    QByteArray m_encodedSubject;
    QByteArray m_date; // the Date text made last, for the second and offset from UTC it shows
    qint64 m_dateSecond = 0;
    int m_dateOffset = 0;
};

// "Tue, 8 Dec 2026 10:11:12 +0100" (RFC 5322 3.3), whatever the locale.
QByteArray Rfc5322Date(const QDateTime& time);
