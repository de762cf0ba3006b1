#include "mail/MailAddress.h"
#include "mail/SmtpDataStuffer.h"
#include "mail/SmtpReply.h"

#include <gtest/gtest.h>

using Status = SmtpReplyParser::Status;

TEST(SmtpReplyParser, AssemblesRepliesAndRefusesMalformedLines)
{
    struct Case {
        const char* name;
        QList<QByteArray> lines;
        Status last;
        int code;
        int lineCount;
    };
    const QList<Case> cases{
        {"single line", {"250 ok"}, Status::Complete, 250, 1},
        {"code only", {"250"}, Status::Complete, 250, 1},
        {"multi-line", {"250-first", "250-second", "250 last"}, Status::Complete, 250, 3},
        {"multi-line open", {"220-first", "220-second"}, Status::NeedMore, 220, 2},
        {"empty hyphen text", {"250-", "250 x"}, Status::Complete, 250, 2},
        {"letters", {"25x ok"}, Status::Malformed, 0, 0},
        {"too short", {"25"}, Status::Malformed, 0, 0},
        {"bad separator", {"250:ok"}, Status::Malformed, 0, 0},
        {"class 6", {"600 what"}, Status::Malformed, 0, 0},
        {"code changes", {"250-a", "251 b"}, Status::Malformed, 0, 0},
        {"empty line", {""}, Status::Malformed, 0, 0},
        {"line too long", {"250 " + QByteArray(SmtpReplyParser::kMaxLineLength, 'x')}, Status::Malformed, 0, 0},
    };
    for (const Case& c : cases) {
        SmtpReplyParser parser;
        Status status = Status::NeedMore;
        for (const QByteArray& line : c.lines)
            status = parser.feedLine(line);
        EXPECT_EQ(status, c.last) << c.name;
        if (status == Status::Malformed) {
            EXPECT_FALSE(parser.error().isEmpty()) << c.name;
            EXPECT_FALSE(parser.inReply()) << c.name;
            continue;
        }
        EXPECT_EQ(parser.inReply(), true) << c.name;
        const SmtpReply reply = parser.takeReply();
        EXPECT_EQ(reply.code, c.code) << c.name;
        EXPECT_EQ(reply.lines.size(), c.lineCount) << c.name;
        EXPECT_EQ(reply.lastLine(), QString::fromLatin1(c.lines.last())) << c.name;
        EXPECT_FALSE(parser.inReply()) << c.name;
    }
}

TEST(SmtpReplyParser, BoundsTheNumberOfLines)
{
    SmtpReplyParser parser;
    for (int i = 0; i < SmtpReplyParser::kMaxLines; ++i)
        ASSERT_EQ(parser.feedLine("250-more"), Status::NeedMore);
    EXPECT_EQ(parser.feedLine("250 last"), Status::Malformed);
}

TEST(SmtpDataStuffer, DoublesLeadingDotsAndNormalisesLineEnds)
{
    struct Case {
        const char* name;
        QList<QByteArray> chunks;
        QByteArray wire;
    };
    const QList<Case> cases{
        {"empty", {}, ".\r\n"},
        {"plain lines", {"a\r\nb\r\n"}, "a\r\nb\r\n.\r\n"},
        {"dot lines", {".\r\n..x\r\n.a\r\nx.\r\n"}, "..\r\n...x\r\n..a\r\nx.\r\n.\r\n"},
        {"dot after chunk border", {"a\r\n", ".\r\n"}, "a\r\n..\r\n.\r\n"},
        {"line split across chunks", {"a", ".b\r\n"}, "a.b\r\n.\r\n"},
        {"CR LF split across chunks", {"a\r", "\n.b\r\n"}, "a\r\n..b\r\n.\r\n"},
        {"CR at the end", {"a\r"}, "a\r\n.\r\n"},
        {"bare LF", {"a\n.\nb"}, "a\r\n..\r\nb\r\n.\r\n"},
        {"bare CR", {"a\r.\rb\r\n"}, "a\r\n..\r\nb\r\n.\r\n"},
        {"no final line end", {"last"}, "last\r\n.\r\n"},
        {"empty lines", {"\r\n\r\n.\r\n"}, "\r\n\r\n..\r\n.\r\n"},
        {"empty chunks", {"", "a\r\n", ""}, "a\r\n.\r\n"},
        // A lone LF before "." must not make an end of data a lenient server would take.
        {"smuggled end", {"x\n.\r\nMAIL FROM:<e@v.il>\r\n"}, "x\r\n..\r\nMAIL FROM:<e@v.il>\r\n.\r\n"},
    };
    for (const Case& c : cases) {
        SmtpDataStuffer stuffer;
        QByteArray out;
        for (const QByteArray& chunk : c.chunks)
            stuffer.append(chunk, out);
        stuffer.finish(out);
        EXPECT_EQ(out, c.wire) << c.name;
    }
}

