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
    QStringList uncertain; // as the status window names them
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
    outcome.uncertain = reporter.outcome.uncertainRecipients;
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

// Where the extra line of a server comes, and how long after the reply it follows.
enum class ExtraAt { Greeting, Ehlo, Rset, Reply354, EndOfData };
constexpr int kSameWrite = -1;

// reply, and the extra line in the same write or in one of its own delay ms later.
Steps withExtra(const QByteArray& reply, bool extraHere, int delay)
{
    if (!extraHere)
        return {Server::send(reply)};
    if (delay == kSameWrite)
        return {Server::send(reply + kExtra)};
    return {Server::send(reply), Server::pause(delay), Server::send(kExtra)};
}

// One connection of a server that logs users in and sends an extra line at one place of the
// mail numbered extraMail (from 0; -1: none); a mail with the extra after its 354 is refused
// after its data.
Steps connectionWithExtra(bool pipelining, int mails, int extraMail, ExtraAt at, int delay)
{
    const bool inConnection = extraMail >= 0;
    Steps steps = withExtra("220 mail.example.org ESMTP\r\n", inConnection && at == ExtraAt::Greeting, delay);
    steps += Server::receiveLine();
    steps += withExtra("250-mail.example.org\r\n250-AUTH LOGIN\r\n" +
                           QByteArray(pipelining ? "250 PIPELINING\r\n" : "250 8BITMIME\r\n"),
                       inConnection && at == ExtraAt::Ehlo, delay);
    steps += {Server::receiveLine(), Server::send("334 VXNlcm5hbWU6\r\n"),
              Server::receiveLine(), Server::send("334 UGFzc3dvcmQ6\r\n"),
              Server::receiveLine(), Server::send("235 ok\r\n")};
    for (int mail = 0; mail < mails; ++mail) {
        const bool here = mail == extraMail;
        const Steps reset = withExtra("250 reset\r\n", here && at == ExtraAt::Rset, delay);
        const Steps ready = withExtra("354 go\r\n", here && at == ExtraAt::Reply354, delay);
        if (pipelining) {
            steps += {Server::receiveLine(), Server::receiveLine(), Server::receiveLine(), Server::receiveLine()};
            steps += reset;
            steps += Server::send("250 sender\r\n250 recipient\r\n");
        } else {
            steps += Server::receiveLine();
            steps += reset;
            steps += {Server::receiveLine(), Server::send("250 sender\r\n"), Server::receiveLine(),
                      Server::send("250 recipient\r\n"), Server::receiveLine()};
        }
        steps += ready;
        steps += Server::receiveData();
        steps += withExtra(here && at == ExtraAt::Reply354 ? "554 5.7.1 rejected\r\n" : "250 queued\r\n",
                           here && at == ExtraAt::EndOfData, delay);
    }
    return steps + Steps{Server::receiveLine(), Server::send("221 bye\r\n")};
}

// Bodies for a, b and c large enough that the next mail is made while the server reads the
// data, and its envelope goes in a write of its own.
QMap<QString, QByteArrayList> largeBodies()
{
    const QByteArrayList body(1'000, QByteArray(98, 'x') + "\r\n");
    return {{a, body}, {b, body}, {c, body}};
}

// The recipients whose send line ends in "fertig." and whose acceptance the log does not take
// back later.
QStringList loggedAsSentForCertain(const QStringList& log)
{
    QStringList sent = loggedAsSent(log);
    static const QRegularExpression uncertain(
        QStringLiteral("^    Hinweis: Ob der Mailserver die Nachricht an \"(.*)\" "
                       "angenommen hat, ist nicht sicher"));
    for (const QString& line : log) {
        const QRegularExpressionMatch match = uncertain.match(line);
        if (match.hasMatch())
            sent.removeOne(match.captured(1));
    }
    return sent;
}

} // namespace

