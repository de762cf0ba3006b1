#include "mail/SmtpSession.h"

#include "mail/MailAddress.h"
#include "mail/SmtpDataStuffer.h"
#include "mail/TcpConnect.h"
#include "mail/TlsFailureText.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QSslCipher>
#include <QSslConfiguration>
#include <QSslError>
#include <QSslSocket>

#include <algorithm>
#include <unistd.h>

namespace {

// Data is written in blocks of about this size, each within the data-block time-out.
constexpr qsizetype kDataBlockSize = 64 * 1024;
// How often a wait asks the wait hook whether to go on.
constexpr qint64 kWaitSliceMs = 100;
// RFC 5321 3.8: the server is closing the transmission channel.
constexpr int kServiceClosing = 421;
constexpr int kClosingChannel = 221;
// How much of a line received out of turn the log names.
constexpr qsizetype kNamedLineLength = 200;

SmtpResult success(SmtpReply reply = {})
{
    return {SmtpStatus::Ok, {}, std::move(reply)};
}

// RFC 5321 4.1.2: a domain of letter-digit-hyphen labels; a bare single label (a Linux
// desktop's usual "debian") is refused by strict servers, so it counts as no domain here.
bool isFullyQualifiedDomain(const QString& name)
{
    if (name.size() > 253)
        return false;
    const QStringList labels = name.split(u'.');
    if (labels.size() < 2)
        return false;
    for (const QString& label : labels) {
        if (label.isEmpty() || label.size() > 63 || label.startsWith(u'-') || label.endsWith(u'-'))
            return false;
        for (const QChar c : label) {
            const char16_t u = c.unicode();
            if (!((u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') || u == u'-'))
                return false;
        }
    }
    return true;
}

QByteArray addressLiteral(const QHostAddress& address)
{
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    if (isV4)
        return '[' + QHostAddress(v4).toString().toLatin1() + ']';
    QHostAddress plain(address);
    plain.setScopeId(QString());
    return "[IPv6:" + plain.toString().toLatin1() + ']';
}

} // namespace

QString SmtpResult::errorClassName() const
{
    if (explained())
        return {};
    switch (status) {
    case SmtpStatus::Ok:
        return {};
    case SmtpStatus::Rejected:
        return QStringLiteral("ESmtpReplyError");
    case SmtpStatus::Failed:
        return QStringLiteral("ESmtpConnectionError");
    case SmtpStatus::BadAddress:
        return QStringLiteral("ESmtpAddressError");
    case SmtpStatus::Cancelled:
        return QStringLiteral("ESmtpCancelled");
    }
    return {};
}

SmtpSession::SmtpSession(SmtpSessionOptions options)
    : m_options(std::move(options)), m_transcript(m_options.transcriptPath)
{}

SmtpSession::~SmtpSession()
{
    dropConnection();
}

void SmtpSession::setWaitHook(std::function<bool()> stopWaiting)
{
    m_stopWaiting = std::move(stopWaiting);
}

bool SmtpSession::isConnected() const
{
    return m_socket && m_socket->state() == QAbstractSocket::ConnectedState;
}

bool SmtpSession::isEncrypted() const
{
    return isConnected() && m_socket->isEncrypted();
}

QString SmtpSession::tlsProtocol() const
{
    if (!isEncrypted())
        return {};
    // "TLSv1.3" as the library names it.
    QString name = m_socket->sessionCipher().protocolString();
    if (name.startsWith(QLatin1String("TLSv")))
        name = QStringLiteral("TLS ") + name.mid(4);
    return name;
}

SmtpResult SmtpSession::connectToHost(const QString& host, quint16 port, SmtpTls tls)
{
    dropConnection();
    if (host.trimmed().isEmpty())
        return {SmtpStatus::Failed, QStringLiteral("No mail server given."), {}};
    m_transcript.note(QStringLiteral("connecting to ") + host + u':' + QString::number(port) +
                      (tls == SmtpTls::Implicit ? QStringLiteral(" with TLS") : QString()));
    m_socket = std::make_unique<QSslSocket>();
    if (!m_options.extraCaCertificates.isEmpty()) {
        QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
        ssl.addCaCertificates(m_options.extraCaCertificates);
        m_socket->setSslConfiguration(ssl);
    }
    // Connected outside the socket, so a cancel is heard during the handshake too.
    const TcpConnectResult tcp =
        ConnectTcp(host.trimmed(), port, QDeadlineTimer(m_options.timeouts.connect), m_stopWaiting);
    if (tcp.status == TcpConnectResult::Status::Stopped)
        return stopped();
    if (tcp.status != TcpConnectResult::Status::Connected)
        return broken(tcp.error);
    if (!m_socket->setSocketDescriptor(tcp.descriptor)) {
        ::close(tcp.descriptor);
        return broken(m_socket->errorString());
    }
    // The certificate must name the server as the user wrote it.
    m_socket->setPeerVerifyName(host.trimmed());
    if (tls == SmtpTls::Implicit) {
        m_socket->startClientEncryption();
        SmtpResult encrypted = waitForEncryption(m_options.timeouts.connect);
        if (!encrypted.ok())
            return encrypted;
    }
    SmtpResult greeting = readReply(m_options.timeouts.greeting);
    if (!greeting.ok())
        return greeting;
    if (!greeting.reply.isPositive()) {
        quitQuietly();
        return {SmtpStatus::Rejected, greeting.reply.lastLine(), greeting.reply};
    }
    SmtpResult hello = greet();
    if (!hello.ok() || m_socket->isEncrypted())
        return hello;
    if (!m_offersStartTls && tls == SmtpTls::Required) {
        quitQuietly();
        return {SmtpStatus::Failed,
                SmtpFaultText(SmtpFault::StartTlsNotOffered, {host.trimmed()}),
                {},
                SmtpFault::StartTlsNotOffered};
    }
    if (!m_offersStartTls)
        return hello;
    SmtpResult upgraded = startTls();
    if (!upgraded.ok())
        return upgraded;
    // RFC 3207 4.2: what the server offered before the upgrade no longer holds.
    return greet();
}

SmtpResult SmtpSession::greet()
{
    const QByteArray name = greetingName();
    SmtpResult ehlo = exchange("EHLO " + name, m_options.timeouts.command, {2, 0});
    if (ehlo.ok()) {
        readExtensions(ehlo.reply);
        return ehlo;
    }
    if (ehlo.status != SmtpStatus::Rejected)
        return ehlo;
    clearExtensions();
    SmtpResult helo = exchange("HELO " + name, m_options.timeouts.command, {2, 0});
    if (helo.status == SmtpStatus::Rejected)
        quitQuietly();
    return helo;
}

SmtpResult SmtpSession::startTls()
{
    SmtpResult ready = exchange("STARTTLS", m_options.timeouts.command, {2, 0});
    if (ready.status == SmtpStatus::Rejected) {
        // Never on in clear text once the server has said it can encrypt.
        quitQuietly();
        return {SmtpStatus::Failed, SmtpFaultText(SmtpFault::StartTlsRefused, {ready.message}), ready.reply,
                SmtpFault::StartTlsRefused};
    }
    if (!ready.ok())
        return ready;
    // Bytes that came in clear text after the reply would be taken as if they had been
    // encrypted (RFC 3207 5: injected commands); a server that sends them is not trusted.
    SmtpResult clear = nothingUnread();
    if (!clear.ok())
        return clear;
    m_transcript.note(QStringLiteral("starting TLS"));
    m_socket->startClientEncryption();
    return waitForEncryption(m_options.timeouts.command);
}

SmtpResult SmtpSession::waitForEncryption(int timeout)
{
    const Wait wait = waitFor(QDeadlineTimer(timeout), [this](int ms) { return m_socket->waitForEncrypted(ms); });
    if (wait == Wait::Done && m_socket->isEncrypted()) {
        m_transcript.note(QStringLiteral("TLS established: ") + tlsProtocol() + u' ' +
                          m_socket->sessionCipher().name());
        return success();
    }
    if (wait == Wait::Stopped)
        return stopped();
    const TlsFailure failure =
        ExplainTlsFailure(m_socket->sslHandshakeErrors(), m_socket->peerVerifyName(),
                          wait == Wait::TimedOut ? QStringLiteral("timed out") : m_socket->errorString());
    SmtpResult result = broken(failure.text);
    result.fault = failure.fault;
    return result;
}

SmtpResult SmtpSession::login(const QString& user, const QString& password)
{
    if (!isConnected())
        return broken(QStringLiteral("Not connected."));
    SmtpResult step = exchange("AUTH LOGIN", m_options.timeouts.command, {0, 334});
    if (step.ok())
        step = exchange(user.toUtf8().toBase64(), m_options.timeouts.command, {0, 334});
    if (step.ok())
        step = exchange(password.toUtf8().toBase64(), m_options.timeouts.command, {0, 235}, Echo::Secret);
    return step;
}

SmtpResult SmtpSession::sendMail(const QString& from, const QString& to, const QList<QByteArray>& data)
{
    return sendWire(from, to, [&data](SmtpDataStuffer& stuffer, QByteArray& wire) {
        for (const QByteArray& chunk : data)
            stuffer.append(chunk, wire);
    });
}

SmtpResult SmtpSession::sendMail(const QString& from, const QString& to, const QByteArray& header,
                                 const TMailMessage& mail)
{
    return sendWire(from, to, [&header, &mail](SmtpDataStuffer& stuffer, QByteArray& wire) {
        stuffer.append(header, wire);
        stuffer.appendBody(mail, wire);
    });
}

SmtpResult SmtpSession::sendWire(const QString& from, const QString& to,
                                 const std::function<void(SmtpDataStuffer&, QByteArray&)>& stuff)
{
    const MailAddressCheck sender = CheckMailAddress(from);
    if (!sender.ok())
        return {SmtpStatus::BadAddress, QStringLiteral("Sender: ") + sender.error, {}};
    const MailAddressCheck recipient = CheckMailAddress(to);
    if (!recipient.ok())
        return {SmtpStatus::BadAddress, QStringLiteral("Recipient: ") + recipient.error, {}};
    if (!isConnected())
        return broken(QStringLiteral("Not connected."));

    // The wire form goes into one buffer kept from mail to mail, then out in blocks.
    m_wire.resize(0);
    SmtpDataStuffer stuffer;
    stuff(stuffer, m_wire);
    stuffer.finish(m_wire);
    // RFC 1870 4: the size counts the mail's octets, without the final "." line and without
    // the dots that stuffing doubled (every line starting with ".." on the wire has one).
    const qint64 size = m_wire.size() - 3 - m_wire.count("\r\n..") - (m_wire.startsWith("..") ? 1 : 0);
    if (m_sizeLimit > 0 && size > m_sizeLimit) {
        return {SmtpStatus::Rejected,
                SmtpFaultText(SmtpFault::MailTooLarge, {QString::number(size), QString::number(m_sizeLimit)}),
                {},
                SmtpFault::MailTooLarge};
    }

    // Any 2xx (also 251, "will forward") accepts the recipient.
    const int command = m_options.timeouts.command;
    const QList<EnvelopeStep> envelope{{"RSET", command, {2, 0}},
                                       {"MAIL FROM:<" + sender.address + '>', command, {2, 0}},
                                       {"RCPT TO:<" + recipient.address + '>', command, {2, 0}},
                                       {"DATA", m_options.timeouts.dataCommand, {3, 0}}};
    SmtpResult step = m_offersPipelining ? pipelined(envelope) : oneByOne(envelope);
    if (!step.ok())
        return step;
    step = writeData();
    if (!step.ok())
        return step;
    m_transcript.client(".");
    step = readReply(m_options.timeouts.dataEnd);
    if (step.ok() && !step.reply.isPositive())
        return {SmtpStatus::Rejected, step.reply.lastLine(), step.reply};
    return step;
}

SmtpResult SmtpSession::oneByOne(const QList<EnvelopeStep>& steps)
{
    SmtpResult step;
    for (const EnvelopeStep& next : steps) {
        step = exchange(next.command, next.timeout, next.accept);
        if (!step.ok())
            return step;
    }
    return step;
}

// RFC 2920: the commands go out in one write; their replies are read and judged in order, each
// within its own time-out. After a refusal the remaining replies are still read, a DATA that
// was accepted all the same is ended at once, and RSET gives the mail up. Only when no
// recipient was accepted can that "." end nothing; otherwise the connection is dropped, since
// the "." would deliver an empty mail.
SmtpResult SmtpSession::pipelined(const QList<EnvelopeStep>& steps)
{
    SmtpResult written = nothingUnread();
    if (!written.ok())
        return written;
    QByteArray batch;
    for (const EnvelopeStep& step : steps) {
        m_transcript.client(step.command);
        batch += step.command + "\r\n";
    }
    written = writeAll(batch, m_options.timeouts.command);
    if (!written.ok())
        return written;
    SmtpResult refusal;
    SmtpResult answer;
    bool recipientAccepted = false;
    for (const EnvelopeStep& step : steps) {
        answer = readReply(step.timeout);
        if (!answer.ok())
            return answer;
        const bool accepted = step.accept.matches(answer.reply);
        if (accepted && step.command.startsWith("RCPT "))
            recipientAccepted = true;
        if (refusal.ok() && !accepted)
            refusal = {SmtpStatus::Rejected, answer.reply.lastLine(), answer.reply};
    }
    if (refusal.ok())
        return answer;
    if (answer.reply.isIntermediate() && recipientAccepted) {
        broken(QStringLiteral("Data accepted after a refused command; dropped without ending it."));
        return {SmtpStatus::Failed, refusal.message, refusal.reply};
    }
    if (answer.reply.isIntermediate()) {
        SmtpResult ended = nothingUnread();
        if (ended.ok()) {
            m_transcript.client(".");
            ended = writeAll(".\r\n", m_options.timeouts.dataBlock);
        }
        if (ended.ok())
            ended = readReply(m_options.timeouts.dataEnd);
        if (!ended.ok())
            return ended;
    }
    // A reply out of turn here shows that the replies judged above may have been shifted.
    const SmtpResult reset = exchange("RSET", m_options.timeouts.command, {2, 0});
    if (reset.status == SmtpStatus::Cancelled || reset.fault == SmtpFault::ReplyOutOfTurn)
        return reset;
    return refusal;
}

SmtpResult SmtpSession::disconnect()
{
    if (!isConnected()) {
        dropConnection();
        return success();
    }
    SmtpResult written = writeCommand("QUIT", m_options.timeouts.quit, Echo::Plain);
    if (!written.ok() && written.status != SmtpStatus::Cancelled)
        return written;
    // RFC 5321 4.1.1.10: the server answers and closes; a reply of any kind, none at all or a
    // closed connection all end the session, and the mails sent before stay sent. A reply other
    // than 221 (a line out of turn before it, a 421) is worth a note.
    SmtpResult ended = success();
    if (written.ok()) {
        const SmtpResult answer = readReply(m_options.timeouts.quit);
        if (answer.reply.code != 0 && answer.reply.code != kClosingChannel) {
            ended.fault = SmtpFault::QuitNot221;
            ended.message = SmtpFaultText(SmtpFault::QuitNot221, {answer.reply.lastLine()});
        }
    }
    dropConnection();
    return ended;
}

SmtpResult SmtpSession::exchange(const QByteArray& command, int timeout, Accept accept, Echo echo)
{
    SmtpResult written = nothingUnread();
    if (written.ok())
        written = writeCommand(command, timeout, echo);
    if (!written.ok())
        return written;
    SmtpResult answer = readReply(timeout);
    if (answer.ok() && !accept.matches(answer.reply))
        return {SmtpStatus::Rejected, answer.reply.lastLine(), answer.reply};
    return answer;
}

SmtpResult SmtpSession::writeCommand(const QByteArray& command, int timeout, Echo echo)
{
    // Every caller builds commands from checked parts; this guard keeps it so.
    if (command.contains('\r') || command.contains('\n'))
        return {SmtpStatus::BadAddress, QStringLiteral("Command contains a line break."), {}};
    if (echo == Echo::Secret)
        m_transcript.clientSecret();
    else
        m_transcript.client(command);
    return writeAll(command + "\r\n", timeout);
}

SmtpResult SmtpSession::writeAll(const QByteArray& bytes, int timeout)
{
    if (!isConnected())
        return broken(QStringLiteral("Connection closed."));
    const QDeadlineTimer deadline(timeout);
    if (m_socket->write(bytes) != bytes.size())
        return broken(QStringLiteral("Write failed: ") + m_socket->errorString());
    while (m_socket->bytesToWrite() > 0 || m_socket->encryptedBytesToWrite() > 0) {
        switch (waitFor(deadline, [this](int ms) { return m_socket->waitForBytesWritten(ms); })) {
        case Wait::Done:
            continue;
        case Wait::TimedOut:
            return broken(QStringLiteral("Write timed out."));
        case Wait::Closed:
            return broken(QStringLiteral("Write failed: ") + m_socket->errorString());
        case Wait::Stopped:
            return stopped();
        }
    }
    return success();
}

SmtpResult SmtpSession::readReply(int timeout)
{
    const QDeadlineTimer deadline(timeout);
    for (;;) {
        QByteArray line;
        SmtpResult read = readLine(deadline, line, m_parser.inReply());
        if (!read.ok())
            return read;
        m_transcript.server(line);
        switch (m_parser.feedLine(line)) {
        case SmtpReplyParser::Status::NeedMore:
            continue;
        case SmtpReplyParser::Status::Complete: {
            SmtpReply reply = m_parser.takeReply();
            if (reply.code == kServiceClosing) {
                const QString text = reply.lastLine();
                broken(QStringLiteral("The server closes the connection."));
                return {SmtpStatus::Failed, text, std::move(reply), SmtpFault::ServerClosing};
            }
            return success(std::move(reply));
        }
        case SmtpReplyParser::Status::Malformed:
            return broken(m_parser.error());
        }
    }
}

SmtpResult SmtpSession::readLine(QDeadlineTimer deadline, QByteArray& line, bool insideReply)
{
    for (;;) {
        const qsizetype end = m_input.indexOf('\n');
        if (end >= 0) {
            line = m_input.left(end);
            m_input.remove(0, end + 1);
            if (line.endsWith('\r'))
                line.chop(1);
            return success();
        }
        if (m_input.size() > SmtpReplyParser::kMaxLineLength)
            return broken(QStringLiteral("Reply line too long."));
        if (m_socket->bytesAvailable() > 0) {
            m_input += m_socket->readAll();
            continue;
        }
        const Wait wait = m_socket->state() != QAbstractSocket::ConnectedState
                              ? Wait::Closed
                              : waitFor(deadline, [this](int ms) { return m_socket->waitForReadyRead(ms); });
        if (m_socket->bytesAvailable() > 0)
            continue;
        switch (wait) {
        case Wait::Done:
            continue;
        case Wait::TimedOut:
            return broken(QStringLiteral("Timed out waiting for the server's reply."));
        case Wait::Stopped:
            return stopped();
        case Wait::Closed:
            return broken(insideReply || !m_input.isEmpty() ? QStringLiteral("Connection closed inside a reply.")
                                                            : QStringLiteral("Connection closed by the server."));
        }
    }
}

SmtpSession::Wait SmtpSession::waitFor(QDeadlineTimer deadline, const std::function<bool(int)>& step)
{
    for (;;) {
        const qint64 left = deadline.remainingTime();
        if (step(int(std::clamp<qint64>(left, 0, kWaitSliceMs))))
            return Wait::Done;
        if (m_socket->state() != QAbstractSocket::ConnectedState)
            return Wait::Closed;
        if (deadline.hasExpired())
            return Wait::TimedOut;
        if (m_stopWaiting && m_stopWaiting())
            return Wait::Stopped;
    }
}

SmtpResult SmtpSession::writeData()
{
    if (m_transcript.enabled())
        m_transcript.note(QStringLiteral("message data, %1 bytes on the wire").arg(m_wire.size()));
    // Each block within its own time-out, so a large mail does not outgrow it. The server says
    // nothing until the end of the data; whatever it says before is out of turn.
    for (qsizetype from = 0; from < m_wire.size(); from += kDataBlockSize) {
        const qsizetype size = std::min(kDataBlockSize, m_wire.size() - from);
        SmtpResult written = nothingUnread();
        if (written.ok())
            written = writeAll(QByteArray::fromRawData(m_wire.constData() + from, size), m_options.timeouts.dataBlock);
        if (!written.ok())
            return written;
    }
    return success();
}

// RFC 5321 4.2, RFC 2920 3.1: a server speaks only to answer, and every reply to what was
// written has been read before the client writes again. Bytes waiting now answer nothing;
// taking them as the answer to the next command would shift every later reply by one, so the
// dialogue ends here. Only a 421 may come unasked (RFC 5321 3.8): the server is closing.
SmtpResult SmtpSession::nothingUnread()
{
    if (!m_socket)
        return success();
    // What the system holds already counts too, without waiting for more.
    if (m_input.isEmpty() && m_socket->bytesAvailable() == 0)
        m_socket->waitForReadyRead(0);
    m_input += m_socket->readAll();
    if (m_input.isEmpty())
        return success();
    QByteArray line = m_input.left(m_input.indexOf('\n'));
    if (line.endsWith('\r'))
        line.chop(1);
    line.truncate(kNamedLineLength);
    m_transcript.server(line);
    if (line.startsWith(QByteArray::number(kServiceClosing)) &&
        (line.size() == 3 || line[3] == ' ' || line[3] == '-')) {
        broken(QStringLiteral("The server closes the connection."));
        return {SmtpStatus::Failed, QString::fromLatin1(line), {kServiceClosing, {line}}, SmtpFault::ServerClosing};
    }
    SmtpResult result = broken(SmtpFaultText(SmtpFault::ReplyOutOfTurn, {QString::fromLatin1(line)}));
    result.fault = SmtpFault::ReplyOutOfTurn;
    return result;
}

SmtpResult SmtpSession::broken(const QString& why)
{
    m_transcript.note(why);
    dropConnection();
    return {SmtpStatus::Failed, why, {}};
}

SmtpResult SmtpSession::stopped()
{
    const QString why = QStringLiteral("Cancelled while waiting for the server.");
    m_transcript.note(why);
    dropConnection();
    return {SmtpStatus::Cancelled, why, {}};
}

void SmtpSession::quitQuietly()
{
    (void)exchange("QUIT", m_options.timeouts.quit, {2, 0});
    dropConnection();
}

void SmtpSession::dropConnection()
{
    if (m_socket) {
        m_socket->abort();
        m_socket.reset();
    }
    m_input.clear();
    m_parser.takeReply();
    clearExtensions();
}

void SmtpSession::clearExtensions()
{
    m_mechanisms.clear();
    m_offersStartTls = false;
    m_offersPipelining = false;
    m_sizeLimit = 0;
}

QByteArray SmtpSession::greetingName() const
{
    const QString name = m_options.localHostName ? *m_options.localHostName : QHostInfo::localHostName();
    if (isFullyQualifiedDomain(name))
        return name.toLatin1();
    return addressLiteral(m_socket->localAddress());
}

void SmtpSession::readExtensions(const SmtpReply& ehloReply)
{
    clearExtensions();
    // The first line is the greeting; each further line names one extension. Old servers
    // announce "AUTH=LOGIN" instead of "AUTH LOGIN".
    for (qsizetype i = 1; i < ehloReply.lines.size(); ++i) {
        const QString extension = QString::fromLatin1(ehloReply.lines[i].mid(4)).trimmed().toUpper();
        if (extension == QLatin1String("STARTTLS"))
            m_offersStartTls = true;
        if (extension == QLatin1String("PIPELINING"))
            m_offersPipelining = true;
        // RFC 1870: "SIZE 1000000"; no number or 0 sets no limit.
        if (extension.startsWith(QLatin1String("SIZE ")))
            m_sizeLimit = extension.mid(5).trimmed().toLongLong();
        if (!extension.startsWith(QLatin1String("AUTH ")) && !extension.startsWith(QLatin1String("AUTH=")))
            continue;
        const QStringList names = extension.mid(5).split(u' ', Qt::SkipEmptyParts);
        for (const QString& mechanism : names) {
            if (!m_mechanisms.contains(mechanism))
                m_mechanisms.append(mechanism);
        }
    }
}
