#include "mail/SmtpSession.h"

#include "mail/MailAddress.h"
#include "mail/SmtpChannel.h"
#include "mail/SmtpDataStuffer.h"
#include "mail/TcpConnect.h"
#include "mail/TlsFailureText.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QSslCipher>
#include <QSslConfiguration>
#include <QSslError>
#include <QSslSocket>

#include <array>
#include <span>
#include <unistd.h>

namespace {

// From this size of a mail's data on, the server takes long enough to read it that the next
// mail is made meanwhile.
constexpr qsizetype kLargeMailBytes = 64 * 1024;

SmtpResult success()
{
    return {};
}

// RSET, MAIL, RCPT and DATA as one batch (RFC 2920 3.1).
QByteArray envelopeBatch(const QByteArray& from, const QByteArray& to)
{
    return "RSET\r\nMAIL FROM:<" + from + ">\r\nRCPT TO:<" + to + ">\r\nDATA\r\n";
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
    : m_options(std::move(options)), m_transcript(m_options.transcriptPath),
      m_channel(std::make_unique<SmtpChannel>(m_transcript, m_stopWaiting))
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
    return m_channel->isOpen();
}

bool SmtpSession::isEncrypted() const
{
    return isConnected() && m_channel->socket()->isEncrypted();
}

QString SmtpSession::tlsProtocol() const
{
    if (!isEncrypted())
        return {};
    // "TLSv1.3" as the library names it.
    QString name = m_channel->socket()->sessionCipher().protocolString();
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
    auto socket = std::make_unique<QSslSocket>();
    if (!m_options.extraCaCertificates.isEmpty()) {
        QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
        ssl.addCaCertificates(m_options.extraCaCertificates);
        socket->setSslConfiguration(ssl);
    }
    // Connected outside the socket, so a cancel is heard during the handshake too.
    const TcpConnectResult tcp =
        ConnectTcp(host.trimmed(), port, QDeadlineTimer(m_options.timeouts.connect), m_stopWaiting);
    if (tcp.status == TcpConnectResult::Status::Stopped)
        return m_channel->stopped();
    if (tcp.status != TcpConnectResult::Status::Connected)
        return m_channel->broken(tcp.error);
    if (!socket->setSocketDescriptor(tcp.descriptor)) {
        ::close(tcp.descriptor);
        return m_channel->broken(socket->errorString());
    }
    // Commands and replies are small; none waits for a full segment (RFC 1122 4.2.3.4).
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    // The certificate must name the server as the user wrote it.
    socket->setPeerVerifyName(host.trimmed());
    m_channel->open(std::move(socket));
    if (tls == SmtpTls::Implicit) {
        m_channel->socket()->startClientEncryption();
        SmtpResult encrypted = waitForEncryption(m_options.timeouts.connect);
        if (!encrypted.ok())
            return encrypted;
    }
    SmtpResult greeting = m_channel->reply(SmtpCommand::Greeting, m_options.timeouts.greeting);
    if (greeting.status == SmtpStatus::Rejected)
        quitQuietly();
    if (!greeting.ok())
        return greeting;
    SmtpResult hello = greet();
    if (!hello.ok() || m_channel->socket()->isEncrypted())
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

// Ends with what was unread checked, also what the system holds: a line that came after the
// reply to EHLO shows the replies shifted before the first mail or login.
SmtpResult SmtpSession::greet()
{
    const QByteArray name = greetingName();
    SmtpResult ehlo = exchange("EHLO " + name, SmtpCommand::Ehlo, m_options.timeouts.command);
    if (ehlo.ok()) {
        readExtensions(ehlo.reply);
    } else if (ehlo.status == SmtpStatus::Rejected) {
        clearExtensions();
        ehlo = exchange("HELO " + name, SmtpCommand::Helo, m_options.timeouts.command);
        if (ehlo.status == SmtpStatus::Rejected)
            quitQuietly();
    }
    if (!ehlo.ok())
        return ehlo;
    SmtpResult clear = m_channel->nothingUnread(true);
    if (!clear.ok())
        return clear;
    return ehlo;
}

SmtpResult SmtpSession::startTls()
{
    SmtpResult ready = exchange("STARTTLS", SmtpCommand::StartTls, m_options.timeouts.command);
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
    SmtpResult clear = m_channel->nothingUnread(true);
    if (!clear.ok())
        return clear;
    m_transcript.note(QStringLiteral("starting TLS"));
    m_channel->socket()->startClientEncryption();
    return waitForEncryption(m_options.timeouts.command);
}

SmtpResult SmtpSession::waitForEncryption(int timeout)
{
    QSslSocket& socket = *m_channel->socket();
    const QDeadlineTimer deadline(timeout);
    bool encrypted = false;
    bool stop = false;
    while (!encrypted && !stop && !deadline.hasExpired() && socket.state() == QAbstractSocket::ConnectedState) {
        encrypted = socket.waitForEncrypted(int(std::min<qint64>(deadline.remainingTime(), 100)));
        stop = !encrypted && m_stopWaiting && m_stopWaiting();
    }
    if (encrypted && socket.isEncrypted()) {
        m_transcript.note(QStringLiteral("TLS established: ") + tlsProtocol() + u' ' + socket.sessionCipher().name());
        return success();
    }
    if (stop)
        return m_channel->stopped();
    const TlsFailure failure =
        ExplainTlsFailure(socket.sslHandshakeErrors(), socket.peerVerifyName(),
                          deadline.hasExpired() ? QStringLiteral("timed out") : socket.errorString());
    SmtpResult result = m_channel->broken(failure.text);
    result.fault = failure.fault;
    return result;
}

SmtpResult SmtpSession::login(const QString& user, const QString& password)
{
    if (!isConnected())
        return m_channel->broken(QStringLiteral("Not connected."));
    SmtpResult step = exchange("AUTH LOGIN", SmtpCommand::AuthLogin, m_options.timeouts.command);
    if (step.ok())
        step = exchange(user.toUtf8().toBase64(), SmtpCommand::AuthUser, m_options.timeouts.command);
    if (step.ok())
        step =
            exchange(password.toUtf8().toBase64(), SmtpCommand::AuthPassword, m_options.timeouts.command, Echo::Secret);
    return step;
}

SmtpResult SmtpSession::sendMail(const QString& from, const QString& to, const QList<QByteArray>& data)
{
    return sendMail({from, to, [&data](SmtpDataStuffer& stuffer, SmtpWire& wire) {
                         for (const QByteArray& chunk : data)
                             stuffer.append(chunk, wire.tail());
                     }});
}

SmtpResult SmtpSession::sendMail(const Outgoing& mail, const NextMail& next)
{
    const MailAddressCheck sender = CheckMailAddress(mail.from);
    if (!sender.ok())
        return {SmtpStatus::BadAddress, QStringLiteral("Sender: ") + sender.error, {}};
    const MailAddressCheck recipient = CheckMailAddress(mail.to);
    if (!recipient.ok())
        return {SmtpStatus::BadAddress, QStringLiteral("Recipient: ") + recipient.error, {}};
    if (!isConnected())
        return m_channel->broken(QStringLiteral("Not connected."));

    SmtpResult step;
    if (m_nextOpen) {
        // Its envelope went out with the last mail's end of data; its wire was made then.
        m_nextOpen = false;
        m_wire.swap(m_nextWire);
        step = envelopeReplies(true);
    } else {
        if (const std::optional<SmtpResult> tooLarge = stuff(mail, m_wire))
            return *tooLarge;
        step = envelope(sender.address, recipient.address);
    }
    if (!step.ok())
        return step;
    return endOfData(next);
}

std::optional<SmtpResult> SmtpSession::stuff(const Outgoing& mail, SmtpWire& wire)
{
    wire.clear();
    SmtpDataStuffer stuffer(m_sizeLimit > 0);
    mail.stuff(stuffer, wire);
    stuffer.finish(wire.tail());
    if (m_sizeLimit <= 0)
        return std::nullopt;
    // RFC 1870 4: the size counts the mail's octets, without the final "." line and without
    // the dots that stuffing doubled.
    const qint64 size = wire.size() - 3 - stuffer.doubledDots();
    if (size <= m_sizeLimit)
        return std::nullopt;
    return SmtpResult{SmtpStatus::Rejected,
                      SmtpFaultText(SmtpFault::MailTooLarge, {QString::number(size), QString::number(m_sizeLimit)}),
                      {},
                      SmtpFault::MailTooLarge};
}

SmtpResult SmtpSession::envelope(const QByteArray& from, const QByteArray& to)
{
    if (!m_offersPipelining) {
        SmtpResult step = exchange("RSET", SmtpCommand::Rset, m_options.timeouts.command);
        if (step.ok())
            step = exchange("MAIL FROM:<" + from + '>', SmtpCommand::MailFrom, m_options.timeouts.command);
        if (step.ok())
            step = exchange("RCPT TO:<" + to + '>', SmtpCommand::RcptTo, m_options.timeouts.command);
        if (step.ok())
            step = exchange("DATA", SmtpCommand::Data, m_options.timeouts.dataCommand);
        // A 354 answers only a DATA: the replies before it were each command's own.
        if (step.ok())
            m_lastUnconfirmed = false;
        return step;
    }
    SmtpResult written = m_channel->nothingUnread(false);
    if (!written.ok())
        return judged(written);
    const QByteArray batch = envelopeBatch(from, to);
    if (m_transcript.enabled()) {
        for (const QByteArray& line : batch.split('\n'))
            if (!line.isEmpty())
                m_transcript.client(line.chopped(1));
    }
    written = m_channel->write(batch, m_options.timeouts.command);
    if (!written.ok())
        return written;
    return envelopeReplies(true);
}

// RFC 2920: the replies to a batch are read and judged in order, each within its own
// time-out. After a refusal the remaining replies are still read, a DATA that was accepted
// all the same is ended at once, and RSET gives the mail up. Only when no recipient was
// accepted can that "." end nothing; otherwise the connection is dropped, since the "." would
// deliver an empty mail.
SmtpResult SmtpSession::envelopeReplies(bool withReset)
{
    struct Expected {
        SmtpCommand command;
        int timeout;
    };
    const int command = m_options.timeouts.command;
    const std::array<Expected, 4> batch{{{SmtpCommand::Rset, command},
                                         {SmtpCommand::MailFrom, command},
                                         {SmtpCommand::RcptTo, command},
                                         {SmtpCommand::Data, m_options.timeouts.dataCommand}}};
    const auto expected = std::span(batch).subspan(withReset ? 0 : 1);
    SmtpResult refusal;
    SmtpResult answer;
    bool recipientAccepted = false;
    for (const Expected& step : expected) {
        answer = m_channel->reply(step.command, step.timeout);
        if (answer.status != SmtpStatus::Ok && answer.status != SmtpStatus::Rejected)
            return judged(answer);
        if (answer.ok() && step.command == SmtpCommand::RcptTo)
            recipientAccepted = true;
        if (refusal.ok() && !answer.ok())
            refusal = answer;
    }
    // A 354 answers only a DATA: the replies before it were each command's own.
    if (answer.ok())
        m_lastUnconfirmed = false;
    if (refusal.ok())
        return answer;
    if (answer.ok() && recipientAccepted) {
        m_channel->broken(QStringLiteral("Data accepted after a refused command; dropped without ending it."));
        return {SmtpStatus::Failed, refusal.message, refusal.reply};
    }
    if (answer.ok()) {
        SmtpResult ended = m_channel->nothingUnread(false);
        if (ended.ok()) {
            m_transcript.client(".");
            ended = m_channel->write(".\r\n", m_options.timeouts.dataBlock);
        }
        if (ended.ok())
            ended = m_channel->reply(SmtpCommand::DataEnd, m_options.timeouts.dataEnd);
        if (ended.status != SmtpStatus::Ok && ended.status != SmtpStatus::Rejected)
            return ended;
    }
    const SmtpResult reset = exchange("RSET", SmtpCommand::Rset, m_options.timeouts.command);
    if (reset.status == SmtpStatus::Cancelled || reset.fault == SmtpFault::ReplyOutOfTurn)
        return reset;
    return refusal;
}

SmtpResult SmtpSession::endOfData(const NextMail& next)
{
    const SmtpResult clear = m_channel->nothingUnread(false);
    if (!clear.ok())
        return judged(clear);
    if (m_transcript.enabled())
        m_transcript.note(QStringLiteral("message data, %1 bytes on the wire").arg(m_wire.size()));
    m_transcript.client(".");
    // RFC 2920 3.1: the next mail's envelope follows the end of data before any reply is read.
    // A small mail takes it along in its write; behind a large one the next mail is made while
    // the server takes the data, and its envelope follows in a write of its own.
    const bool large = m_wire.size() >= kLargeMailBytes;
    std::optional<QByteArray> nextEnvelope = large ? std::nullopt : pipelineNext(next);
    QByteArrayList batch = m_wire.pieces();
    if (nextEnvelope)
        batch.append(*nextEnvelope);
    // The server says nothing until the end of the data; the whole mail goes in one write.
    SmtpResult step = m_channel->write(batch, m_options.timeouts.dataBlock);
    if (!step.ok()) {
        // Only a write that broke off behind the "." (with PIPELINING the next envelope follows
        // it) may have delivered the mail; one cut off before it failed.
        const qint64 behindTheEnd = nextEnvelope ? nextEnvelope->size() : 0;
        step.mailUncertain = m_channel->unsentOfLastWrite() <= behindTheEnd;
        return judged(step);
    }
    if (large && (nextEnvelope = pipelineNext(next))) {
        step = m_channel->write(*nextEnvelope, m_options.timeouts.command);
        if (!step.ok()) {
            // The end of data is out; its reply can no longer be read.
            step.mailUncertain = true;
            return judged(step);
        }
    }
    step = m_channel->reply(SmtpCommand::DataEnd, m_options.timeouts.dataEnd);
    m_nextOpen = nextEnvelope && isConnected();
    switch (step.status) {
    case SmtpStatus::Ok:
    case SmtpStatus::Rejected:
        // A refusal out of turn is no more the mail's own than an acceptance is.
        m_lastUnconfirmed = true;
        step.endOfDataAnswered = true;
        return step;
    case SmtpStatus::Failed:
    case SmtpStatus::Cancelled:
    case SmtpStatus::BadAddress:
        break;
    }
    // RFC 5321 3.8: a 421 is no acceptance; the mail may go again over a new connection.
    if (step.fault == SmtpFault::ServerClosing)
        return step;
    step.mailUncertain = true;
    return judged(step);
}

// The next mail's envelope for the write of this mail's end (RFC 2920 3.1: RSET, MAIL, RCPT
// and DATA may follow the end of data), with its wire made beforehand, so that a mail larger
// than the server takes or an address that fails its check never opens a transaction.
std::optional<QByteArray> SmtpSession::pipelineNext(const NextMail& next)
{
    if (!m_offersPipelining || !next)
        return std::nullopt;
    const std::optional<Outgoing> mail = next();
    if (!mail)
        return std::nullopt;
    const MailAddressCheck sender = CheckMailAddress(mail->from);
    const MailAddressCheck recipient = CheckMailAddress(mail->to);
    if (!sender.ok() || !recipient.ok() || stuff(*mail, m_nextWire))
        return std::nullopt;
    const QByteArray lines = envelopeBatch(sender.address, recipient.address);
    if (m_transcript.enabled()) {
        for (const QByteArray& line : lines.split('\n'))
            if (!line.isEmpty())
                m_transcript.client(line.chopped(1));
    }
    return lines;
}

SmtpResult SmtpSession::judged(SmtpResult step)
{
    if (step.fault == SmtpFault::ReplyOutOfTurn && m_lastUnconfirmed)
        step.earlierMailUncertain = true;
    if (!isConnected())
        m_lastUnconfirmed = false;
    return step;
}

SmtpResult SmtpSession::disconnect()
{
    if (!isConnected()) {
        dropConnection();
        return success();
    }
    SmtpResult answer;
    const bool quitAsked = !m_nextOpen;
    if (m_nextOpen) {
        // The DATA of that envelope may be accepted: a QUIT now would be taken as data.
        m_nextOpen = false;
        answer = envelopeReplies(true);
    } else {
        SmtpResult written = m_channel->nothingUnread(false);
        if (written.ok())
            written = writeCommand("QUIT", m_options.timeouts.quit, Echo::Plain);
        if (!written.ok() && written.fault == SmtpFault::None && written.status != SmtpStatus::Cancelled)
            return written;
        // RFC 5321 4.1.1.10: the server answers and closes; a reply of any kind, none at all or
        // a closed connection all end the session, and the mails sent before stay sent.
        answer = written.ok() ? m_channel->reply(SmtpCommand::Quit, m_options.timeouts.quit) : written;
    }
    answer = judged(answer);
    // A reply other than 221 (a line out of turn before it, a 421) is worth a note.
    SmtpResult ended = success();
    ended.earlierMailUncertain = answer.earlierMailUncertain;
    if (answer.fault == SmtpFault::ReplyOutOfTurn) {
        ended.fault = SmtpFault::ReplyOutOfTurn;
        ended.message = answer.message;
    } else if (quitAsked && answer.reply.code != 0 && answer.reply.code != 221) {
        ended.fault = SmtpFault::QuitNot221;
        ended.message = SmtpFaultText(SmtpFault::QuitNot221, {answer.reply.lastLine()});
    }
    dropConnection();
    return ended;
}

SmtpResult SmtpSession::exchange(const QByteArray& command, SmtpCommand judgedAs, int timeout, Echo echo)
{
    SmtpResult written = m_channel->nothingUnread(false);
    if (written.ok())
        written = writeCommand(command, timeout, echo);
    if (!written.ok())
        return judged(written);
    return judged(m_channel->reply(judgedAs, timeout));
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
    return m_channel->write(command + "\r\n", timeout);
}

void SmtpSession::quitQuietly()
{
    (void)exchange("QUIT", SmtpCommand::Quit, m_options.timeouts.quit);
    dropConnection();
}

void SmtpSession::dropConnection()
{
    m_channel->close();
    m_nextOpen = false;
    m_lastUnconfirmed = false;
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
    return addressLiteral(m_channel->socket()->localAddress());
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
