#pragma once

#include "mail/MailSource.h"
#include "mail/MailTransport.h"
#include "mail/SendRunReporter.h"
#include "support/QtPrinters.h"

#include <QMap>
#include <QStringList>

#include <ostream>

// A mail server as a send run sees it: every call is recorded ("connect", "login",
// "send <address>", "disconnect") and answered from a script per call text, Ok when the script
// has nothing (more) for it. A Failed or Cancelled answer ends the connection, as a session's.
class FakeTransport : public IMailTransport {
public:
    bool announcesAuth = true;
    // Like a server that offers PIPELINING: each send asks for the next mail before its own
    // answer (recorded after it as "next <address>" when one comes).
    bool pipelines = false;
    QString encryption; // the TLS version of every connection; empty: clear text
    QMap<QString, QList<SmtpResult>> script;
    QStringList calls;

    void setWaitHook(std::function<bool()>) override {}
    SmtpResult connectToHost(const QString& host, quint16 port, SmtpTls tls) override;
    bool isConnected() const override { return m_connected; }
    bool offersAuthentication() const override { return announcesAuth; }
    QString tlsProtocol() const override { return m_connected ? encryption : QString(); }
    SmtpResult login(const QString& user, const QString& password) override;
    SmtpResult send(const TMailMessage& mail, const NextMail& next) override;
    SmtpResult disconnect() override;

    // The reply's code is the line's first three digits, as a server's refusal carries it.
    static SmtpResult rejected(const QString& line)
    {
        return {SmtpStatus::Rejected, line, {line.left(3).toInt(), {line.toUtf8()}}};
    }
    static SmtpResult failed(const QString& why) { return {SmtpStatus::Failed, why, {}}; }
    static SmtpResult cancelled() { return {SmtpStatus::Cancelled, QStringLiteral("Cancelled."), {}}; }
    static SmtpResult closing(const QString& line) { return {SmtpStatus::Failed, line, {}, SmtpFault::ServerClosing}; }

protected:
    virtual SmtpResult answer(const QString& call);

private:
    bool m_connected = false;
};

// A session to a test server on the loopback: bounded waits, a fixed EHLO name, no transcript.
SmtpSessionOptions LoopbackSessionOptions();

// One mail per address; the build of mail number failAt (counted from 0) fails with
// buildError, and prepare() fails when prepareError is set.
class FakeSource : public IMailSource {
public:
    explicit FakeSource(QStringList addresses) : m_addresses(std::move(addresses)) {}

    // What every mail carries besides its recipient.
    TMailMessage mail{QStringLiteral("news@example.org"), {}, QStringLiteral("Neuigkeiten"), {}, {}};
    // The body of the mail to an address, where it is not mail's.
    QMap<QString, QByteArrayList> bodyFor;
    int failAt = -1;
    QString buildError = QStringLiteral("empty subject and/or empty sender");
    QString prepareError;

    bool prepare() override;
    bool buildNext() override;
    bool done() const override { return m_next >= m_addresses.size(); }
    QString errorText() const override { return m_error; }
    const TMailMessage& message() const override { return m_mail; }
    QStringList remainingRecipients() const override { return m_addresses.mid(m_next); }

private:
    QStringList m_addresses;
    qsizetype m_next = 0;
    QString m_error;
    TMailMessage m_mail;
};

// Records what a run tells its window; cancel is requested from check number cancelAtCheck
// (counted from 1) on. Safe to read after the run has returned.
class RecordingReporter : public ISendRunReporter {
public:
    int cancelAtCheck = 0; // 0: never
    QStringList statuses;
    int progressMax = -1;
    int steps = 0;
    QList<SendResult> results;
    QStringList details;
    SendRunOutcome outcome; // the last one

    void initProgress(int maximum) override { progressMax = maximum; }
    void showStatus(const QString& text) override { statuses.append(text); }
    void stepProgress() override { ++steps; }
    bool cancelRequested() override { return cancelAtCheck > 0 && ++m_checks >= cancelAtCheck; }
    void reportResult(const SendRunOutcome& reported) override
    {
        results.append(reported.result);
        details.append(reported.detail);
        outcome = reported;
    }

private:
    int m_checks = 0;
};

// The addresses of a send log's "fertig." lines, in order.
QStringList LoggedAsSent(const QByteArray& log);
