#include "mail/SmtpDataStuffer.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace {

// The DATA form, one byte at a time: the rule without the scanning.
QByteArray stuffedByteByByte(const QByteArray& text)
{
    QByteArray out;
    bool lineStart = true;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            out += "\r\n";
            lineStart = true;
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            continue;
        }
        if (lineStart && c == '.')
            out += '.';
        out += c;
        lineStart = false;
    }
    if (!lineStart)
        out += "\r\n";
    return out + ".\r\n";
}

} // namespace

TEST(SmtpDataStuffer, AnySplitIntoChunksGivesTheSameWire)
{
    QRandomGenerator random(20240503);
    const char alphabet[] = {'.', '.', '\r', '\n', 'a', 'b', ' '};
    for (int round = 0; round < 5000; ++round) {
        QByteArray text;
        const int length = static_cast<int>(random.bounded(200));
        for (int i = 0; i < length; ++i)
            text += alphabet[random.bounded(static_cast<int>(sizeof alphabet))];
        SmtpDataStuffer stuffer;
        QByteArray wire;
        for (qsizetype at = 0; at < text.size();) {
            const qsizetype piece = qMin<qsizetype>(text.size() - at, random.bounded(12));
            stuffer.append(text.mid(at, piece), wire);
            at += piece;
        }
        stuffer.finish(wire);
        ASSERT_EQ(wire, stuffedByteByByte(text)) << text.toStdString();
    }
}

TEST(SmtpDataStuffer, WritesWireFormsMadeBeforehandAsTheyAre)
{
    const QByteArray lines = ".Punkt\r\nmitte\r\n..zwei\r\n";
    const QByteArray wire = SmtpDataStuffer::Stuffed(lines);
    EXPECT_EQ(wire, "..Punkt\r\nmitte\r\n...zwei\r\n");
    const QByteArray clean = "QUJD\r\nREVG\r\n";
    EXPECT_EQ(SmtpDataStuffer::Stuffed(clean).constData(), clean.constData()); // shared, not copied

    TMailMessage mail;
    mail.Body = {"kopf\r\n", lines, "offen", ".x\r\n"};
    // The last chunk's wire form cannot be used: the text before it ends inside a line.
    mail.BodyWire = {{}, wire, {}, "..x\r\n"};
    SmtpDataStuffer stuffer;
    SmtpWire out;
    stuffer.appendBody(mail, out);
    stuffer.finish(out.tail());
    EXPECT_EQ(out.joined(), "kopf\r\n..Punkt\r\nmitte\r\n...zwei\r\noffen.x\r\n.\r\n");
    EXPECT_EQ(out.size(), out.joined().size());
    // The wire form made beforehand goes out as it is, not copied.
    ASSERT_EQ(out.pieces().size(), 3);
    EXPECT_EQ(out.pieces()[1].constData(), wire.constData());
}

// RFC 1870 4: the mail's size leaves out the dots that stuffing doubled, also those of body
// parts whose wire form was made beforehand (counted only when asked).
TEST(SmtpDataStuffer, CountsTheDotsItDoubled)
{
    const QByteArray header = "Subject: T\r\n\r\n";
    const QByteArray body = ".a\r\nb.\r\n..c\r\n.\r\n";
    const int dotLines = 3; // ".a", "..c", "."
    TMailMessage mail;
    mail.Body = {body, body};
    mail.BodyWire = {SmtpDataStuffer::Stuffed(body), {}};
    for (const bool countPrestuffed : {false, true}) {
        SCOPED_TRACE(countPrestuffed ? "counting the prestuffed part" : "stuffed part only");
        SmtpDataStuffer stuffer(countPrestuffed);
        SmtpWire wire;
        stuffer.append(".header\r\n" + header, wire.tail());
        stuffer.appendBody(mail, wire);
        stuffer.finish(wire.tail());
        EXPECT_EQ(stuffer.doubledDots(), 1 + dotLines + (countPrestuffed ? dotLines : 0));
        if (countPrestuffed) {
            EXPECT_EQ(wire.size() - 3 - stuffer.doubledDots(), 9 + header.size() + 2 * body.size());
        }
    }
}
