#include "mail/SmtpChannel.h"

#include "mail/SendResult.h"

#include <QSslSocket>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <vector>

namespace {

// How often a wait asks the wait hook whether to go on.
constexpr qint64 kWaitSliceMs = 100;
// RFC 5321 3.8: the server is closing the transmission channel.
constexpr int kServiceClosing = 421;
// How much of a line received out of turn the log names.
constexpr qsizetype kNamedLineLength = 200;

bool isClosingLine(const QByteArray& line)
{
    return line.startsWith(QByteArray::number(kServiceClosing)) &&
           (line.size() == 3 || line[3] == ' ' || line[3] == '-');
}

// What came, as a log can show it: control bytes as \xNN.
QString printable(const QByteArray& bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f)
            text += QStringLiteral("\\x") + QString::number(byte, 16).toUpper().rightJustified(2, u'0');
        else
            text += QChar(byte);
    }
    return text;
}

} // namespace

SmtpChannel::SmtpChannel(SmtpTranscript& transcript, const std::function<bool()>& stopWaiting)
    : m_transcript(transcript), m_stopWaiting(stopWaiting)
{}

SmtpChannel::~SmtpChannel()
{
    close();
}

void SmtpChannel::open(std::unique_ptr<QSslSocket> socket)
{
    close();
    m_socket = std::move(socket);
}

void SmtpChannel::close()
{
    if (m_socket) {
        m_socket->abort();
        m_socket.reset();
    }
    m_input.clear();
    m_parser.takeReply();
    m_peerClosed = false;
}

bool SmtpChannel::isOpen() const
{
    return m_socket && m_socket->state() == QAbstractSocket::ConnectedState;
}

SmtpResult SmtpChannel::write(const QByteArray& bytes, int timeout)
{
    return write(QByteArrayList{bytes}, timeout);
}

SmtpResult SmtpChannel::write(const QByteArrayList& pieces, int timeout)
{
    m_unsent = 0;
    for (const QByteArray& piece : pieces)
        m_unsent += piece.size();
    if (!isOpen())
        return broken(QStringLiteral("Connection closed."));
    m_answeredInPart = false;
    // What the system did not take goes to the socket's buffer, from where it left off.
    qint64 skip = writeDirectly(pieces);
    m_unsent -= skip;
    for (const QByteArray& piece : pieces) {
        const qint64 taken = std::min<qint64>(skip, piece.size());
        skip -= taken;
        const qint64 rest = piece.size() - taken;
        if (rest > 0 && m_socket->write(piece.constData() + taken, rest) != rest)
            return broken(QStringLiteral("Write failed: ") + m_socket->errorString());
    }
    // What the system takes at once goes without a wait. Writing alone never sees the server's
    // close: a socket that is gone after it broke off while Qt still held bytes (and dropped
    // them), so those never reached the system.
    m_socket->flush();
    if (!isOpen() && m_unsent > 0)
        return broken(QStringLiteral("Write failed: ") + m_socket->errorString());
    qint64 left = m_socket->bytesToWrite() + m_socket->encryptedBytesToWrite();
    QDeadlineTimer deadline(timeout);
    while (left > 0) {
        // In clear text what Qt still holds never reached the system; behind TLS only the text
        // not yet encrypted is known to be unsent.
        m_unsent = m_socket->bytesToWrite();
        const Wait wait = waitFor(deadline, [this](int ms) { return m_socket->waitForBytesWritten(ms); });
        if (wait == Wait::Done && !isOpen() && m_socket->bytesToWrite() > 0)
            return broken(QStringLiteral("Write failed: ") + m_socket->errorString());
        switch (wait) {
        case Wait::Done:
            break;
        case Wait::TimedOut:
            m_unsent = m_socket->bytesToWrite();
            return broken(QStringLiteral("Write timed out."));
        case Wait::Closed:
            return broken(QStringLiteral("Write failed: ") + m_socket->errorString());
        case Wait::Stopped:
            m_unsent = m_socket->bytesToWrite();
            return stopped();
        }
        const qint64 now = m_socket->bytesToWrite() + m_socket->encryptedBytesToWrite();
        if (now < left)
            deadline.setRemainingTime(timeout);
        left = now;
    }
    m_unsent = 0;
    return {};
}

