#include "AiosmtpdServer.h"
#include "ScriptedSmtpServer.h"
#include "SendRunFakes.h"
#include "TestCertificate.h"
#include "mail/SendRun.h"
#include "mail/SmtpMailTransport.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <functional>
#include <gtest/gtest.h>

// Send runs against servers that misbehave: replies out of turn, a 421 at any step, a SIZE
// limit, submission servers without working STARTTLS and certificates that do not verify. Each
// run goes through the real transport and session to a server on the loopback.

using Server = ScriptedSmtpServer;
using Steps = QList<Server::Step>;

namespace {

const QString a = QStringLiteral("a@example.com");
const QString b = QStringLiteral("b@example.com");
const QString c = QStringLiteral("c@example.com");
const QByteArray kExtra = "250 extra\r\n";
const QByteArray kClosing = "421 4.3.2 closing\r\n";

struct RunOptions {
    QStringList recipients{a, b, c};
    int mailsPerConnection = 0;
    SmtpTls tls = SmtpTls::WhenOffered;
    QString user{};
    SmtpSessionOptions session = LoopbackSessionOptions();
    QMap<QString, QByteArrayList> bodyFor{};
};

struct Outcome {
    SendResult result = SendResult::CancelSeen; // never reported
    QStringList log;
    QStringList details;
};

Outcome runAgainst(quint16 port, const RunOptions& options)
{
    QTemporaryDir dir;
    SendRunSettings settings;
    settings.Host = QStringLiteral("127.0.0.1");
    settings.Port = port;
    settings.Tls = options.tls;
    settings.UserId = options.user;
    settings.Password = QStringLiteral("geheim");
    settings.MailsPerConnection = options.mailsPerConnection;
    settings.ProgressMax = int(options.recipients.size());
    settings.LogFileName = dir.filePath(QStringLiteral("News_08122026_1.log"));
    QFile(settings.LogFileName).open(QIODevice::WriteOnly);
    SmtpMailTransport transport(options.session);
    FakeSource source(options.recipients);
    source.mail.Body = {"Hallo\r\n"};
    source.bodyFor = options.bodyFor;
    RecordingReporter reporter;
    Outcome outcome;
    outcome.result = SendRun(settings, transport, source, reporter, [] {
                         return QDateTime(QDate(2026, 12, 8), QTime(10, 11, 12));
                     }).execute();
    outcome.details = reporter.details;
    QFile log(settings.LogFileName);
    if (log.open(QIODevice::ReadOnly))
        outcome.log = QString::fromLatin1(log.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    return outcome;
}

// The recipients whose send line in the log ends in "fertig.".
QStringList loggedAsSent(const QStringList& log)
{
    static const QRegularExpression sent(QStringLiteral("^  Versenden der Nachricht an \"(.*)\" \\.\\.\\. fertig\\.$"));
    QStringList recipients;
    for (const QString& line : log) {
        const QRegularExpressionMatch match = sent.match(line);
        if (match.hasMatch())
            recipients.append(match.captured(1));
    }
    return recipients;
}

// The To: addresses of the mails the server accepted.
QStringList acceptedBy(Server& server)
{
    QStringList recipients;
    for (const QByteArray& data : server.acceptedMails()) {
        const qsizetype at = data.indexOf("\r\nTo: ");
        recipients.append(QString::fromLatin1(data.mid(at + 6, data.indexOf("\r\n", at + 6) - at - 6)));
    }
    return recipients;
}

// The server's side of one mail: the envelope (in one batch with PIPELINING), the data and
// its acceptance; each with what the server adds after it.
struct MailReplies {
    QByteArray afterRset{};
    QByteArray after354{};
    QByteArray afterEnd{};
};

Steps mailSteps(bool pipelining, const MailReplies& mail)
{
    Steps steps;
    if (pipelining) {
        steps = {Server::receiveLine(), Server::receiveLine(), Server::receiveLine(), Server::receiveLine(),
                 Server::send("250 reset\r\n" + mail.afterRset + "250 sender\r\n250 recipient\r\n354 go\r\n" +
                              mail.after354)};
    } else {
        steps = {Server::receiveLine(), Server::send("250 reset\r\n" + mail.afterRset),
                 Server::receiveLine(), Server::send("250 sender\r\n"),
                 Server::receiveLine(), Server::send("250 recipient\r\n"),
                 Server::receiveLine(), Server::send("354 go\r\n" + mail.after354)};
    }
    return steps + Steps{Server::receiveData(), Server::send("250 queued\r\n" + mail.afterEnd)};
}

// The server's side of one connection from its greeting to QUIT.
Steps connection(bool pipelining, const QList<MailReplies>& mails, const QByteArray& afterGreeting = {},
                 const QByteArray& afterEhlo = {})
{
    Steps steps{Server::send("220 mail.example.org ESMTP\r\n" + afterGreeting), Server::receiveLine(),
                Server::send("250-mail.example.org\r\n" +
                             QByteArray(pipelining ? "250 PIPELINING\r\n" : "250 8BITMIME\r\n") + afterEhlo)};
    for (const MailReplies& mail : mails)
        steps += mailSteps(pipelining, mail);
    return steps + Steps{Server::receiveLine(), Server::send("221 bye\r\n")};
}

QString outOfTurn(const char* line)
{
    return QStringLiteral("Der Mailserver hat außer der Reihe geantwortet: \"") + QString::fromLatin1(line) +
           QStringLiteral("\". Die Verbindung wurde beendet.");
}

} // namespace

// One line too many anywhere ends the connection before it can shift a reply onto the wrong
// command: the log calls sent exactly the mails the server accepted.
TEST(SendRunServerFaults, AReplyOutOfTurnNeverCountsAsAnAnswer)
{
    const Steps next{Server::nextConnection()};
    struct Row {
        const char* name;
        int mailsPerConnection;
        std::function<Steps(bool pipelining)> script;
        QStringList accepted;
        SendResult result;
        const char* namedLine; // with PIPELINING where it differs
        const char* namedLinePipelined;
    };
    const MailReplies plain;
    const QList<Row> rows{
        {"after the greeting, middle mail",
         1,
         [&](bool p) { return connection(p, {plain}) + next + connection(p, {plain}, kExtra); },
         {a},
         SendResult::NoConnection,
         "250 extra",
         "250 extra"},
        {"after the greeting, last mail",
         1,
         [&](bool p) {
             return connection(p, {plain}) + next + connection(p, {plain}) + next + connection(p, {plain}, kExtra);
         },
         {a, b},
         SendResult::NoConnection,
         "250 extra",
         "250 extra"},
        {"after EHLO, middle mail",
         1,
         [&](bool p) {
             return connection(p, {plain}) + next + connection(p, {plain}, {}, kExtra) + next + connection(p, {plain});
         },
         {a, c},
         SendResult::SendFailed,
         "250 extra",
         "250 extra"},
        {"after EHLO, last mail",
         1,
         [&](bool p) {
             return connection(p, {plain}) + next + connection(p, {plain}) + next + connection(p, {plain}, {}, kExtra);
         },
         {a, b},
         SendResult::SendFailed,
         "250 extra",
         "250 extra"},
        // With PIPELINING the extra line is taken for a later command's reply until the
        // mail is given up: the RSET after it finds the 354 waiting.
        {"after RSET, middle mail",
         0,
         [&](bool p) {
             return connection(p, {plain, {.afterRset = kExtra}}) + next + connection(p, {plain});
         },
         {a, c},
         SendResult::SendFailed,
         "250 extra",
         "354 go"},
        {"after RSET, last mail",
         0,
         [&](bool p) {
             return connection(p, {plain, plain, {.afterRset = kExtra}});
         },
         {a, b},
         SendResult::SendFailed,
         "250 extra",
         "354 go"},
        {"after the 354, middle mail",
         0,
         [&](bool p) {
             return connection(p, {plain, {.after354 = kExtra}}) + next + connection(p, {plain});
         },
         {a, c},
         SendResult::SendFailed,
         "250 extra",
         "250 extra"},
        {"after the 354, last mail",
         0,
         [&](bool p) {
             return connection(p, {plain, plain, {.after354 = kExtra}});
         },
         {a, b},
         SendResult::SendFailed,
         "250 extra",
         "250 extra"},
        // The mail before the extra line got its own 250; the next one is not started.
        {"after the reply to the end of data, middle mail",
         0,
         [&](bool p) {
             return connection(p, {plain, {.afterEnd = kExtra}, plain});
         },
         {a, b},
         SendResult::SendFailed,
         "250 extra",
         "250 extra"},
    };
    for (const bool pipelining : {false, true}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(row.name) + (pipelining ? ", PIPELINING" : ""));
            Server server(row.script(pipelining));
            const Outcome outcome = runAgainst(server.port(), {.mailsPerConnection = row.mailsPerConnection});
            const QStringList accepted = acceptedBy(server);
            EXPECT_EQ(accepted, row.accepted);
            EXPECT_EQ(loggedAsSent(outcome.log), accepted);
            EXPECT_EQ(outcome.result, row.result);
            const QString reason = outOfTurn(pipelining ? row.namedLinePipelined : row.namedLine);
            EXPECT_EQ(outcome.log.filter(reason).size(), 1) << outcome.log.join(u'\n').toStdString();
        }
    }
}

