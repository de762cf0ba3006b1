#pragma once

#include "mail/MailMessage.h"
#include "mail/SendResult.h"
#include "mail/SmtpReply.h"
#include "mail/SmtpReplyTable.h"
#include "mail/SmtpTranscript.h"
#include "mail/SmtpWire.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QSslCertificate>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QSslSocket;
class SmtpChannel;
class SmtpDataStuffer;

// How long each wait may take, in milliseconds (RFC 5321 4.5.3.2). Tests set short values.
struct SmtpTimeouts {
    int connect = 60'000;
    int greeting = 300'000;
    int command = 300'000;     // EHLO, HELO, AUTH, RSET, MAIL FROM, RCPT TO
    int dataCommand = 120'000; // DATA
    int dataBlock = 180'000;   // a write of data during which no byte went out
    int dataEnd = 600'000;     // the reply to the final "."
    int quit = 10'000;
};

enum class SmtpStatus {
    Ok,
    // The server refused the command with a reply that command can get (JudgeReply), or a
    // mail is larger than the server takes (nothing of it was written); the connection stays
    // usable.
    Rejected,
    // No connection, a time-out, a broken connection, a garbled reply, a reply that its command
    // cannot get or bytes that came unasked (ReplyOutOfTurn), a 421 (the server closes the
    // channel), a failed TLS upgrade, no STARTTLS where it is required, or a pipelined DATA
    // accepted for an accepted recipient after a refused RSET or MAIL FROM (message: that
    // refusal); now disconnected.
    Failed,
    BadAddress, // an envelope address failed its check; nothing was sent
    Cancelled,  // the wait hook ended a wait; now disconnected
};

// How the connection is secured. WhenOffered upgrades with STARTTLS whenever the server's EHLO
// reply offers it (RFC 3207) and stays in clear text only when it does not; Required upgrades
// the same way but ends the connection step when the server does not offer it (submission,
// port 587: no password in clear text); Implicit speaks TLS from the first byte (RFC 8314,
// port 465).
enum class SmtpTls { WhenOffered, Required, Implicit };

// What one session step came to. message is the server's last reply line for Rejected; else,
// for a fault, its German text (SmtpFaultText), otherwise the reason in English. Empty for Ok,
// except a disconnect's note (QuitNot221).
struct SmtpResult {
    SmtpStatus status = SmtpStatus::Ok;
    QString message;
    SmtpReply reply; // the last reply read in the step, when there was one
    SmtpFault fault = SmtpFault::None;
    // The mail's end of data was written, but no reply in turn came to it (the connection
    // closed, the time ran out, the replies were out of turn, the user cancelled): the server
    // may have taken the mail, so it is neither sent nor to be sent again.
    bool mailUncertain = false;
    // The mail's end of data got a reply in turn, an acceptance or a refusal; whether it was
    // that mail's own shows only when the next DATA is answered with its 354.
    bool endOfDataAnswered = false;
    // The replies were out of turn: the reply to the end of data answered last on this
    // connection, before this step, may have been another command's, an acceptance as well as a
    // refusal (the server may hold that mail).
    bool earlierMailUncertain = false;

    bool ok() const { return status == SmtpStatus::Ok; }
    // message is a German text of ours that tells the user what happened.
    bool explained() const { return fault != SmtpFault::None && fault != SmtpFault::ServerClosing; }
    // A short name of the kind of failure, for logs that append it to the message; empty when
    // the message is explained, as German text needs none.
    QString errorClassName() const;
};

struct SmtpSessionOptions {
    SmtpTimeouts timeouts;
    // The name given in EHLO/HELO; unset asks the system. An empty name or one that is not a
    // fully qualified domain is replaced by the connection's address literal.
    std::optional<QString> localHostName;
    // Where the C:/S: transcript goes; empty records none.
    QString transcriptPath = SmtpTranscript::pathFromEnvironment();
    // Trusted besides the system's CA store; certificates are always checked.
    QList<QSslCertificate> extraCaCertificates;
};

// One SMTP client connection at a time, driven with blocking calls. Create, use and destroy it
// in one thread (the send thread): its socket is created in connectToHost in the calling
// thread and every wait is bounded by the time-outs. Each step returns its result; none throws.
//
// A run uses it as: connectToHost, then login when offersAuthentication() and a user name is
// given, then sendMail per recipient, then disconnect; connectToHost again to reconnect. After
// a Failed or Cancelled step the session is disconnected and writes nothing more on that socket.
class SmtpSession {
public:
    explicit SmtpSession(SmtpSessionOptions options = {});
    ~SmtpSession(); // drops an open connection without QUIT
    SmtpSession(const SmtpSession&) = delete;
    SmtpSession& operator=(const SmtpSession&) = delete;

    // Called about every 100 ms while a wait for the server lasts (also the name lookup and the
    // TCP handshake), in the session's thread; returning true ends the wait with Cancelled.
    void setWaitHook(std::function<bool()> stopWaiting);

