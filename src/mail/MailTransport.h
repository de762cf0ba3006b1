#pragma once

#include "mail/MailMessage.h"
#include "mail/SmtpSession.h"

#include <QString>

#include <functional>

// The four steps a send run needs of its mail server, so the run can be driven against a fake.
// Created on the main thread, then used only by the run's thread; nothing here throws.
class IMailTransport {
public:
    virtual ~IMailTransport() = default;

    // Called about every 100 ms while a step waits for the server; true ends the wait with
    // Cancelled. Set before the first step.
    virtual void setWaitHook(std::function<bool()> stopWaiting) = 0;
    // Opens a new connection (dropping an earlier one) and greets the server.
    virtual SmtpResult connectToHost(const QString& host, quint16 port, SmtpTls tls) = 0;
    // A connection is open: false before the first, after disconnect() and after a step that
    // ended the connection (Failed, Cancelled).
    virtual bool isConnected() const = 0;
    // The connection just opened announced at least one authentication mechanism.
    virtual bool offersAuthentication() const = 0;
    // The TLS version of the open connection ("TLS 1.3"); empty when it is not encrypted.
    virtual QString tlsProtocol() const = 0;
    virtual SmtpResult login(const QString& user, const QString& password) = 0;
    // The mail to follow the one being sent over this connection, asked for once when that
    // one's data is ready to go; null when none follows.
    using NextMail = std::function<const TMailMessage*()>;
    // Sends one mail over the open connection, writing its own header lines before the mail's.
    // Where the server offers PIPELINING, the envelope of the mail that next returns goes out
    // with this mail's end of data; the next send must then be given that mail (the step that
    // ended the connection or disconnect() gives it up). mail is not read after next was asked.
    virtual SmtpResult send(const TMailMessage& mail, const NextMail& next) = 0;
    // Ends the connection in order; Ok when there was none.
    virtual SmtpResult disconnect() = 0;
};