// After the last mail's 250 an extra line meets QUIT: every mail went, the disconnect is
// finished all the same and the log notes the odd reply.
TEST(SendRunServerFaults, AnExtraLineAfterTheLastMailIsANoteOfTheDisconnect)
{
    for (const bool pipelining : {false, true}) {
        SCOPED_TRACE(pipelining ? "PIPELINING" : "one by one");
        Server server(connection(pipelining, {{}, {}, {.afterEnd = kExtra}}));
        const Outcome outcome = runAgainst(server.port(), {});
        EXPECT_EQ(acceptedBy(server), (QStringList{a, b, c}));
        EXPECT_EQ(loggedAsSent(outcome.log), (QStringList{a, b, c}));
        EXPECT_EQ(outcome.result, SendResult::Done);
        EXPECT_EQ(outcome.log.mid(outcome.log.size() - 2),
                  (QStringList{QStringLiteral("Trennen vom MailServer ... erfolgreich."),
                               QStringLiteral("    Hinweis: Der Mailserver hat das Abmelden mit \"250 extra\" "
                                              "statt mit 221 beantwortet.")}));
    }
}

// A 421 is no refusal: the server took nothing of the mail, which goes once more over a new
// connection, and the log says that the server closed the connection.
TEST(SendRunServerFaults, AMailThatMetA421IsSentOnceMore)
{
    const Steps closed{Server::send(kClosing), Server::closeConnection()};
    const Steps greeting{Server::send("220 mail.example.org ESMTP\r\n"), Server::receiveLine()};
    // The server's side of mail b up to its 421 at the given step (0: RSET ... 4: end of data).
    const auto closingAt = [&](bool pipelining, int step) {
        const QList<QByteArray> replies{"250 reset\r\n", "250 sender\r\n", "250 recipient\r\n", "354 go\r\n"};
        Steps steps;
        if (pipelining) {
            steps = {Server::receiveLine(), Server::receiveLine(), Server::receiveLine(), Server::receiveLine()};
            steps += Server::send(replies.mid(0, step).join());
        } else {
            for (int i = 0; i < std::min(step, 4); ++i)
                steps += {Server::receiveLine(), Server::send(replies[i])};
            if (step < 4)
                steps += Server::receiveLine();
        }
        if (step == 4)
            steps += Server::receiveData();
        return steps + closed;
    };
    struct Row {
        const char* name;
        int step; // -1: unasked, after the reply to a's end of data
    };
    const QList<Row> rows{{"RSET", 0}, {"MAIL", 1}, {"RCPT", 2}, {"DATA", 3}, {"end of data", 4}, {"unasked", -1}};
    for (const bool pipelining : {false, true}) {
        const QByteArray extension = pipelining ? "250-mail.example.org\r\n250 PIPELINING\r\n" : "250 hello\r\n";
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(row.name) + (pipelining ? ", PIPELINING" : ""));
            const Steps first = row.step < 0 ? mailSteps(pipelining, {.afterEnd = kClosing}) + closed
                                             : mailSteps(pipelining, {}) + closingAt(pipelining, row.step);
            Server server(greeting + Steps{Server::send(extension)} + first + Steps{Server::nextConnection()} +
                          connection(pipelining, {{}, {}}));
            const Outcome outcome = runAgainst(server.port(), {});
            EXPECT_EQ(acceptedBy(server), (QStringList{a, b, c}));
            const QString connected = QStringLiteral(" zum Mailserver \"127.0.0.1\" ... erfolgreich.");
            const QString clear = QStringLiteral("    Verbindung nicht verschlüsselt.");
            const QString sentB = QStringLiteral("  Versenden der Nachricht an \"b@example.com\" ... ");
            EXPECT_EQ(outcome.log,
                      (QStringList{QStringLiteral("Sendeprotokoll vom 08.12.2026 10:11:12"),
                                   QStringLiteral("Verbindungsaufbau") + connected, clear,
                                   QStringLiteral("  Versenden der Nachricht an \"a@example.com\" ... fertig."),
                                   sentB + QStringLiteral("unterbrochen, neuer Versuch."),
                                   QStringLiteral("    Fehlertext: 421 4.3.2 closing"),
                                   QStringLiteral("Der Mailserver hat die Verbindung geschlossen."),
                                   QStringLiteral("Erneuter Verbindungsaufbau") + connected, clear,
                                   sentB + QStringLiteral("fertig."),
                                   QStringLiteral("  Versenden der Nachricht an \"c@example.com\" ... fertig."),
                                   QStringLiteral("Trennen vom MailServer ... erfolgreich.")}));
            EXPECT_EQ(outcome.result, SendResult::Done);
        }
    }
}

