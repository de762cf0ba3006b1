#include "mail/SendRun.h"

#include <exception>

namespace {

const QString kSucceeded = QStringLiteral("erfolgreich.");
const QString kFailed = QStringLiteral("fehlgeschlagen.");
const QString kErrorText = QStringLiteral("    Fehlertext: ");

QString quoted(const QString& value)
{
    return u'"' + value + u'"';
}

} // namespace

SendRun::SendRun(SendRunSettings settings, IMailTransport& transport, IMailSource& source, ISendRunReporter& reporter,
                 Clock clock)
    : m_settings(std::move(settings)), m_transport(transport), m_source(source), m_reporter(reporter),
      m_clock(clock ? std::move(clock) : Clock([] { return QDateTime::currentDateTime(); }))
{}

SendResult SendRun::execute()
{
    const bool fallback = m_settings.LogFileName.isEmpty();
    const QString path = fallback ? m_settings.FallbackLogFileName : m_settings.LogFileName;
    // Without a log nobody could tell which mails went out, so nothing is sent.
    if (path.isEmpty() || !m_log.open(path, fallback)) {
        m_result = SendResult::LogNotCreated;
        m_reporter.reportResult({m_result, m_log.errorString()});
        return m_result;
    }
    m_transport.setWaitHook([this] {
        m_log.flushIfDue();
        return m_reporter.cancelRequested();
    });
    try {
        run();
    } catch (...) {
        // Only an exhausted process gets here (run() handles every failure of its own).
        m_result = SendResult::NoConnection;
    }
    m_log.close();
    SendRunOutcome outcome{m_result};
    if (m_log.failed())
        outcome = {SendResult::LogIncomplete, m_log.errorString(), m_mailsSent, unloggedRecipients()};
    m_result = outcome.result;
    m_reporter.reportResult(outcome);
    return m_result;
}

