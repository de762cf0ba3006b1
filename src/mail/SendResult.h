#pragma once

#include <QString>
#include <QStringList>

// The result code of a send run and the status window's text for it. A later code of a run
// replaces an earlier one; the value at the end of the run is reported.
enum class SendResult : int {
    Done = 0,
    CancelSeen = 1, // replaced by UserCancelled before it is reported
    NoConnection = 2,
    LoginRefused = 3,
    BuildFailed = 4,
    SendFailed = 5,
    DisconnectFailed = 6,
    UserCancelled = 7,
    LogNotCreated = 8, // the run's log could not be opened: nothing was sent
    LogIncomplete = 9, // the log failed during the run, which then stopped sending
};
// A new result goes at the end; SendResult.cpp's table of texts fails to build until it has a
// row for it in its place.
inline constexpr int kSendResultCount = 10;

// The text shown for a result; a value outside the enum shows the text of DisconnectFailed.
QString SendResultText(SendResult result);

// What an SMTP step came to beyond the server's own words: the faults that the log and the
// status window explain in German, with the values each text names.
enum class SmtpFault {
    None,
    ReplyOutOfTurn,       // the line the server sent when nothing was asked
    ServerClosing,        // a 421 (RFC 5321 3.8); the message stays the server's reply line
    MailTooLarge,         // the mail's size, the limit the server announced (RFC 1870)
    QuitNot221,           // the reply to QUIT; a note of a finished disconnect
    StartTlsNotOffered,   // the host; on the submission port nothing goes without TLS
    StartTlsRefused,      // the server's reply to STARTTLS
    TlsFailed,            // the host, the TLS library's reason
    CertificateExpired,   // the host, the last day of validity
    CertificateNotYet,    // the host, the first day of validity
    CertificateWrongHost, // the host, the names the certificate is issued for
    CertificateUntrusted, // the host
    CertificateRevoked,   // the host
};
// Tied to the table of texts like kSendResultCount.
inline constexpr int kSmtpFaultCount = 13;

// The German text of a fault with its values filled in; empty for None and ServerClosing.
QString SmtpFaultText(SmtpFault fault, const QStringList& values = {});
