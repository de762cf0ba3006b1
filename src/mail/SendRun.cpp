#include "mail/SendRun.h"

#include <exception>

namespace {

const QString kSucceeded = QStringLiteral("erfolgreich.");
const QString kFailed = QStringLiteral("fehlgeschlagen.");
const QString kErrorText = QStringLiteral("    Fehlertext: ");
const QString kNote = QStringLiteral("    Hinweis: ");
// A mail whose end of data got no reply in turn: the server may hold it.
const QString kUncertain = QStringLiteral("nicht sicher.");
// Why the run connects again, when it is not the count of mails per connection.
const QString kServerClosed = QStringLiteral("Der Mailserver hat die Verbindung geschlossen");
const QString kConnectionLost = QStringLiteral("Verbindung zum Mailserver abgebrochen");

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
    const auto recipients = static_cast<int>(m_source.remainingRecipients().size());
    try {
        run();
    } catch (...) {
        // Only an exhausted process gets here (run() handles every failure of its own).
        m_result = SendResult::NoConnection;
    }
    m_log.close();
    SendRunOutcome outcome{m_result};
    if (m_log.failed())
        // Mails of uncertain acceptance are named apart; they are not to be sent again blindly.
        outcome = {SendResult::LogIncomplete, m_log.errorString(), m_mailsSent, unloggedRecipients(),
                   recipients - m_mailsSent - static_cast<int>(m_uncertain.size())};
    else
        outcome.detail = m_detail;
    outcome.uncertainRecipients = m_uncertain;
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
            throw abortOn(connected);
        status(QStringLiteral("Verbunden..."));
        m_log.line(kSucceeded);
        logEncryption();
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
            throw abortOn(login);
    }
    if (logFailed())
        return;
    if (!m_source.prepare())
        throw Abort{m_source.errorText(), QStringLiteral("EMessageBuildError")};

    // A run that cannot connect again names every mail it does not send.
    const auto connectAgain = [this](const QString& why) {
        if (reconnect(why))
            return true;
        if (!m_cancel)
            logNotAttempted();
        return false;
    };
    int mailsOnConnection = 0;
    // Where the server pipelines, the next mail is built while this one's data goes out, so
    // its envelope can go in the same write; the mail being sent is kept for a new attempt.
    const IMailTransport::NextMail next = [&]() -> const TMailMessage* {
        if (!m_next) {
            if (m_source.done() || logFailed() ||
                (m_settings.MailsPerConnection > 0 && mailsOnConnection >= m_settings.MailsPerConnection))
                return nullptr;
            m_held = m_source.message();
            m_next = m_source.buildNext();
        }
        return *m_next ? &m_source.message() : nullptr;
    };
    SmtpResult sent;
    bool buildFailed = false;
    do {
        const bool built = m_next ? *m_next : m_source.buildNext();
        m_next.reset();
        m_held.reset();
        if (built) {
            // Reconnect only for a mail that was built, so a run of exactly N mails never does. A
            // connection the server closed (421) or that broke is opened again the same way.
            const bool lost = !m_transport.isConnected();
            if (lost || (m_settings.MailsPerConnection > 0 && mailsOnConnection == m_settings.MailsPerConnection)) {
                const QString why = !lost ? QStringLiteral("Trennen nach ") + QString::number(mailsOnConnection) +
                                                QStringLiteral(" Mail(s)")
                                    : sent.fault == SmtpFault::ServerClosing ? kServerClosed
                                                                             : kConnectionLost;
                if (!connectAgain(why))
                    return;
                mailsOnConnection = 0;
            }
            ++mailsOnConnection;
            const QString recipient = m_source.message().Recipient;
            std::optional<SmtpResult> result = sendMessage(m_source.message(), next);
            // RFC 5321 3.8: after a 421 before its end of data was accepted the server holds
            // nothing of the mail, so it goes once more over a new connection.
            if (result && result->fault == SmtpFault::ServerClosing) {
                m_log.line(QStringLiteral("unterbrochen, neuer Versuch."));
                m_log.line(kErrorText + result->message);
                if (!connectAgain(kServerClosed))
                    return;
                mailsOnConnection = 1;
                result = sendMessage(m_held ? *m_held : m_source.message(), next);
            }
            if (!result)
                break;
            sent = *result;
            if (cancelled(sent)) {
                if (sent.mailUncertain)
                    noteUncertain(recipient);
                if (sent.earlierMailUncertain)
                    takeBackAcceptance();
                status(QStringLiteral("Abbruch"));
                return;
            }
            if (sent.ok()) {
                m_log.line(QStringLiteral("fertig."));
                noteSent(recipient);
            } else {
                m_result = SendResult::SendFailed;
                m_log.line(sent.mailUncertain ? kUncertain : kFailed);
                m_log.line(kErrorText + sent.message);
                if (sent.mailUncertain)
                    noteUncertain(recipient);
            }
            // The replies were out of turn: the mail accepted before this one may not have been.
            if (sent.earlierMailUncertain)
                takeBackAcceptance();
            m_lastAnswered = sent.endOfDataAnswered ? AnsweredMail{recipient, sent.ok()} : AnsweredMail{};
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
    } while (!buildFailed && (m_next || !m_source.done()) && !m_cancel && !logFailed());
    if (m_cancel)
        status(QStringLiteral("Abbruch"));
}

