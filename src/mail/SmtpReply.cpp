#include "mail/SmtpReply.h"

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

QString SmtpReply::lastLine() const
{
    return lines.isEmpty() ? QString() : QString::fromLatin1(lines.last());
}

SmtpReplyParser::Status SmtpReplyParser::feedLine(const QByteArray& line)
{
    if (line.size() > kMaxLineLength)
        return fail(QStringLiteral("Reply line too long."));
    if (line.size() < 3 || !isDigit(line[0]) || !isDigit(line[1]) || !isDigit(line[2]) || line[0] < '1' ||
        line[0] > '5')
        return fail(QStringLiteral("Malformed reply: ") + QString::fromLatin1(line.left(80)));
    const char separator = line.size() > 3 ? line[3] : ' ';
    if (separator != ' ' && separator != '-')
        return fail(QStringLiteral("Malformed reply: ") + QString::fromLatin1(line.left(80)));
    const int code = line.left(3).toInt();
    // All lines of one reply carry the same code (RFC 5321 4.2.1).
    if (inReply() && code != m_reply.code)
        return fail(QStringLiteral("Reply code changed inside a multi-line reply: ") +
                    QString::fromLatin1(line.left(80)));
    if (m_reply.lines.size() >= kMaxLines)
        return fail(QStringLiteral("Reply has too many lines."));
    m_reply.code = code;
    m_reply.lines.append(line);
    return separator == '-' ? Status::NeedMore : Status::Complete;
}

SmtpReply SmtpReplyParser::takeReply()
{
    SmtpReply reply = std::move(m_reply);
    m_reply = SmtpReply();
    return reply;
}

SmtpReplyParser::Status SmtpReplyParser::fail(const QString& why)
{
    m_error = why;
    m_reply = SmtpReply();
    return Status::Malformed;
}