// RFC 1870: a mail over the announced SIZE is not sent; the run goes on with the next one.
TEST(SendRunServerFaults, AMailLargerThanTheServerTakesIsNotSent)
{
    QByteArrayList large;
    for (int i = 0; i < 50; ++i)
        large.append(QByteArray(98, 'x') + "\r\n");
    Server server(Steps{Server::send("220 mail.example.org ESMTP\r\n"), Server::receiveLine(),
                        Server::send("250-mail.example.org\r\n250 SIZE 2000\r\n")} +
                  mailSteps(false, {}) + mailSteps(false, {}) +
                  Steps{Server::receiveLine(), Server::send("221 bye\r\n")});
    const Outcome outcome = runAgainst(server.port(), {.bodyFor = {{b, large}}});
    EXPECT_EQ(acceptedBy(server), (QStringList{a, c}));
    EXPECT_EQ(loggedAsSent(outcome.log), (QStringList{a, c}));
    EXPECT_EQ(outcome.result, SendResult::SendFailed);
    EXPECT_FALSE(server.received().contains("RCPT TO:<b@example.com>"));
    const qsizetype at =
        outcome.log.indexOf(QStringLiteral("  Versenden der Nachricht an \"b@example.com\" ... fehlgeschlagen."));
    ASSERT_GE(at, 0) << outcome.log.join(u'\n').toStdString();
    static const QRegularExpression reason(
        QStringLiteral("^    Fehlertext: Die Nachricht ist (\\d+) Bytes groß, der Mailserver nimmt höchstens 2000 "
                       "Bytes an\\.$"));
    const QRegularExpressionMatch match = reason.match(outcome.log.value(at + 1));
    ASSERT_TRUE(match.hasMatch()) << outcome.log.value(at + 1).toStdString();
    // The body alone has 5,000 bytes.
    EXPECT_GT(match.captured(1).toInt(), 5000);
}

