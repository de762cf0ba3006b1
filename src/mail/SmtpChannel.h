#pragma once

#include "mail/SmtpReply.h"
#include "mail/SmtpReplyTable.h"
#include "mail/SmtpSession.h"
#include "mail/SmtpTranscript.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QDeadlineTimer>

#include <functional>
#include <memory>

class QSslSocket;

// The bytes under an SMTP dialogue: it writes batches of commands and data, reads replies and
// judges each against the command it answers (JudgeReply), and tells what came unasked. Every
// reply the session reads passes through reply(), so none can be taken for another command's.
// After a Failed or Cancelled step the channel is closed and writes nothing more. Blocking,
// every wait bounded by its time-out; one thread.
class SmtpChannel {
public:
    SmtpChannel(SmtpTranscript& transcript, const std::function<bool()>& stopWaiting);
    ~SmtpChannel();
    SmtpChannel(const SmtpChannel&) = delete;
    SmtpChannel& operator=(const SmtpChannel&) = delete;

    void open(std::unique_ptr<QSslSocket> socket);
    // Drops the connection without a word; also what every failure does.
    void close();
    bool isOpen() const;
    QSslSocket* socket() const { return m_socket.get(); }

    // Writes all of bytes; the wait ends when they are out or when no byte went out for
    // timeout milliseconds.
    SmtpResult write(const QByteArray& bytes, int timeout);
    // The same for pieces that go out one after the other, in one system call where it can.
    SmtpResult write(const QByteArrayList& pieces, int timeout);
    // After a write that failed: how many of its last bytes surely never reached the system
    // (0 after one that succeeded).
    qint64 unsentOfLastWrite() const { return m_unsent; }
    // The next reply, judged for command: Ok when it accepts it, Rejected (message: its last
    // line) when it refuses it; a 421 ends the connection (ServerClosing), and so does a reply
    // the command cannot get (ReplyOutOfTurn, the line named).
    SmtpResult reply(SmtpCommand command, int timeout);
    // RFC 5321 4.2, RFC 2920 3.1: before the client writes, every reply to what it wrote has
    // been read, so bytes waiting now answer nothing: they end the connection like a reply out
    // of turn (or a 421). Answered from what was read already; askSystem also looks at what
    // the system holds (a system call).
    SmtpResult nothingUnread(bool askSystem);

    // Ends the connection with a reason in English.
    SmtpResult broken(const QString& why);
    // Ends the connection for the user's cancel.
    SmtpResult stopped();

private:
    enum class Wait { Done, TimedOut, Closed, Stopped };

    // Clear text with nothing queued: the pieces go straight to the system (writev), without
    // Qt's write buffer and its socket notifier; returns how many bytes it took (the rest goes
    // the buffered way).
    qint64 writeDirectly(const QByteArrayList& pieces);
    // Clear text: waits up to timeout ms for bytes and takes them straight from the system into
    // m_input; false when none came (m_peerClosed when the server closed the connection).
    bool receiveDirectly(int timeout);
    SmtpResult readReply(int timeout);
    SmtpResult readLine(QDeadlineTimer deadline, QByteArray& line);
    SmtpResult outOfTurn(const QByteArray& line);
    Wait waitFor(QDeadlineTimer deadline, const std::function<bool(int)>& step);

    SmtpTranscript& m_transcript;
    const std::function<bool()>& m_stopWaiting;
    std::unique_ptr<QSslSocket> m_socket;
    QByteArray m_input; // received bytes not yet taken as lines
    bool m_peerClosed = false;
    bool m_answeredInPart = false; // bytes came since the last write, and more are awaited
    qint64 m_unsent = 0;
    SmtpReplyParser m_parser;
};