// However late a line out of turn comes (in the reply's own write, or in one of its own 0, 5
// or 50 ms later), the replies are judged against their commands: a mail counts as sent only
// when the server accepted it, a mail whose acceptance may have been another reply's is named
// uncertain, no run that lost a mail ends with 0, and no shift calls the password wrong.
TEST(SendRunServerFaults, AReplyOutOfTurnNeverCountsAsAnAnswerHoweverLateItComes)
{
    struct Place {
        const char* name;
        ExtraAt at;
    };
    const QList<Place> places{{"greeting", ExtraAt::Greeting},
                              {"EHLO", ExtraAt::Ehlo},
                              {"RSET", ExtraAt::Rset},
                              {"354", ExtraAt::Reply354},
                              {"end of data", ExtraAt::EndOfData}};
    const QStringList recipients{a, b, c};
    for (const bool pipelining : {false, true}) {
        for (const bool large : {false, true}) {
            for (const Place& place : places) {
                // Greeting and EHLO: one connection per mail, the extra on that of the mail.
                const bool perConnection = place.at == ExtraAt::Greeting || place.at == ExtraAt::Ehlo;
                for (const int mail : {1, 2}) {
                    for (const int delay : {kSameWrite, 0, 5, 50}) {
                        SCOPED_TRACE(std::string(place.name) + (mail == 1 ? ", middle mail" : ", last mail") +
                                     ", delay " + std::to_string(delay) + (pipelining ? ", PIPELINING" : "") +
                                     (large ? ", large mails" : ""));
                        Steps script;
                        if (perConnection) {
                            for (int i = 0; i < 3; ++i) {
                                if (i > 0)
                                    script += Server::nextConnection();
                                script += connectionWithExtra(pipelining, 1, i == mail ? 0 : -1, place.at, delay);
                            }
                        } else {
                            script = connectionWithExtra(pipelining, 3, mail, place.at, delay);
                        }
                        // Where the run connects anew after the shift, a server without faults.
                        for (int i = 0; i < 2; ++i) {
                            script += {Server::nextConnection(), Server::send("220 spare ESMTP\r\n"),
                                       Server::receiveLine(), Server::send("250 spare\r\n"), Server::serve()};
                        }
                        Server server(script);
                        RunOptions options{.mailsPerConnection = perConnection ? 1 : 0,
                                           .user = QStringLiteral("news"),
                                           .bodyFor = large ? largeBodies() : QMap<QString, QByteArrayList>()};
                        options.session.timeouts = {3'000, 3'000, 3'000, 3'000, 3'000, 3'000, 3'000};
                        const Outcome outcome = runAgainst(server.port(), options);
                        const QStringList accepted = acceptedBy(server);
                        const QStringList sent = loggedAsSentForCertain(outcome.log);
                        const std::string log = outcome.log.join(u'\n').toStdString();
                        for (const QString& recipient : sent)
                            EXPECT_TRUE(accepted.contains(recipient)) << recipient.toStdString() << '\n' << log;
                        for (const QString& recipient : accepted)
                            EXPECT_TRUE(sent.contains(recipient) || outcome.uncertain.contains(recipient))
                                << recipient.toStdString() << '\n'
                                << log;
                        if (sent != recipients) {
                            EXPECT_NE(outcome.result, SendResult::Done) << log;
                        }
                        EXPECT_NE(outcome.result, SendResult::LoginRefused) << log;
                        EXPECT_FALSE(outcome.log.filter(QStringLiteral("außer der Reihe")).isEmpty()) << log;
                        EXPECT_EQ(outcome.log.filter(QStringLiteral("ist nicht sicher")).size(),
                                  outcome.uncertain.size())
                            << log;
                    }
                }
            }
        }
    }
}

// When no reply comes after the client's "." (the server closes, or says nothing until the
// time runs out), the server may hold the mail: the log says so, the mail is not sent again,
// the run ends with 5 and the status window names the mail.
TEST(SendRunServerFaults, AMailWithoutAReplyToItsEndIsUncertainAndNotSentAgain)
{
    struct Row {
        const char* name;
        Server::Step after;
    };
    const QList<Row> rows{{"closed", Server::closeConnection()}, {"silence", Server::hold()}};
    for (const bool pipelining : {false, true}) {
        for (const bool large : {false, true}) {
            for (const Row& row : rows) {
                SCOPED_TRACE(std::string(row.name) + (pipelining ? ", PIPELINING" : "") +
                             (large ? ", large mails" : ""));
                Steps script = mailSteps(pipelining, {});
                script.removeLast(); // the reply to b's end of data
                Server server(connection(pipelining, {}).mid(0, 3) + mailSteps(pipelining, {}) + script +
                              Steps{row.after, Server::nextConnection(), Server::send("220 spare ESMTP\r\n"),
                                    Server::receiveLine(), Server::send("250 spare\r\n"), Server::serve()});
                RunOptions options;
                options.session.timeouts.dataEnd = 1'000;
                if (large)
                    options.bodyFor = largeBodies();
                const Outcome outcome = runAgainst(server.port(), options);
                EXPECT_EQ(acceptedBy(server), (QStringList{a, c}));
                EXPECT_EQ(loggedAsSent(outcome.log), (QStringList{a, c}));
                EXPECT_EQ(server.received().count("RCPT TO:<b@example.com>"), 1);
                EXPECT_EQ(outcome.result, SendResult::SendFailed);
                EXPECT_EQ(outcome.uncertain, QStringList{b});
                const qsizetype at = outcome.log.indexOf(
                    QStringLiteral("  Versenden der Nachricht an \"b@example.com\" ... nicht sicher."));
                ASSERT_GE(at, 0) << outcome.log.join(u'\n').toStdString();
                EXPECT_TRUE(outcome.log.value(at + 2).startsWith(QStringLiteral(
                    "    Hinweis: Ob der Mailserver die Nachricht an \"b@example.com\" angenommen hat, ist "
                    "nicht sicher")))
                    << outcome.log.value(at + 2).toStdString();
            }
        }
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
    // With PIPELINING the large mail's envelope never goes out with the mail before it.
    for (const bool pipelining : {false, true}) {
        SCOPED_TRACE(pipelining ? "PIPELINING" : "one by one");
        Server server(Steps{Server::send("220 mail.example.org ESMTP\r\n"), Server::receiveLine(),
                            Server::send("250-mail.example.org\r\n" +
                                         QByteArray(pipelining ? "250-PIPELINING\r\n" : "") + "250 SIZE 2000\r\n")} +
                      mailSteps(pipelining, {}) + mailSteps(pipelining, {}) +
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
        // Bytes without a line end, in the write of the 220, are named as they came.
        {"bytes that are no TLS after the 220",
         greeting + Steps{Server::send(offers + "250 STARTTLS\r\n"), Server::receiveLine(),
                          Server::send(QByteArray("220 go ahead\r\n\x15\x03\x01\x00\x02\x02"
                                                  "F",
                                                  21)),
                          Server::closeConnection()},
         QStringLiteral("Der Mailserver hat außer der Reihe geantwortet: \"\\x15\\x03\\x01\\x00\\x02\\x02F\". Die "
                        "Verbindung wurde beendet.")},
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

// A refusal that comes unasked after the 354 is read as the reply to the mail's end; the
// server's own 250 to that end follows and shifts the replies after it. Once the shift shows,
// the refusal proves nothing either: a mail the server accepted is never left as failed, to be
// sent again, but named uncertain.
TEST(SendRunServerFaults, ARefusalOutOfTurnNeverLeavesAnAcceptedMailAsFailed)
{
    const QList<QByteArray> refusals{"554 5.7.1 rejected\r\n", "451 4.3.0 try later\r\n"};
    const QStringList recipients{a, b, c};
    for (const bool pipelining : {false, true}) {
        for (const QByteArray& refusal : refusals) {
            for (const int mail : {1, 2}) {
                for (const int delay : {0, 50}) {
                    SCOPED_TRACE(refusal.trimmed().toStdString() + (mail == 1 ? ", middle mail" : ", last mail") +
                                 ", delay " + std::to_string(delay) + (pipelining ? ", PIPELINING" : ""));
                    Steps script{Server::send("220 mail.example.org ESMTP\r\n"), Server::receiveLine(),
                                 Server::send("250-mail.example.org\r\n" +
                                              QByteArray(pipelining ? "250 PIPELINING\r\n" : "250 8BITMIME\r\n"))};
                    for (int i = 0; i < 3; ++i) {
                        const Steps envelope = mailSteps(pipelining, {}).mid(0, pipelining ? 5 : 8);
                        script += envelope;
                        if (i == mail)
                            script += {Server::pause(delay), Server::send(refusal)};
                        script += {Server::receiveData(), Server::send("250 queued\r\n")};
                    }
                    script += {Server::receiveLine(), Server::send("221 bye\r\n")};
                    for (int i = 0; i < 2; ++i) {
                        script += {Server::nextConnection(), Server::send("220 spare ESMTP\r\n"), Server::receiveLine(),
                                   Server::send("250 spare\r\n"), Server::serve()};
                    }
                    Server server(script);
                    RunOptions options;
                    options.session.timeouts = {3'000, 3'000, 3'000, 3'000, 3'000, 3'000, 3'000};
                    const Outcome outcome = runAgainst(server.port(), options);
                    const QStringList accepted = acceptedBy(server);
                    const QStringList sent = loggedAsSentForCertain(outcome.log);
                    const std::string log = outcome.log.join(u'\n').toStdString();
                    for (const QString& recipient : accepted) {
                        EXPECT_TRUE(sent.contains(recipient) || outcome.uncertain.contains(recipient))
                            << recipient.toStdString() << '\n'
                            << log;
                    }
                    for (const QString& recipient : sent)
                        EXPECT_TRUE(accepted.contains(recipient)) << recipient.toStdString() << '\n' << log;
                    EXPECT_NE(outcome.result, SendResult::Done) << log;
                    EXPECT_EQ(outcome.log.filter(QStringLiteral("ist nicht sicher")).size(), outcome.uncertain.size())
                        << log;
                }
            }
        }
    }
}

// Only a server that says the credentials are wrong (535, RFC 4954 6) calls the password
// wrong. A temporary failure, a mechanism the server will not take or a login it wants only
// over TLS says nothing about the password; the log names the server's reply either way.
TEST(SendRunServerFaults, OnlyA535CallsThePasswordWrong)
{
    struct Row {
        QByteArray reply;
        bool toPassword; // else to AUTH LOGIN itself
    };
    const QList<Row> rows{{"454 4.7.0 Temporary authentication failure", true},
                          {"432 4.7.12 A password transition is needed", true},
                          {"534 5.7.9 Authentication mechanism is too weak", true},
                          {"538 5.7.11 Encryption required for requested authentication mechanism", false},
                          {"504 5.5.4 Unrecognized authentication type", false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reply.toStdString());
        Steps script{Server::send("220 mail.example.org ESMTP\r\n"), Server::receiveLine(),
                     Server::send("250-mail.example.org\r\n250 AUTH LOGIN\r\n"), Server::receiveLine()};
        if (row.toPassword) {
            script += {Server::send("334 VXNlcm5hbWU6\r\n"), Server::receiveLine(),
                       Server::send("334 UGFzc3dvcmQ6\r\n"), Server::receiveLine()};
        }
        script += {Server::send(row.reply + "\r\n"), Server::receiveLine(), Server::send("221 bye\r\n")};
        Server server(script);
        const Outcome outcome = runAgainst(server.port(), {.user = QStringLiteral("news")});
        const std::string log = outcome.log.join(u'\n').toStdString();
        EXPECT_TRUE(acceptedBy(server).isEmpty());
        EXPECT_NE(outcome.result, SendResult::LoginRefused) << log;
        EXPECT_NE(outcome.result, SendResult::Done) << log;
        EXPECT_FALSE(outcome.log.filter(QString::fromLatin1(row.reply)).isEmpty()) << log;
    }
}

// A server that refuses a large mail while its data still comes, and closes: the "." never
// left the client, so the server cannot hold the mail; it failed, it is not uncertain. The
// mail is larger than the system's buffers on both ends can hold, so the write breaks off.
TEST(SendRunServerFaults, AMailCutOffBeforeItsEndFailedAndIsNotUncertain)
{
    const QByteArrayList huge{QByteArray(QByteArray(98, 'x') + "\r\n").repeated(40 * 1024 * 1024 / 100)};
    for (const bool pipelining : {false, true}) {
        SCOPED_TRACE(pipelining ? "PIPELINING" : "one by one");
        Steps envelope = mailSteps(pipelining, {});
        envelope.resize(envelope.size() - 2); // the data and its acceptance
        Server server(connection(pipelining, {}).mid(0, 3) + envelope +
                      Steps{Server::receiveLine(), Server::send("552 5.3.4 message too big\r\n"),
                            Server::closeConnection(), Server::nextConnection(), Server::send("220 spare ESMTP\r\n"),
                            Server::receiveLine(), Server::send("250 spare\r\n"), Server::serve()});
        const Outcome outcome = runAgainst(server.port(), {.bodyFor = {{a, huge}}});
        EXPECT_EQ(acceptedBy(server), (QStringList{b, c}));
        EXPECT_EQ(loggedAsSent(outcome.log), (QStringList{b, c}));
        EXPECT_EQ(outcome.result, SendResult::SendFailed);
        EXPECT_EQ(outcome.uncertain, QStringList{});
        EXPECT_GE(
            outcome.log.indexOf(QStringLiteral("  Versenden der Nachricht an \"a@example.com\" ... fehlgeschlagen.")),
            0)
            << outcome.log.join(u'\n').toStdString();
    }
}