// Submission (port 587) never sends the password in clear text: a server without STARTTLS, or
// whose upgrade fails, ends the connection step before AUTH, and the log says why.
TEST(SendRunServerFaults, SubmissionWithoutWorkingTlsSendsNoPassword)
{
    const QByteArray offers = "250-mail.example.org\r\n250-AUTH LOGIN PLAIN\r\n";
    const Steps greeting{Server::send("220 mail.example.org ESMTP\r\n"), Server::receiveLine()};
    struct Row {
        const char* name;
        Steps script;
        QString reason;
    };
    const QList<Row> rows{
        {"no STARTTLS offered",
         greeting +
             Steps{Server::send(offers + "250 8BITMIME\r\n"), Server::receiveLine(), Server::send("221 bye\r\n")},
         QStringLiteral("Der Mailserver \"127.0.0.1\" bietet keine Verschlüsselung (STARTTLS) an. Ohne sie "
                        "werden weder Passwort noch Mails gesendet.")},
        {"STARTTLS refused",
         greeting + Steps{Server::send(offers + "250 STARTTLS\r\n"), Server::receiveLine(),
                          Server::send("454 4.7.0 TLS not available\r\n"), Server::receiveLine(),
                          Server::send("221 bye\r\n")},
         QStringLiteral("Der Mailserver hat die Verschlüsselung (STARTTLS) abgelehnt: \"454 4.7.0 TLS not "
                        "available\". Ohne sie wird nichts gesendet.")},
        {"the handshake fails",
         greeting + Steps{Server::send(offers + "250 STARTTLS\r\n"), Server::receiveLine(),
                          Server::send("220 go ahead\r\n"), Server::receiveLine(), Server::send("this is no TLS\r\n"),
                          Server::closeConnection()},
         QStringLiteral("Die verschlüsselte Verbindung zum Mailserver \"127.0.0.1\" kam nicht zustande (")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Server server(row.script);
        const Outcome outcome =
            runAgainst(server.port(), {.tls = SmtpTls::Required, .user = QStringLiteral("newsuser")});
        EXPECT_FALSE(server.received().contains("AUTH")) << server.received().constData();
        EXPECT_FALSE(server.received().contains(QByteArray("newsuser").toBase64()));
        EXPECT_EQ(outcome.result, SendResult::NoConnection);
        ASSERT_EQ(outcome.log.size(), 3) << outcome.log.join(u'\n').toStdString();
        EXPECT_EQ(outcome.log[1], QStringLiteral("Verbindungsaufbau zum Mailserver \"127.0.0.1\" ... fehlgeschlagen."));
        EXPECT_TRUE(outcome.log[2].startsWith(QStringLiteral("#215    Fehlertext: ") + row.reason))
            << outcome.log[2].toStdString();
        ASSERT_EQ(outcome.details.size(), 1);
        EXPECT_TRUE(outcome.details[0].startsWith(row.reason)) << outcome.details[0].toStdString();
    }
}

// A certificate that does not verify is explained in German a user can act on, in the log and
// below the status window's result; one that does gives a log line with the TLS version.
TEST(SendRunServerFaults, CertificatesAreExplainedAndTheLogSaysHowTheConnectionIsProtected)
{
    const TestCertificate good;
    const TestCertificate expired({.expired = true});
    const TestCertificate otherHost(
        {.commonName = QStringLiteral("mail.example.org"), .subjectAltName = QStringLiteral("DNS:mail.example.org")});
    for (const TestCertificate* certificate : {&good, &expired, &otherHost})
        ASSERT_TRUE(certificate->error().isEmpty()) << certificate->error().toStdString();
    struct Row {
        const char* name;
        const TestCertificate& certificate;
        bool trusted;
        SmtpTls tls;
        QString line; // the log line after the connect line
    };
    const QList<Row> rows{
        {"trusted, STARTTLS", good, true, SmtpTls::WhenOffered,
         QStringLiteral("    Verbindung verschlüsselt (TLS 1.3).")},
        {"trusted, TLS from the first byte", good, true, SmtpTls::Implicit,
         QStringLiteral("    Verbindung verschlüsselt (TLS 1.3).")},
        {"expired", expired, true, SmtpTls::WhenOffered,
         QStringLiteral("#215    Fehlertext: Das Zertifikat des Mailservers \"127.0.0.1\" ist am 02.01.2020 "
                        "abgelaufen. Der Betreiber des Mailservers muss es erneuern.")},
        {"issued for another host", otherHost, true, SmtpTls::Required,
         QStringLiteral("#215    Fehlertext: Das Zertifikat des Mailservers ist für \"mail.example.org\" "
                        "ausgestellt, nicht für \"127.0.0.1\". Bitte tragen Sie in den Absenderdaten den "
                        "Servernamen ein, auf den das Zertifikat lautet.")},
        {"not trusted", good, false, SmtpTls::Implicit,
         QStringLiteral("#215    Fehlertext: Das Zertifikat des Mailservers \"127.0.0.1\" ist nicht "
                        "vertrauenswürdig: Es ist selbst ausgestellt oder stammt von einer unbekannten "
                        "Zertifizierungsstelle.")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        AiosmtpdServer server({.user = {},
                               .password = {},
                               .tlsCertificate = row.certificate.certificatePath(),
                               .tlsKey = row.certificate.keyPath(),
                               .implicitTls = row.tls == SmtpTls::Implicit});
        ASSERT_NE(server.port(), 0) << server.startError().toStdString();
        RunOptions options{.recipients = {a}, .tls = row.tls};
        if (row.trusted)
            options.session.extraCaCertificates = {row.certificate.certificate()};
        const Outcome outcome = runAgainst(server.port(), options);
        ASSERT_GE(outcome.log.size(), 3);
        EXPECT_EQ(outcome.log[2], row.line) << outcome.log[2].toStdString();
        const bool failed = row.line.startsWith(u'#');
        EXPECT_EQ(outcome.result, failed ? SendResult::NoConnection : SendResult::Done);
        EXPECT_EQ(outcome.details, QStringList{failed ? row.line.mid(20) : QString()});
        EXPECT_EQ(server.messages().size(), failed ? 0 : 1);
    }
}