std::optional<SmtpResult> SendRun::sendMessage(const TMailMessage& mail, const IMailTransport::NextMail& next)
{
    status(QStringLiteral("Senden an ") + mail.Recipient);
    m_log.openEntry(QStringLiteral("  Versenden der Nachricht an ") + quoted(mail.Recipient) + QStringLiteral(" ... "));
    // The entry is in the file before the mail goes out: a log that cannot take it (a full disk)
    // stops the run before a mail is sent that the log could not record.
    m_log.flush();
    if (logFailed())
        return std::nullopt;
    return m_transport.send(mail, next);
}

bool SendRun::reconnect(const QString& why)
{
    // A QUIT that cannot be written means the old connection is gone already: connect anew.
    const SmtpResult closed = m_transport.disconnect();
    status(why + QStringLiteral("..."));
    m_log.line(why + u'.');
    logNote(closed);
    if (closed.earlierMailUncertain)
        takeBackAcceptance();
    m_lastAnswered = {};

    m_log.openEntry(QStringLiteral("Erneuter Verbindungsaufbau zum Mailserver ") + quoted(m_settings.Host) +
                    QStringLiteral(" ... "));
    const SmtpResult connected = m_transport.connectToHost(m_settings.Host, m_settings.Port, m_settings.Tls);
    if (cancelled(connected))
        return false;
    if (!connected.ok())
        return reconnectFailed(connected);
    status(QStringLiteral("Verbunden..."));
    m_log.line(kSucceeded);
    logEncryption();

    // Only the first connection decides whether the run logs in.
    if (m_loginUsed) {
        const SmtpResult login = loginStep(QStringLiteral("Erneutes Anmelden"));
        if (login.status == SmtpStatus::Rejected || cancelled(login))
            return false;
        if (!login.ok())
            return reconnectFailed(login);
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

void SendRun::noteUncertain(const QString& recipient)
{
    m_result = SendResult::SendFailed;
    m_uncertain.append(recipient);
    m_log.line(kNote + QStringLiteral("Ob der Mailserver die Nachricht an ") + quoted(recipient) +
               QStringLiteral(" angenommen hat, ist nicht sicher: Auf ihr Ende kam keine passende Antwort. Sie gilt "
                              "als nicht versendet und wird nicht noch einmal gesendet; bitte prüfen Sie beim "
                              "Empfänger, ob sie angekommen ist."));
}

void SendRun::takeBackAcceptance()
{
    if (m_lastAnswered.recipient.isEmpty())
        return;
    if (m_lastAnswered.accepted) {
        --m_mailsSent;
        for (qsizetype i = m_sentNotYetHeld.size() - 1; i >= 0; --i) {
            if (m_sentNotYetHeld[i].recipient == m_lastAnswered.recipient) {
                m_sentNotYetHeld.removeAt(i);
                break;
            }
        }
    }
    noteUncertain(m_lastAnswered.recipient);
    m_lastAnswered = {};
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
        // RFC 4954 6: only 535 says the credentials are wrong; a temporary failure, a mechanism
        // or a connection the server will not take for a login says nothing of the password.
        if (login.reply.code == 535) {
            m_result = SendResult::LoginRefused;
        } else {
            m_result = SendResult::NoConnection;
            m_detail = QStringLiteral("Der Mailserver hat die Anmeldung abgelehnt: ") + quoted(login.message) +
                       QStringLiteral(".");
        }
        status(entry + QStringLiteral(" am Mailserver fehlgeschlagen."));
        m_log.line(kFailed);
        if (m_result != SendResult::LoginRefused)
            m_log.line(kErrorText + login.message);
    }
    return login;
}

bool SendRun::reconnectFailed(const SmtpResult& step)
{
    m_result = SendResult::NoConnection;
    m_detail = abortOn(step).windowDetail;
    status(QStringLiteral("Erneuter Verbindungsaufbau zum Mailserver ") + quoted(m_settings.Host) +
           QStringLiteral(" fehlgeschlagen."));
    m_log.line(kFailed);
    m_log.line(kErrorText + step.message);
    return false;
}

SendRun::Abort SendRun::abortOn(const SmtpResult& step)
{
    // A fault's German text says what the user can do; the status window shows it too.
    return {step.message, step.errorClassName(), step.explained() ? step.message : QString()};
}

void SendRun::logEncryption()
{
    const QString protocol = m_transport.tlsProtocol();
    m_log.line(protocol.isEmpty() ? QStringLiteral("    Verbindung nicht verschlüsselt.")
                                  : QStringLiteral("    Verbindung verschlüsselt (") + protocol + QStringLiteral(")."));
}

void SendRun::logNote(const SmtpResult& step)
{
    if (step.ok() && !step.message.isEmpty())
        m_log.line(kNote + step.message);
}

void SendRun::disconnectStep()
{
    status(QStringLiteral("Verbindung trennen"));
    m_log.openEntry(QStringLiteral("Trennen vom MailServer ... "));
    const SmtpResult closed = m_transport.disconnect();
    if (closed.ok()) {
        m_log.line(kSucceeded);
        logNote(closed);
        if (closed.earlierMailUncertain)
            takeBackAcceptance();
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
    m_detail = abort.windowDetail;
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
