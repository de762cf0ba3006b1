#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// One complete SMTP reply (RFC 5321 4.2): a three-digit code and the texts of its lines.
struct SmtpReply {
    int code = 0;
    QList<QByteArray> lines; // each line as received, without its line end

    int replyClass() const { return code / 100; }
    bool isPositive() const { return replyClass() == 2; }
    bool isIntermediate() const { return replyClass() == 3; }
    // The last line as received ("550 5.1.1 unknown user"): what a failed command reports.
    QString lastLine() const;
};

// Assembles replies from the lines a server sends. Feed one line at a time (without its line
// end); a multi-line reply is complete at the line whose fourth character is a blank or that
// ends after the code. Not thread-aware; one parser per session.
class SmtpReplyParser {
public:
    enum class Status { NeedMore, Complete, Malformed };

    // Bounds against a server that never ends a reply or a line.
    static constexpr int kMaxLines = 1000;
    static constexpr int kMaxLineLength = 8192;

    Status feedLine(const QByteArray& line);
    // After Complete: the reply; the parser is then ready for the next one.
    SmtpReply takeReply();
    // After Malformed: why, in English.
    const QString& error() const { return m_error; }
    bool inReply() const { return !m_reply.lines.isEmpty(); }

private:
    Status fail(const QString& why);

    SmtpReply m_reply;
    QString m_error;
};