void SendRun::run()
{
    m_reporter.initProgress(m_settings.ProgressMax);
    status(QStringLiteral("Verbinden..."));
    m_log.line(QStringLiteral("Sendeprotokoll vom ") + m_clock().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")));
    m_log.line();
    m_log.line();
    checkCancel();
    if (!m_cancel && !logFailed())
        connectAndSend();
    cancelEnd();
}

void SendRun::connectAndSend()
{
    m_log.openEntry(QStringLiteral("Verbindungsaufbau zum Mailserver ") + quoted(m_settings.Host) +
                    QStringLiteral(" ... "));
    try {
        const SmtpResult connected = m_transport.connectToHost(m_settings.Host, m_settings.Port, m_settings.Tls);
        if (cancelled(connected))
            return;
        if (!connected.ok())
            throw Abort{connected.message, connected.errorClassName()};
        status(QStringLiteral("Verbunden..."));
        m_log.line(kSucceeded);
        // Every way out of an open connection passes through the disconnect step.
        try {
            sendAll();
        } catch (...) {
            disconnectStep();
            throw;
        }
        disconnectStep();
    } catch (const Abort& abort) {
        catchAll(abort);
    } catch (const std::exception& e) {
        catchAll({QString::fromLocal8Bit(e.what()), QStringLiteral("std::exception")});
    }
}

void SendRun::sendAll()
{
    // A server that offers authentication gets AUTH LOGIN, unless no user name is set: then a
    // server that really needs it refuses at MAIL FROM, which the log shows.
    if (m_transport.offersAuthentication() && !m_settings.UserId.isEmpty()) {
        m_loginUsed = true;
        const SmtpResult login = loginStep(QStringLiteral("Anmelden"));
        if (login.status == SmtpStatus::Rejected || cancelled(login))
            return;
        if (!login.ok())
            throw Abort{login.message, login.errorClassName()};
    }
    if (logFailed())
        return;
    if (!m_source.prepare())
        throw Abort{m_source.errorText(), QStringLiteral("EMessageBuildError")};

    int mailsOnConnection = 0;
    bool buildFailed = false;
    do {
        if (m_source.buildNext()) {
            // Reconnect only for a mail that was built, so a run of exactly N mails never does. A
            // connection the server closed (421) or that broke is opened again the same way.
            const bool full = m_settings.MailsPerConnection > 0 && mailsOnConnection == m_settings.MailsPerConnection;
            if (full || !m_transport.isConnected()) {
                if (!reconnect(mailsOnConnection)) {
                    if (!m_cancel)
                        logNotAttempted();
                    return;
                }
                mailsOnConnection = 0;
            }
            ++mailsOnConnection;
            const TMailMessage& mail = m_source.message();
            status(QStringLiteral("Senden an ") + mail.Recipient);
            m_log.openEntry(QStringLiteral("  Versenden der Nachricht an ") + quoted(mail.Recipient) +
                            QStringLiteral(" ... "));
            // The entry is in the file before the mail goes out: a log that cannot take it (a
            // full disk) stops the run before a mail is sent that the log could not record.
            m_log.flush();
            if (logFailed())
                break;
            const SmtpResult sent = m_transport.send(mail);
            if (cancelled(sent)) {
                status(QStringLiteral("Abbruch"));
                return;
            }
            if (sent.ok()) {
                m_log.line(QStringLiteral("fertig."));
                noteSent(mail.Recipient);
            } else {
                m_result = SendResult::SendFailed;
                m_log.line(kFailed);
                m_log.line(kErrorText + sent.message);
            }
        } else {
            buildFailed = true;
            m_result = SendResult::BuildFailed;
            status(QStringLiteral("Fehler"));
            const QString address = m_source.message().Recipient;
            m_log.line(address.isEmpty() ? QStringLiteral("Absenderdaten fehlerhaft.")
                                         : QStringLiteral("Erstellen der Nachricht für ") + quoted(address) +
                                               QStringLiteral(" fehlgeschlagen."));
            m_log.line(kErrorText + m_source.errorText());
        }
        m_reporter.stepProgress();
        checkCancel();
    } while (!buildFailed && !m_source.done() && !m_cancel && !logFailed());
    if (m_cancel)
        status(QStringLiteral("Abbruch"));
}

bool SendRun::reconnect(int mailsSent)
{
    // A QUIT that cannot be written means the old connection is gone already: connect anew.
    (void)m_transport.disconnect();
    status(QStringLiteral("Trennen nach ") + QString::number(mailsSent) + QStringLiteral(" Mail(s)..."));
    m_log.line(QStringLiteral("Trennen nach ") + QString::number(mailsSent) + QStringLiteral(" Mail(s)."));

    m_log.openEntry(QStringLiteral("Erneuter Verbindungsaufbau zum Mailserver ") + quoted(m_settings.Host) +
                    QStringLiteral(" ... "));
    const SmtpResult connected = m_transport.connectToHost(m_settings.Host, m_settings.Port, m_settings.Tls);
    if (cancelled(connected))
        return false;
    if (!connected.ok())
        return reconnectFailed(connected.message);
    status(QStringLiteral("Verbunden..."));
    m_log.line(kSucceeded);

    // Only the first connection decides whether the run logs in.
    if (m_loginUsed) {
        const SmtpResult login = loginStep(QStringLiteral("Erneutes Anmelden"));
        if (login.status == SmtpStatus::Rejected || cancelled(login))
            return false;
        if (!login.ok())
            return reconnectFailed(login.message);
    }
    return !logFailed();
}

void SendRun::noteSent(const QString& recipient)
{
    ++m_mailsSent;
    m_sentNotYetHeld.append({m_log.mark(), recipient});
    while (!m_sentNotYetHeld.isEmpty() && m_log.holds(m_sentNotYetHeld.first().logMark))
        m_sentNotYetHeld.removeFirst();
}

QStringList SendRun::unloggedRecipients() const
{
    QStringList unlogged;
    for (const SentMail& mail : m_sentNotYetHeld) {
        if (!m_log.holds(mail.logMark))
            unlogged.append(mail.recipient);
    }
    return unlogged;
}

bool SendRun::cancelled(const SmtpResult& step)
{
    if (step.status != SmtpStatus::Cancelled)
        return false;
    m_log.line(QStringLiteral("abgebrochen."));
    m_cancel = true;
    m_result = SendResult::CancelSeen;
    return true;
}

void SendRun::logNotAttempted()
{
    m_log.line(QStringLiteral("  Nicht versendet an ") + quoted(m_source.message().Recipient));
    for (const QString& address : m_source.remainingRecipients())
        m_log.line(QStringLiteral("  Nicht versendet an ") + quoted(address));
}

SmtpResult SendRun::loginStep(const QString& what)
{
    const QString entry = what + QStringLiteral(" des Benutzers ") + quoted(m_settings.UserId);
    status(QStringLiteral("Anmelden..."));
    m_log.openEntry(entry + QStringLiteral(" am Mailserver "));
    const SmtpResult login = m_transport.login(m_settings.UserId, m_settings.Password);
    if (login.ok()) {
        m_log.line(kSucceeded);
    } else if (login.status == SmtpStatus::Rejected) {
        m_result = SendResult::LoginRefused;
        status(entry + QStringLiteral(" am Mailserver fehlgeschlagen."));
        m_log.line(kFailed);
    }
    return login;
}

bool SendRun::reconnectFailed(const QString& message)
{
    m_result = SendResult::NoConnection;
    status(QStringLiteral("Erneuter Verbindungsaufbau zum Mailserver ") + quoted(m_settings.Host) +
           QStringLiteral(" fehlgeschlagen."));
    m_log.line(kFailed);
    m_log.line(kErrorText + message);
    return false;
}

void SendRun::disconnectStep()
{
    status(QStringLiteral("Verbindung trennen"));
    m_log.openEntry(QStringLiteral("Trennen vom MailServer ... "));
    const SmtpResult closed = m_transport.disconnect();
    if (closed.ok()) {
        m_log.line(kSucceeded);
    } else {
        m_result = SendResult::DisconnectFailed;
        status(QStringLiteral("Trennen vom MailServer fehlgeschlagen."));
        m_log.line(kFailed);
        m_log.line(QStringLiteral("#202") + kErrorText + closed.message);
    }
    status(QStringLiteral("Verbindung getrennt"));
}

void SendRun::catchAll(const Abort& abort)
{
    m_result = SendResult::NoConnection;
    status(QStringLiteral("Verbindungsaufbau zum Mailserver ") + quoted(m_settings.Host) +
           QStringLiteral(" fehlgeschlagen."));
    m_log.line(kFailed);
    m_log.line(QStringLiteral("#215") + kErrorText + abort.message + abort.className);
}

void SendRun::cancelEnd()
{
    if (!m_cancel)
        return;
    m_result = SendResult::UserCancelled;
    status(QString());
    m_log.line();
    m_log.line();
    m_log.line(QStringLiteral("Abbruch durch Benutzer."));
}

void SendRun::status(const QString& text)
{
    m_reporter.showStatus(BlankControls(text));
}

void SendRun::checkCancel()
{
    m_cancel = m_reporter.cancelRequested();
    if (m_cancel)
        m_result = SendResult::CancelSeen;
}
