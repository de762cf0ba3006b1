#include "AiosmtpdServer.h"
#include "ScriptedSmtpServer.h"
#include "SendRunFakes.h"
#include "mail/GeneratorMailSource.h"
#include "mail/SendRun.h"
#include "mail/SmtpMailTransport.h"
#include "support/FileSizeLimit.h"

#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

struct EndToEnd {
    SendResult result = SendResult::CancelSeen; // never reported
    QByteArray log;
    SendRunOutcome reported;
};

EndToEnd sendThrough(const AiosmtpdServer& server, const QStringList& recipients, int mailsPerConnection,
                     const QString& password)
{
    QTemporaryDir dir;
    SendRunSettings settings;
    settings.Host = QStringLiteral("127.0.0.1");
    settings.Port = server.port();
    settings.UserId = QStringLiteral("newsuser");
    settings.Password = password;
    settings.MailsPerConnection = mailsPerConnection;
    settings.ProgressMax = int(recipients.size());
    settings.LogFileName = dir.filePath(QStringLiteral("News_08122026_1.log"));
    QFile(settings.LogFileName).open(QIODevice::WriteOnly);

    SmtpMailTransport transport(LoopbackSessionOptions());
    FakeSource source(recipients);
    source.mail.Subject = QStringLiteral("Grüße aus Köln – Ausgabe 12");
    source.mail.HeaderLines = {"MIME-Version: 1.0", "content-type: text/plain; charset=iso-8859-1",
                               "content-transfer-encoding: quoted-printable"};
    source.mail.Body = {"Hallo =FCberall,\r\n.\r\n", "..x\r\n"};
    RecordingReporter reporter;
    EndToEnd outcome;
    outcome.result = SendRun(settings, transport, source, reporter).execute();
    outcome.reported = reporter.outcome;
    QFile log(settings.LogFileName);
    log.open(QIODevice::ReadOnly);
    outcome.log = log.readAll();
    return outcome;
}

// One mail to a@example.com without login through a real transport to the server on port;
// returns the run's log.
QByteArray sendOneMail(quint16 port, const SmtpSessionOptions& sessionOptions, ISendRunReporter& reporter,
                       SendResult& result)
{
    QTemporaryDir dir;
    SendRunSettings settings;
    settings.Host = QStringLiteral("127.0.0.1");
    settings.Port = port;
    settings.ProgressMax = 1;
    settings.LogFileName = dir.filePath(QStringLiteral("News_08122026_1.log"));
    QFile(settings.LogFileName).open(QIODevice::WriteOnly);
    SmtpMailTransport transport(sessionOptions);
    FakeSource source({QStringLiteral("a@example.com")});
    result = SendRun(settings, transport, source, reporter).execute();
    QFile log(settings.LogFileName);
    return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
}

QStringList readers(int count)
{
    QStringList recipients;
    for (int i = 1; i <= count; ++i)
        recipients.append(QStringLiteral("leser%1@example.com").arg(i));
    return recipients;
}

} // namespace