    // Opens the connection, reads the greeting (2xx) and introduces itself with EHLO, or with
    // HELO when EHLO is refused; upgrades to TLS as tls says, then greets again. Drops any
    // earlier connection first. On failure the session is disconnected again.
    SmtpResult connectToHost(const QString& host, quint16 port = 25, SmtpTls tls = SmtpTls::WhenOffered);
    bool isConnected() const;
    bool isEncrypted() const;
    // The TLS version of the open connection ("TLS 1.3"); empty when it is not encrypted.
    QString tlsProtocol() const;

    // The authentication mechanisms announced in the last EHLO reply, in upper case; empty
    // after HELO or before a connection.
    const QStringList& authMechanisms() const { return m_mechanisms; }
    bool offersAuthentication() const { return !m_mechanisms.isEmpty(); }

    // AUTH LOGIN with user and password in Base64 (UTF-8); Rejected when the server refuses
    // at any of its three steps. The password never appears in the transcript.
    SmtpResult login(const QString& user, const QString& password);

    // A mail as the session sends it: its envelope and how its data is stuffed into the wire.
    struct Outgoing {
        QString from;
        QString to;
        std::function<void(SmtpDataStuffer&, SmtpWire&)> stuff;
    };
    // Asked once, when a mail's data is ready to go, for the mail that follows it over this
    // connection; nothing when none does.
    using NextMail = std::function<std::optional<Outgoing>()>;

    // One mail: RSET, MAIL FROM:<from>, RCPT TO:<to>, DATA, the data, ".", the four commands in
    // one write when the server offers PIPELINING (RFC 2920). Where it does, the envelope of the
    // mail that next names (RSET, MAIL, RCPT, DATA) follows this mail's data and end before any
    // reply is read (RFC 2920 3.1): in the same write, or behind a large mail in a write of its
    // own, made while the server takes the data. So the next sendMail must be given that mail:
    // one round trip per mail. The data is dot-stuffed into pieces (SmtpWire) and written at
    // once. Both addresses are checked before anything is sent, and so is the mail's size
    // against the SIZE the server announced (RFC 1870). Ok only when the mail's own end of data
    // got its own 250: every reply is judged against its command (JudgeReply); one that the
    // command cannot get ends the connection (ReplyOutOfTurn), an unasked 421 too
    // (ServerClosing).
    SmtpResult sendMail(const Outgoing& mail, const NextMail& next = {});
    // The same with data as chunks of complete CR LF lines (header lines, empty line, body).
    SmtpResult sendMail(const QString& from, const QString& to, const QList<QByteArray>& data);

    // QUIT, waiting for its reply at most the quit time-out, then closes. Whatever the server
    // answers, or when it answers nothing or closes, the connection has ended: Ok. A reply other
    // than 221 is noted in message (fault QuitNot221); one that QUIT cannot get also makes the
    // mail accepted last uncertain. Only a QUIT that cannot be written fails. With a next
    // mail's envelope still open (its DATA may have been accepted), the replies to it are read
    // and the connection is dropped without QUIT, so no empty mail is ended. Ok when there was
    // no connection.
    SmtpResult disconnect();

private:
    enum class Echo { Plain, Secret };

    SmtpResult exchange(const QByteArray& command, SmtpCommand judged, int timeout, Echo echo = Echo::Plain);
    SmtpResult writeCommand(const QByteArray& command, int timeout, Echo echo);
    // The wire of mail into m_wire; the refusal when it is larger than the server takes.
    std::optional<SmtpResult> stuff(const Outgoing& mail, SmtpWire& wire);
    SmtpResult envelope(const QByteArray& from, const QByteArray& to);
    SmtpResult envelopeReplies(bool withReset);
    SmtpResult endOfData(const NextMail& next);
    std::optional<QByteArray> pipelineNext(const NextMail& next);
    // A step whose replies were out of turn makes the mail accepted last uncertain.
    SmtpResult judged(SmtpResult step);
    SmtpResult greet();
    SmtpResult startTls();
    SmtpResult waitForEncryption(int timeout);
    void quitQuietly();
    void dropConnection();
    QByteArray greetingName() const;
    void readExtensions(const SmtpReply& ehloReply);
    void clearExtensions();

    SmtpSessionOptions m_options;
    SmtpTranscript m_transcript;
    std::function<bool()> m_stopWaiting;
    std::unique_ptr<SmtpChannel> m_channel;
    SmtpWire m_wire;                // the data of the mail being sent, as it goes on the wire
    SmtpWire m_nextWire;            // the same for the mail whose envelope is open
    bool m_nextOpen = false;        // that envelope was written with the last end of data
    bool m_lastUnconfirmed = false; // an end of data was answered, and no DATA in turn since
    QStringList m_mechanisms;
    bool m_offersStartTls = false;
    bool m_offersPipelining = false;
    qint64 m_sizeLimit = 0; // announced by SIZE; 0: none
};