namespace {

// RFC 5321's lengths hold for the ASCII form: this domain has 250 characters as typed and 256
// octets on the wire.
const QString kDomainLongerInAscii = QStringLiteral("ä.") + QString(63, u'd') + u'.' + QString(63, u'd') + u'.' +
                                     QString(63, u'd') + u'.' + QString(56, u'd');

} // namespace

TEST(MailAddress, RefusalNamesTheAddressAsTypedAndWhy)
{
    const QList<std::pair<QString, QString>> cases{
        {QStringLiteral("jürgen@bäckerei-müller.de"),
         QStringLiteral("Invalid address \"jürgen@bäckerei-müller.de\": not printable ASCII")},
        {QStringLiteral("a@bäcker..de"),
         QStringLiteral("Invalid address \"a@bäcker..de\": domain is no valid internationalised domain name")},
        {QStringLiteral("a@") + kDomainLongerInAscii, QStringLiteral("Invalid address \"a@") + kDomainLongerInAscii +
                                                          QStringLiteral("\": domain longer than 255 characters")},
    };
    for (const auto& [input, error] : cases)
        EXPECT_EQ(CheckMailAddress(input).error, error);
}

TEST(MailAddress, AcceptsTrimmedAddressesAndRefusesUnsafeOnes)
{
    struct Case {
        QString input;
        QByteArray accepted; // empty: refused
    };
    const QList<Case> cases{
        {QStringLiteral("anna@example.com"), "anna@example.com"},
        {QStringLiteral("  anna.b+news@mail.example.com\t"), "anna.b+news@mail.example.com"},
        {QStringLiteral("x@y"), "x@y"},
        {QString(), {}},
        {QStringLiteral("   "), {}},
        {QStringLiteral("anna"), {}},
        {QStringLiteral("@example.com"), {}},
        {QStringLiteral("anna@"), {}},
        {QStringLiteral("a@b@c"), {}},
        {QStringLiteral("anna maria@example.com"), {}},
        {QStringLiteral("<anna@example.com>"), {}},
        {QStringLiteral("anna@example.com,bob@example.com"), {}},
        {QStringLiteral("anna@example.com\r\nRCPT TO:<x@y>"), {}},
        {QStringLiteral("an\u0007na@example.com"), {}},
        {QStringLiteral("jürgen@example.com"), {}},
        // RFC 5890: a domain beyond ASCII in its ASCII form (as Python's idna codec gives it).
        {QStringLiteral("anna@bäckerei-müller.de"), "anna@xn--bckerei-mller-bfb28a.de"},
        {QStringLiteral(" Anna.B@Bäckerei-Müller.DE\t"), "Anna.B@xn--bckerei-mller-bfb28a.de"},
        {QStringLiteral("jürgen@bäckerei-müller.de"), {}},
        {QStringLiteral("@bäckerei-müller.de"), {}},
        {QStringLiteral("a@bäcker..de"), {}},
        {QStringLiteral("a@b<äcker.de"), {}},
        {QStringLiteral("a@bä\u0007cker.de"), {}},
        {QStringLiteral("a@bä cker.de"), {}},
        {QStringLiteral("a@b\uff20äcker.de"), {}},
        {QStringLiteral("a@") + QString(64, u'ä') + QStringLiteral(".de"), {}},
        {QStringLiteral("a@") + kDomainLongerInAscii, {}},
        // RFC 5321 4.5.3.1: local part 64, domain 255, the whole path "<...>" 256.
        {QString(64, u'l') + QStringLiteral("@example.com"), QByteArray(64, 'l') + "@example.com"},
        {QString(65, u'l') + QStringLiteral("@example.com"), {}},
        {QStringLiteral("a@") + QString(252, u'd'), "a@" + QByteArray(252, 'd')},
        {QStringLiteral("a@") + QString(253, u'd'), {}},
        {QStringLiteral("a@") + QString(256, u'd'), {}},
    };
    for (const Case& c : cases) {
        const MailAddressCheck check = CheckMailAddress(c.input);
        EXPECT_EQ(check.ok(), !c.accepted.isEmpty()) << c.input.toStdString();
        EXPECT_EQ(check.address, c.accepted) << c.input.toStdString();
        EXPECT_FALSE(check.error.contains(u'\r') || check.error.contains(u'\n')) << c.input.toStdString();
    }
    // Once more in the order of a send run, which checks its sender and each recipient again and
    // again: every answer is the one the address has, however many others came between.
    const Case& sender = cases.first();
    for (qsizetype i = 1; i < cases.size(); ++i) {
        for (const Case* c : {&sender, &cases[i], &sender, &cases[i], &cases[i - 1], &sender, &cases[i]}) {
            const MailAddressCheck check = CheckMailAddress(c->input);
            EXPECT_EQ(check.address, c->accepted) << c->input.toStdString() << " after " << i;
            EXPECT_EQ(check.ok(), !c->accepted.isEmpty()) << c->input.toStdString() << " after " << i;
        }
    }
}