TEST(SendRunEndToEnd, EveryMailArrivesOverCeilNConnections)
{
    AiosmtpdServer server(
        {.user = QStringLiteral("newsuser"), .password = QStringLiteral("pässword"), .requireAuth = true});
    ASSERT_NE(server.port(), 0) << server.startError().toStdString();
    const QStringList recipients = readers(5);
    const EndToEnd outcome = sendThrough(server, recipients, 2, QStringLiteral("pässword"));
    EXPECT_EQ(outcome.result, SendResult::Done) << outcome.log.constData();

    const QList<QJsonObject> messages = server.messages();
    ASSERT_EQ(messages.size(), 5);
    EXPECT_EQ(server.connections(), 3);
    QSet<QString> messageIds;
    for (int i = 0; i < 5; ++i) {
        const QJsonObject& m = messages[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(m[QStringLiteral("mail_from")].toString(), QStringLiteral("news@example.org"));
        EXPECT_EQ(m[QStringLiteral("rcpt_tos")].toArray(), QJsonArray{recipients[i]});
        EXPECT_EQ(m[QStringLiteral("connection")].toInt(), i / 2 + 1);
        EXPECT_EQ(m[QStringLiteral("subject")].toString(), QStringLiteral("Grüße aus Köln – Ausgabe 12"));
        EXPECT_TRUE(m[QStringLiteral("defects")].toArray().isEmpty());
        EXPECT_EQ(m[QStringLiteral("body")].toString(), QStringLiteral("Hallo überall,\r\n.\r\n..x\r\n"));
        const QString raw = m[QStringLiteral("raw")].toString();
        EXPECT_TRUE(raw.startsWith(QStringLiteral("From: news@example.org\r\nTo: ") + recipients[i] +
                                   QStringLiteral("\r\nSubject: =?")))
            << raw.toStdString();
        const qsizetype id = raw.indexOf(QStringLiteral("\r\nMessage-ID: <"));
        ASSERT_GE(id, 0);
        messageIds.insert(raw.mid(id, raw.indexOf(u'>', id) - id));
    }
    EXPECT_EQ(messageIds.size(), 5);
}

// A server that closes on QUIT without its 221 has still taken every mail.
TEST(SendRunEndToEnd, QuitClosedWithoutReplyStillGivesResult0)
{
    AiosmtpdServer::Options serverOptions{
        .user = QStringLiteral("newsuser"), .password = QStringLiteral("pässword"), .requireAuth = true};
    serverOptions.quitWithoutReply = true;
    AiosmtpdServer server(serverOptions);
    ASSERT_NE(server.port(), 0) << server.startError().toStdString();
    const QStringList recipients = readers(5);
    const EndToEnd outcome = sendThrough(server, recipients, 2, QStringLiteral("pässword"));
    EXPECT_EQ(outcome.result, SendResult::Done) << outcome.log.constData();
    EXPECT_EQ(server.messages().size(), 5);
    EXPECT_EQ(server.connections(), 3);
    EXPECT_EQ(outcome.log.count("Trennen nach 2 Mail(s).\r\n"), 2);
    EXPECT_TRUE(outcome.log.endsWith("Trennen vom MailServer ... erfolgreich.\r\n"));
}

// "Abbrechen" while the server keeps silent for what would be ten minutes ends the wait.
TEST(SendRunEndToEnd, CancelEndsAWaitForTheServer)
{
    ScriptedSmtpServer server({ScriptedSmtpServer::send("220 hi\r\n"), ScriptedSmtpServer::receiveLine(),
                               ScriptedSmtpServer::send("250 hello\r\n"), ScriptedSmtpServer::receiveLine(),
                               ScriptedSmtpServer::hold()});
    SmtpSessionOptions sessionOptions = LoopbackSessionOptions();
    sessionOptions.timeouts = {600'000, 600'000, 600'000, 600'000, 600'000, 600'000, 600'000};
    // "Abbrechen" is pressed once the server holds the RSET unanswered.
    struct CancelAtRset : RecordingReporter {
        ScriptedSmtpServer& server;
        explicit CancelAtRset(ScriptedSmtpServer& s) : server(s) {}
        bool cancelRequested() override { return server.receivedSoFar().contains("RSET"); }
    } reporter(server);
    SendResult result = SendResult::CancelSeen; // never reported
    const QByteArray text = sendOneMail(server.port(), sessionOptions, reporter, result);
    EXPECT_EQ(result, SendResult::UserCancelled);
    EXPECT_TRUE(text.contains("  Versenden der Nachricht an \"a@example.com\" ... abgebrochen.\r\n"))
        << text.constData();
    EXPECT_TRUE(text.endsWith("Trennen vom MailServer ... erfolgreich.\r\n\r\n\r\nAbbruch durch Benutzer.\r\n"));
    EXPECT_EQ(server.received(), QByteArray("EHLO client.example.org\r\nRSET\r\n"));
}

// A hostile reply with a bare CR, an escape sequence and a NUL reaches the log as blanks.
TEST(SendRunEndToEnd, ControlCharactersOfARefusalAreBlanksInTheLog)
{
    using Server = ScriptedSmtpServer;
    Server server({Server::send("220 hi\r\n"), Server::receiveLine(), Server::send("250 hello\r\n"),
                   Server::receiveLine(), Server::send("250 ok\r\n"), Server::receiveLine(),
                   Server::send(QByteArray("550 bad\r\x1b[2J\0user\r\n", 19)), Server::receiveLine(),
                   Server::send("221 bye\r\n")});
    RecordingReporter reporter;
    SendResult result = SendResult::CancelSeen; // never reported
    const QByteArray text = sendOneMail(server.port(), LoopbackSessionOptions(), reporter, result);
    EXPECT_EQ(result, SendResult::SendFailed);
    EXPECT_TRUE(text.contains("\r\n    Fehlertext: 550 bad  [2J user\r\n")) << text.constData();
    EXPECT_EQ(text.count('\r'), text.count("\r\n"));
}

// A real server counts what went out when the log's file system fills up: the run stopped, and
// every mail the server took is in the log with its whole line or named to the window.
TEST(SendRunEndToEnd, FullLogStopsTheRunAndEveryMailIsAccountedFor)
{
    AiosmtpdServer server(
        {.user = QStringLiteral("newsuser"), .password = QStringLiteral("pässword"), .requireAuth = true});
    ASSERT_NE(server.port(), 0) << server.startError().toStdString();
    const QStringList recipients = readers(20);
    EndToEnd outcome;
    {
        // Room for the log's head and a few mails.
        const FileSizeLimit limit(600);
        outcome = sendThrough(server, recipients, 0, QStringLiteral("pässword"));
    }
    EXPECT_EQ(outcome.result, SendResult::LogIncomplete) << outcome.log.constData();
    QStringList received;
    for (const QJsonObject& m : server.messages())
        received.append(m[QStringLiteral("rcpt_tos")].toArray().first().toString());
    EXPECT_GT(received.size(), 0);
    EXPECT_LT(received.size(), recipients.size());
    EXPECT_EQ(outcome.reported.mailsSent, received.size());
    QStringList logged;
    for (const QString& address : recipients) {
        if (outcome.log.contains(
                QByteArray("  Versenden der Nachricht an \"" + address.toLatin1() + "\" ... fertig.\r\n")))
            logged.append(address);
    }
    EXPECT_EQ(logged + outcome.reported.unloggedRecipients, received);
}

// A domain with umlauts goes out in its ASCII form, in the envelope and in the To header, while
// the log names the address as typed; a local part with umlauts is refused with its reason.
TEST(SendRunEndToEnd, UmlautDomainsArriveInTheirAsciiForm)
{
    AiosmtpdServer server(
        {.user = QStringLiteral("newsuser"), .password = QStringLiteral("pässword"), .requireAuth = true});
    ASSERT_NE(server.port(), 0) << server.startError().toStdString();
    const QStringList recipients{QStringLiteral("anna@bäckerei-müller.de"), QStringLiteral("jürgen@bäckerei-müller.de"),
                                 QStringLiteral("Info@Straße.DE")};
    const EndToEnd outcome = sendThrough(server, recipients, 0, QStringLiteral("pässword"));
    EXPECT_EQ(outcome.result, SendResult::SendFailed);

    // Python's idna codec gives the first form; the second is the one of IDNA 2008 (RFC 5891),
    // under which "ß" is a letter of its own.
    const QStringList asciiForms{QStringLiteral("anna@xn--bckerei-mller-bfb28a.de"),
                                 QStringLiteral("Info@xn--strae-oqa.de")};
    const QList<QJsonObject> messages = server.messages();
    ASSERT_EQ(messages.size(), 2);
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        const QJsonObject& m = messages[i];
        EXPECT_EQ(m[QStringLiteral("rcpt_tos")].toArray(), QJsonArray{asciiForms[i]});
        EXPECT_EQ(m[QStringLiteral("to")].toArray(), QJsonArray{asciiForms[i]});
        EXPECT_TRUE(m[QStringLiteral("to_defects")].toArray().isEmpty());
        EXPECT_TRUE(m[QStringLiteral("defects")].toArray().isEmpty());
    }
    const QString log = QString::fromLatin1(outcome.log);
    EXPECT_TRUE(
        log.contains(QStringLiteral("  Versenden der Nachricht an \"anna@bäckerei-müller.de\" ... fertig.\r\n")))
        << outcome.log.constData();
    EXPECT_TRUE(log.contains(QStringLiteral("  Versenden der Nachricht an \"jürgen@bäckerei-müller.de\" ... "
                                            "fehlgeschlagen.\r\n    Fehlertext: Recipient: Invalid address "
                                            "\"jürgen@bäckerei-müller.de\": not printable ASCII\r\n")));
    EXPECT_TRUE(log.contains(QStringLiteral("  Versenden der Nachricht an \"Info@Straße.DE\" ... fertig.\r\n")));
}

TEST(SendRunEndToEnd, WrongPasswordGivesResult3AndNoMail)
{
    AiosmtpdServer server(
        {.user = QStringLiteral("newsuser"), .password = QStringLiteral("right"), .requireAuth = true});
    ASSERT_NE(server.port(), 0) << server.startError().toStdString();
    const EndToEnd outcome = sendThrough(server, {QStringLiteral("a@example.com")}, 0, QStringLiteral("wrong"));
    EXPECT_EQ(outcome.result, SendResult::LoginRefused);
    EXPECT_TRUE(server.messages().isEmpty());
    EXPECT_TRUE(outcome.log.contains("Anmelden des Benutzers \"newsuser\" am Mailserver fehlgeschlagen.\r\n"));
    EXPECT_TRUE(outcome.log.endsWith("Trennen vom MailServer ... erfolgreich.\r\n"));
}

TEST(SmtpMailTransport, DateHeaderIsEnglishWhateverTheLocale)
{
    const QLocale old;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QList<std::pair<QDateTime, QByteArray>> cases{
        {QDateTime(QDate(2026, 12, 8), QTime(10, 11, 12), QTimeZone(3600)), "Tue, 8 Dec 2026 10:11:12 +0100"},
        {QDateTime(QDate(2026, 3, 1), QTime(0, 0, 5), QTimeZone(-9000)), "Sun, 1 Mar 2026 00:00:05 -0230"},
        {QDateTime(QDate(2027, 5, 20), QTime(23, 59, 59), QTimeZone::utc()), "Thu, 20 May 2027 23:59:59 +0000"},
    };
    for (const auto& [time, expected] : cases)
        EXPECT_EQ(Rfc5322Date(time), expected);
    QLocale::setDefault(old);
}

TEST(SendRunEndToEnd, GeneratedMailsArrivePersonalisedAndParse)
{
    AiosmtpdServer server(
        {.user = QStringLiteral("newsuser"), .password = QStringLiteral("pässword"), .requireAuth = true});
    ASSERT_NE(server.port(), 0) << server.startError().toStdString();
    const QStringList names{QStringLiteral("Anna"), QStringLiteral("Jürgen"), QStringLiteral("Zoë")};
    auto generator = std::make_unique<TMessageGenerator>();
    generator->SetText(
        {QStringLiteral("Hallo <#EVorname>,"), QStringLiteral("."), QStringLiteral("Ihre <#AFirmenName>")});
    TSenderMailData sender;
    sender.setText(SenderField::FirmenName, QStringLiteral("Bäckerei Korn"));
    sender.setText(SenderField::Subject, QStringLiteral("Neues aus der Backstube"));
    sender.setText(SenderField::From, QStringLiteral("news@example.org"));
    generator->SetSenderData(sender);
    TRecipientList recipients;
    for (int i = 0; i < names.size(); ++i) {
        TRecipientEntry entry;
        entry.Values[static_cast<size_t>(RecipientField::Email)] = QStringLiteral("leser%1@example.com").arg(i + 1);
        entry.Values[13] = names[i];
        recipients.append(entry);
    }
    generator->SetUserData(recipients);

    QTemporaryDir dir;
    SendRunSettings settings;
    settings.Host = QStringLiteral("127.0.0.1");
    settings.Port = server.port();
    settings.UserId = QStringLiteral("newsuser");
    settings.Password = QStringLiteral("pässword");
    settings.MailsPerConnection = 2;
    settings.ProgressMax = int(recipients.count());
    settings.LogFileName = dir.filePath(QStringLiteral("newsletter.log"));
    SmtpMailTransport transport(LoopbackSessionOptions());
    GeneratorMailSource source(std::move(generator));
    RecordingReporter reporter;
    EXPECT_EQ(SendRun(settings, transport, source, reporter).execute(), SendResult::Done);

    const QList<QJsonObject> messages = server.messages();
    ASSERT_EQ(messages.size(), 3);
    EXPECT_EQ(server.connections(), 2);
    for (int i = 0; i < 3; ++i) {
        const QJsonObject& m = messages[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(m[QStringLiteral("rcpt_tos")].toArray(), QJsonArray{recipients.at(i).Address()});
        EXPECT_EQ(m[QStringLiteral("subject")].toString(), QStringLiteral("Neues aus der Backstube"));
        EXPECT_TRUE(m[QStringLiteral("defects")].toArray().isEmpty());
        EXPECT_EQ(m[QStringLiteral("body")].toString(),
                  QStringLiteral("Hallo ") + names[i] + QStringLiteral(",\r\n.\r\nIhre Bäckerei Korn\r\n"));
    }
}

// Each mail carries its own subject, also where the subject changes from one mail to the next.
TEST(SmtpMailTransport, EveryMailCarriesItsOwnSubject)
{
    const QStringList subjects{QStringLiteral("Alpha"), QStringLiteral("Alpha"), QStringLiteral("Beta"),
                               QStringLiteral("Alpha")};
    ScriptedSmtpServer server(
        {ScriptedSmtpServer::send("220 mail.example.org ESMTP\r\n"), ScriptedSmtpServer::receiveLine(),
         ScriptedSmtpServer::send("250-mail.example.org\r\n250 PIPELINING\r\n"), ScriptedSmtpServer::serve()});
    SmtpMailTransport transport(LoopbackSessionOptions());
    ASSERT_TRUE(transport.connectToHost(QStringLiteral("127.0.0.1"), server.port(), SmtpTls::WhenOffered).ok());
    TMailMessage mail{QStringLiteral("news@example.org"), QStringLiteral("a@example.com"), {}, {}, {"Hallo\r\n"}};
    for (const QString& subject : subjects) {
        mail.Subject = subject;
        EXPECT_TRUE(transport.send(mail, {}).ok());
    }
    EXPECT_TRUE(transport.disconnect().ok());
    QStringList received;
    for (const QByteArray& data : server.acceptedMails()) {
        const qsizetype at = data.indexOf("\r\nSubject: ") + 11;
        received.append(QString::fromLatin1(data.mid(at, data.indexOf("\r\n", at) - at)));
    }
    EXPECT_EQ(received, subjects);
}
