#pragma once

#include "mail/MailMessage.h"
#include "mail/SmtpWire.h"

#include <QByteArray>

// Turns message text into the bytes of an SMTP DATA phase (RFC 5321 4.5.2): every line end
// becomes CR LF (a bare LF or CR too, so no line can end the data early at a lenient server),
// a "." at the start of a line is doubled, and finish() closes with CR LF "." CR LF. Chunks may
// split the text anywhere; the state carries across them. Linear in the input: line ends are
// found with memchr and clean runs of lines are copied in one piece.
class SmtpDataStuffer {
public:
    // countPrestuffed: doubledDots() counts the dots in wire-ready chunks too (a pass over
    // them); the dots this stuffer doubles itself are always counted.
    explicit SmtpDataStuffer(bool countPrestuffed = false) : m_countPrestuffed(countPrestuffed) {}

    // Appends the wire form of chunk to out.
    void append(const QByteArray& chunk, QByteArray& out);
    // Appends a mail's body: a chunk whose wire form was made beforehand (TMailMessage::BodyWire)
    // is shared as it is when the text so far ended with a line end; every other chunk is
    // stuffed into the wire's tail.
    void appendBody(const TMailMessage& mail, SmtpWire& wire);
    // Appends the end of the data (a line end where the text did not end with one, then ".").
    void finish(QByteArray& out);
    // The dots added at line starts so far: the wire's size less these and the final "."
    // line is the mail's size (RFC 1870 4).
    qint64 doubledDots() const { return m_doubledDots; }

    // The wire form of complete lines (text that is empty or ends with a line end), made once
    // to be shared by many mails; the same array when stuffing changes nothing.
    static QByteArray Stuffed(const QByteArray& lines);

private:
    bool m_countPrestuffed;
    qint64 m_doubledDots = 0;
    bool m_atLineStart = true;
    bool m_pendingCr = false; // a CR was the chunk's last byte; its LF may come next
};