qint64 SmtpChannel::writeDirectly(const QByteArrayList& pieces)
{
    if (m_socket->mode() != QSslSocket::UnencryptedMode || m_socket->bytesToWrite() > 0)
        return 0;
    const int descriptor = int(m_socket->socketDescriptor());
    std::vector<iovec> vectors;
    vectors.reserve(size_t(pieces.size()));
    for (const QByteArray& piece : pieces) {
        if (!piece.isEmpty())
            vectors.push_back({const_cast<char*>(piece.constData()), size_t(piece.size())});
    }
    qint64 written = 0;
    size_t first = 0;
    while (first < vectors.size()) {
        msghdr message{};
        message.msg_iov = vectors.data() + first;
        message.msg_iovlen = std::min<size_t>(vectors.size() - first, IOV_MAX);
        const ssize_t sent = ::sendmsg(descriptor, &message, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            break; // full (the rest is buffered) or broken (the buffered write tells)
        written += sent;
        // Past the pieces the system took, into the one it took in part.
        for (size_t taken = size_t(sent); taken > 0;) {
            iovec& vector = vectors[first];
            const size_t step = std::min(taken, vector.iov_len);
            vector.iov_base = static_cast<char*>(vector.iov_base) + step;
            vector.iov_len -= step;
            taken -= step;
            if (vector.iov_len == 0)
                ++first;
        }
    }
    return written;
}

bool SmtpChannel::receiveDirectly(int timeout)
{
    const int descriptor = int(m_socket->socketDescriptor());
    if (m_answeredInPart && timeout > 0) {
        // Part of the replies came and we wait for the rest: acknowledge at once. A server that
        // writes each reply of a pipelined group apart holds the next one back (Nagle) until the
        // last is acknowledged, which the system would otherwise delay by up to 40 ms.
        const int on = 1;
        ::setsockopt(descriptor, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
    }
    pollfd ready{descriptor, POLLIN, 0};
    int polled = 0;
    do
        polled = ::poll(&ready, 1, timeout);
    while (polled < 0 && errno == EINTR);
    if (polled <= 0)
        return false;
    char buffer[16 * 1024];
    ssize_t received = 0;
    do
        received = ::recv(descriptor, buffer, sizeof buffer, MSG_DONTWAIT);
    while (received < 0 && errno == EINTR);
    if (received > 0) {
        m_input.append(buffer, received);
        m_answeredInPart = true;
        return true;
    }
    // 0: the server closed the connection; EAGAIN: nothing after all.
    if (received == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
        m_peerClosed = true;
    return false;
}

SmtpResult SmtpChannel::reply(SmtpCommand command, int timeout)
{
    SmtpResult read = readReply(timeout);
    if (!read.ok())
        return read;
    if (read.reply.code == kServiceClosing) {
        const QString text = read.reply.lastLine();
        broken(QStringLiteral("The server closes the connection."));
        return {SmtpStatus::Failed, text, std::move(read.reply), SmtpFault::ServerClosing};
    }
    switch (JudgeReply(command, read.reply.code)) {
    case SmtpVerdict::Accepted:
        return read;
    case SmtpVerdict::Refused:
        return {SmtpStatus::Rejected, read.reply.lastLine(), std::move(read.reply)};
    case SmtpVerdict::OutOfTurn:
        break;
    }
    SmtpResult shifted = outOfTurn(read.reply.lines.last());
    shifted.reply = std::move(read.reply);
    return shifted;
}

SmtpResult SmtpChannel::nothingUnread(bool askSystem)
{
    if (!m_socket)
        return {};
    if (askSystem && m_input.isEmpty() && m_socket->bytesAvailable() == 0)
        m_socket->waitForReadyRead(0);
    if (m_socket->bytesAvailable() > 0)
        m_input += m_socket->readAll();
    if (m_input.isEmpty())
        return {};
    // Up to the first line end; bytes that have none (not even SMTP) are named all the same.
    const qsizetype end = m_input.indexOf('\n');
    QByteArray line = end >= 0 ? m_input.left(end) : m_input;
    if (line.endsWith('\r'))
        line.chop(1);
    m_transcript.server(line.left(kNamedLineLength));
    if (isClosingLine(line)) {
        broken(QStringLiteral("The server closes the connection."));
        return {SmtpStatus::Failed, QString::fromLatin1(line), {kServiceClosing, {line}}, SmtpFault::ServerClosing};
    }
    return outOfTurn(line);
}

SmtpResult SmtpChannel::outOfTurn(const QByteArray& line)
{
    const QString named = printable(line.left(kNamedLineLength));
    SmtpResult result = broken(SmtpFaultText(SmtpFault::ReplyOutOfTurn, {named}));
    result.fault = SmtpFault::ReplyOutOfTurn;
    return result;
}

SmtpResult SmtpChannel::readReply(int timeout)
{
    const QDeadlineTimer deadline(timeout);
    for (;;) {
        QByteArray line;
        SmtpResult read = readLine(deadline, line);
        if (!read.ok())
            return read;
        m_transcript.server(line);
        switch (m_parser.feedLine(line)) {
        case SmtpReplyParser::Status::NeedMore:
            continue;
        case SmtpReplyParser::Status::Complete:
            return {SmtpStatus::Ok, {}, m_parser.takeReply()};
        case SmtpReplyParser::Status::Malformed:
            return broken(m_parser.error());
        }
    }
}

SmtpResult SmtpChannel::readLine(QDeadlineTimer deadline, QByteArray& line)
{
    if (!m_socket)
        return broken(QStringLiteral("Not connected."));
    for (;;) {
        const qsizetype end = m_input.indexOf('\n');
        if (end >= 0) {
            line = m_input.left(end);
            m_input.remove(0, end + 1);
            if (line.endsWith('\r'))
                line.chop(1);
            return {};
        }
        if (m_input.size() > SmtpReplyParser::kMaxLineLength)
            return broken(QStringLiteral("Reply line too long."));
        if (m_socket->bytesAvailable() > 0) {
            m_input += m_socket->readAll();
            continue;
        }
        const bool clearText = m_socket->mode() == QSslSocket::UnencryptedMode;
        const Wait wait = m_socket->state() != QAbstractSocket::ConnectedState ? Wait::Closed
                          : clearText ? waitFor(deadline, [this](int ms) { return receiveDirectly(ms); })
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
            return broken(m_parser.inReply() || !m_input.isEmpty()
                              ? QStringLiteral("Connection closed inside a reply.")
                              : QStringLiteral("Connection closed by the server."));
        }
    }
}

SmtpChannel::Wait SmtpChannel::waitFor(QDeadlineTimer deadline, const std::function<bool(int)>& step)
{
    for (;;) {
        const qint64 left = deadline.remainingTime();
        if (step(int(std::clamp<qint64>(left, 0, kWaitSliceMs))))
            return Wait::Done;
        if (m_peerClosed || m_socket->state() != QAbstractSocket::ConnectedState)
            return Wait::Closed;
        if (deadline.hasExpired())
            return Wait::TimedOut;
        if (m_stopWaiting && m_stopWaiting())
            return Wait::Stopped;
    }
}

SmtpResult SmtpChannel::broken(const QString& why)
{
    m_transcript.note(why);
    close();
    return {SmtpStatus::Failed, why, {}};
}

SmtpResult SmtpChannel::stopped()
{
    const QString why = QStringLiteral("Cancelled while waiting for the server.");
    m_transcript.note(why);
    close();
    return {SmtpStatus::Cancelled, why, {}};
}
