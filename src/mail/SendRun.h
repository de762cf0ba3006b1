#pragma once

#include "mail/MailSource.h"
#include "mail/MailTransport.h"
#include "mail/SendLogWriter.h"
#include "mail/SendResult.h"
#include "mail/SendRunReporter.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

// What one send run is given when it is set up on the main thread.
struct SendRunSettings {
    QString Host;
    quint16 Port = 25;
    SmtpTls Tls = SmtpTls::WhenOffered;
    QString UserId; // empty: the run never logs in
    QString Password;
    // Mails over one connection before the run reconnects; 0 or less: one connection.
    int MailsPerConnection = 0;
    int ProgressMax = 0; // the number of recipients
    // The run's own log; empty: FallbackLogFileName, which is emptied first.
    QString LogFileName;
    QString FallbackLogFileName;
};

// The algorithm of one send run: connect, log in when the server offers it and a user is set,
// build and send one mail per recipient, reconnect every MailsPerConnection mails and whenever
// the connection was lost (a 421, a broken connection), disconnect, and write every step to the
// send log, with whether each connection is encrypted. A mail that met a 421 before its end of
// data was accepted is sent once more over the new connection. A cancel ends even a wait for the
// server. A mail goes out only once its log entry is in the file, so a log that cannot be written
// (a full disk) stops the run before its next mail; the outcome then says how many mails went
// out and names those whose line the log does not hold. It ends with one outcome, reported last.
// It never throws and never shows a box. Runs on the send thread; transport, source and reporter
// are borrowed and must outlive execute().
class SendRun {
public:
    using Clock = std::function<QDateTime()>;

    SendRun(SendRunSettings settings, IMailTransport& transport, IMailSource& source, ISendRunReporter& reporter,
            Clock clock = {});

    // Runs once and returns the result it reported.
    SendResult execute();

private:
    // An error that ends the run through its catch-all, carrying its message and a kind name.
    struct Abort {
        QString message;
        QString className;
        QString windowDetail{}; // shown below the result in the status window
    };

    void run();
    void connectAndSend();
    void sendAll();
    // The log entry of mail and its sending; nothing when the entry could not be written, so
    // the mail was not sent.
    std::optional<SmtpResult> sendMessage(const TMailMessage& mail, const IMailTransport::NextMail& next);
    // why: the reason logged, "Trennen nach 2 Mail(s)" or why the connection ended.
    bool reconnect(const QString& why);
    // A step ended by the user's cancel: ends the open log entry and notes the cancel.
    bool cancelled(const SmtpResult& step);
    void logNotAttempted();
    // A mail the server accepted, once its log line is given to the log.
    void noteSent(const QString& recipient);
    // A mail the server may or may not hold: logged, named in the outcome, not sent again.
    void noteUncertain(const QString& recipient);
    // The replies were out of turn: the mail accepted last on the connection becomes uncertain.
    void takeBackAcceptance();
    QStringList unloggedRecipients() const;
    // AUTH LOGIN with its log entry; what is "Anmelden" or "Erneutes Anmelden". A refusal sets
    // the result; other failures are the caller's.
    SmtpResult loginStep(const QString& what);
    bool reconnectFailed(const SmtpResult& step);
    static Abort abortOn(const SmtpResult& step);
    void logEncryption();
    // The note of a step that succeeded all the same (a QUIT answered otherwise than with 221).
    void logNote(const SmtpResult& step);
    void disconnectStep();
    void catchAll(const Abort& abort);
    void cancelEnd();
    void status(const QString& text);
    void checkCancel();
    bool logFailed() const { return m_log.failed(); }

    SendRunSettings m_settings;
    IMailTransport& m_transport;
    IMailSource& m_source;
    ISendRunReporter& m_reporter;
    Clock m_clock;
    SendLogWriter m_log;
    SendResult m_result = SendResult::Done;
    QString m_detail; // the German reason of a failed connection, for the status window
    bool m_cancel = false;
    bool m_loginUsed = false;

    struct SentMail {
        qint64 logMark; // the log's mark after the mail's line
        QString recipient;
    };
    int m_mailsSent = 0;
    QList<SentMail> m_sentNotYetHeld; // in order; those whose line may not be in the file yet
    // The mail whose end of data was answered last on this connection, and whether it was
    // accepted; empty once a DATA answered in turn or a new connection settles it.
    struct AnsweredMail {
        QString recipient;
        bool accepted = false;
    };
    AnsweredMail m_lastAnswered;
    QStringList m_uncertain;
    // The next mail, built while the one before went out: whether its build succeeded.
    std::optional<bool> m_next;
    // The mail being sent while the next one is built, for its new attempt after a 421.
    std::optional<TMailMessage> m_held;
};
