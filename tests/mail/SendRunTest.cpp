#include "mail/SendRun.h"

#include "SendRunFakes.h"
#include "support/FileSizeLimit.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>

namespace {

const QString kHost = QStringLiteral("smtp.example.org");
const QString kUser = QStringLiteral("newsuser");
const QStringList kThree{QStringLiteral("a@example.com"), QStringLiteral("b@example.com"),
                         QStringLiteral("c@example.com")};

QDateTime fixedClock()
{
    return QDateTime(QDate(2026, 12, 8), QTime(10, 11, 12));
}

struct Outcome {
    SendResult result = SendResult::CancelSeen; // never reported
    QStringList logLines;
    RecordingReporter reporter;
    QStringList calls;
};

struct RunSetup {
    QStringList recipients = kThree;
    int mailsPerConnection = 0;
    QString user = kUser;
    bool announcesAuth = true;
    QString encryption{};
    QMap<QString, QList<SmtpResult>> script{};
    int buildFailsAt = -1;
    QString prepareError{};
    int cancelAtCheck = 0;
    bool pipelines = false;
};

Outcome runWith(const RunSetup& setup)
{
    QTemporaryDir dir;
    const QString logPath = dir.filePath(QStringLiteral("News_08122026_1.log"));
    QFile(logPath).open(QIODevice::WriteOnly);

    FakeTransport transport;
    transport.announcesAuth = setup.announcesAuth;
    transport.encryption = setup.encryption;
    transport.script = setup.script;
    transport.pipelines = setup.pipelines;
    FakeSource source(setup.recipients);
    source.failAt = setup.buildFailsAt;
    source.prepareError = setup.prepareError;
    Outcome outcome;
    outcome.reporter.cancelAtCheck = setup.cancelAtCheck;

    SendRunSettings settings;
    settings.Host = kHost;
    settings.UserId = setup.user;
    settings.Password = QStringLiteral("secret");
    settings.MailsPerConnection = setup.mailsPerConnection;
    settings.ProgressMax = int(setup.recipients.size());
    settings.LogFileName = logPath;
    outcome.result = SendRun(settings, transport, source, outcome.reporter, fixedClock).execute();

    QFile log(logPath);
    log.open(QIODevice::ReadOnly);
    const QString text = QString::fromLatin1(log.readAll());
    EXPECT_TRUE(text.isEmpty() || text.endsWith(QStringLiteral("\r\n")));
    outcome.logLines = text.split(QStringLiteral("\r\n"));
    outcome.logLines.removeLast();
    outcome.calls = transport.calls;
    return outcome;
}

QString connected(const QString& prefix = QStringLiteral("Verbindungsaufbau zum Mailserver "))
{
    return prefix + u'"' + kHost + QStringLiteral("\" ... erfolgreich.");
}

QString sent(const QString& address, const QString& end = QStringLiteral("fertig."))
{
    return QStringLiteral("  Versenden der Nachricht an \"") + address + QStringLiteral("\" ... ") + end;
}

const QStringList kHeader{QStringLiteral("Sendeprotokoll vom 08.12.2026 10:11:12"), {}, {}};
const QString kLogin = QStringLiteral("Anmelden des Benutzers \"newsuser\" am Mailserver erfolgreich.");
const QString kRelogin = QStringLiteral("Erneutes Anmelden des Benutzers \"newsuser\" am Mailserver erfolgreich.");
const QString kReconnect = connected(QStringLiteral("Erneuter Verbindungsaufbau zum Mailserver "));
const QString kClear = QStringLiteral("    Verbindung nicht verschlüsselt.");
const QString kRetried = QStringLiteral("unterbrochen, neuer Versuch.");
const QString kServerClosed = QStringLiteral("Der Mailserver hat die Verbindung geschlossen");
const QString kQuitNote =
    QStringLiteral("Der Mailserver hat das Abmelden mit \"250 extra\" statt mit 221 beantwortet.");
const QString kUntrusted =
    QStringLiteral("Das Zertifikat des Mailservers \"smtp.example.org\" ist nicht vertrauenswürdig.");
const QString kDisconnected = QStringLiteral("Trennen vom MailServer ... erfolgreich.");
const QString kClosing421 = QStringLiteral("421 4.3.2 Service shutting down");
const QStringList kClosing{QStringLiteral("Verbindung trennen"), QStringLiteral("Verbindung getrennt")};

QString notSent(const QString& address)
{
    return QStringLiteral("  Nicht versendet an \"") + address + u'"';
}

QString sending(const QString& address)
{
    return QStringLiteral("Senden an ") + address;
}

struct Scenario {
    const char* name;
    RunSetup setup;
    QStringList log;
    QStringList statuses;
    SendResult result;
    int steps;
};

} // namespace

TEST(SendRun, ScenariosWriteTheirLogStatusAndResult)
{
    const QString a = kThree[0], b = kThree[1], c = kThree[2];
    const QString refused = QStringLiteral("550 5.1.1 <b@example.com>: no such user");
    // The status line of a run with login that sends a and b, reconnects, then sends c.
    const QStringList twoThenReconnect = QStringList{QStringLiteral("Verbinden..."),
                                                     QStringLiteral("Verbunden..."),
                                                     QStringLiteral("Anmelden..."),
                                                     sending(a),
                                                     sending(b),
                                                     QStringLiteral("Trennen nach 2 Mail(s)..."),
                                                     QStringLiteral("Verbunden..."),
                                                     QStringLiteral("Anmelden..."),
                                                     sending(c)} +
                                         kClosing;
    // The status line of a run without login that sends a, then cannot connect again.
    const QStringList oneThenNoReconnect =
        QStringList{QStringLiteral("Verbinden..."), QStringLiteral("Verbunden..."), sending(a),
                    QStringLiteral("Trennen nach 1 Mail(s)..."),
                    QStringLiteral("Erneuter Verbindungsaufbau zum Mailserver \"smtp.example.org\" fehlgeschlagen.")} +
        kClosing;
    const QList<Scenario> scenarios{
        {"reference run with login and two mails per connection",
         {.mailsPerConnection = 2},
         kHeader + QStringList{connected(), kClear, kLogin, sent(a), sent(b), QStringLiteral("Trennen nach 2 Mail(s)."),
                               kReconnect, kClear, kRelogin, sent(c), kDisconnected},
         twoThenReconnect,
         SendResult::Done,
         3},
        {"no authentication offered: no login, also not after a reconnect",
         {.recipients = {a, b}, .mailsPerConnection = 1, .announcesAuth = false},
         kHeader + QStringList{connected(), kClear, sent(a), QStringLiteral("Trennen nach 1 Mail(s)."), kReconnect,
                               kClear, sent(b), kDisconnected},
         QStringList{QStringLiteral("Verbinden..."), QStringLiteral("Verbunden..."), sending(a),
                     QStringLiteral("Trennen nach 1 Mail(s)..."), QStringLiteral("Verbunden..."), sending(b)} +
             kClosing,
         SendResult::Done,
         2},
        {"an empty user name skips the login although the server offers it",
         {.recipients = {a}, .user = QString()},
         kHeader + QStringList{connected(), kClear, sent(a), kDisconnected},
         QStringList{QStringLiteral("Verbinden..."), QStringLiteral("Verbunden..."), sending(a)} + kClosing,
         SendResult::Done,
         1},
        {"550 for recipient 2 of 3: the others are still sent",
         {.script = {{QStringLiteral("send b@example.com"), {FakeTransport::rejected(refused)}}}},
         kHeader + QStringList{connected(), kClear, kLogin, sent(a), sent(b, QStringLiteral("fehlgeschlagen.")),
                               QStringLiteral("    Fehlertext: ") + refused, sent(c), kDisconnected},
         QStringList{QStringLiteral("Verbinden..."), QStringLiteral("Verbunden..."), QStringLiteral("Anmelden..."),
                     sending(a), sending(b), sending(c)} +
             kClosing,
         SendResult::SendFailed,
         3},
        {"failed first connection: no disconnect entry, class name appended",
         {.script = {{QStringLiteral("connect"), {FakeTransport::failed(QStringLiteral("Connection refused"))}}}},
         kHeader + QStringList{QStringLiteral("Verbindungsaufbau zum Mailserver \"smtp.example.org\" ... "
                                              "fehlgeschlagen."),
                               QStringLiteral("#215    Fehlertext: Connection refusedESmtpConnectionError")},
         {QStringLiteral("Verbinden..."),
          QStringLiteral("Verbindungsaufbau zum Mailserver \"smtp.example.org\" fehlgeschlagen.")},
         SendResult::NoConnection,
         0},
        {"the first mail fails to build (empty subject): the run still disconnects",
         {.buildFailsAt = 0},
         kHeader + QStringList{connected(), kClear, kLogin, QStringLiteral("Absenderdaten fehlerhaft."),
                               QStringLiteral("    Fehlertext: empty subject and/or empty sender"), kDisconnected},
         QStringList{QStringLiteral("Verbinden..."), QStringLiteral("Verbunden..."), QStringLiteral("Anmelden..."),
                     QStringLiteral("Fehler")} +
             kClosing,
         SendResult::BuildFailed,
         1},
        {"a later mail fails to build: the log names the last mail built",
         {.announcesAuth = false, .buildFailsAt = 1},
         kHeader + QStringList{connected(), kClear, sent(a),
                               QStringLiteral("Erstellen der Nachricht für \"a@example.com\" fehlgeschlagen."),
                               QStringLiteral("    Fehlertext: empty subject and/or empty sender"), kDisconnected},
         QStringList{QStringLiteral("Verbinden..."), QStringLiteral("Verbunden..."), sending(a),
                     QStringLiteral("Fehler")} +
             kClosing,
         SendResult::BuildFailed,
         2},
        {"login refused: nothing is sent",
         {.script = {{QStringLiteral("login"), {FakeTransport::rejected(QStringLiteral("535 5.7.8 bad"))}}}},
         kHeader + QStringList{connected(), kClear,
                               QStringLiteral("Anmelden des Benutzers \"newsuser\" am Mailserver fehlgeschlagen."),
                               kDisconnected},
         QStringList{QStringLiteral("Verbinden..."), QStringLiteral("Verbunden..."), QStringLiteral("Anmelden..."),
                     QStringLiteral("Anmelden des Benutzers \"newsuser\" am Mailserver fehlgeschlagen.")} +
             kClosing,
         SendResult::LoginRefused,
         0},
        {"re-login refused: the built mail is neither sent nor counted",
         {.recipients = {a, b},
          .mailsPerConnection = 1,
          .script = {{QStringLiteral("login"), {{}, FakeTransport::rejected(QStringLiteral("535 5.7.8 bad"))}}}},
         kHeader + QStringList{connected(), kClear, kLogin, sent(a), QStringLiteral("Trennen nach 1 Mail(s)."),
                               kReconnect, kClear,
                               QStringLiteral("Erneutes Anmelden des Benutzers \"newsuser\" am Mailserver "
                                              "fehlgeschlagen."),
                               notSent(b), kDisconnected},
         QStringList{QStringLiteral("Verbinden..."), QStringLiteral("Verbunden..."), QStringLiteral("Anmelden..."),
                     sending(a), QStringLiteral("Trennen nach 1 Mail(s)..."), QStringLiteral("Verbunden..."),
                     QStringLiteral("Anmelden..."),
                     QStringLiteral("Erneutes Anmelden des Benutzers \"newsuser\" am Mailserver fehlgeschlagen.")} +
             kClosing,
         SendResult::LoginRefused,
         1},
        {"reconnect fails",
         {.recipients = {a, b},
          .mailsPerConnection = 1,
          .announcesAuth = false,
          .script = {{QStringLiteral("connect"), {{}, FakeTransport::failed(QStringLiteral("Connect timed out."))}}}},
         kHeader + QStringList{connected(), kClear, sent(a), QStringLiteral("Trennen nach 1 Mail(s)."),
                               QStringLiteral("Erneuter Verbindungsaufbau zum Mailserver \"smtp.example.org\" ... "
                                              "fehlgeschlagen."),
                               QStringLiteral("    Fehlertext: Connect timed out."), notSent(b), kDisconnected},
         oneThenNoReconnect,
         SendResult::NoConnection,
         1},
        {"a failed disconnect after a failed mail hides its 5",
         {.recipients = {a},
          .announcesAuth = false,
          .script = {{QStringLiteral("send a@example.com"),
                      {FakeTransport::failed(QStringLiteral("Connection closed by the server."))}},
                     {QStringLiteral("disconnect"),
                      {FakeTransport::failed(QStringLiteral("Timed out waiting for the server's reply."))}}}},
         kHeader + QStringList{connected(), kClear, sent(a, QStringLiteral("fehlgeschlagen.")),
                               QStringLiteral("    Fehlertext: Connection closed by the server."),
                               QStringLiteral("Trennen vom MailServer ... fehlgeschlagen."),
                               QStringLiteral("#202    Fehlertext: Timed out waiting for the server's reply.")},
         {QStringLiteral("Verbinden..."), QStringLiteral("Verbunden..."), sending(a),
          QStringLiteral("Verbindung trennen"), QStringLiteral("Trennen vom MailServer fehlgeschlagen."),
          QStringLiteral("Verbindung getrennt")},
         SendResult::DisconnectFailed,
         1},
        {"a picture that cannot be read ends the run after an orderly disconnect",
         {.announcesAuth = false, .prepareError = QStringLiteral("Cannot read picture logo.png")},
         kHeader + QStringList{connected(), kClear, kDisconnected, QStringLiteral("fehlgeschlagen."),
                               QStringLiteral("#215    Fehlertext: Cannot read picture logo.pngEMessageBuildError")},
         QStringList{QStringLiteral("Verbinden..."), QStringLiteral("Verbunden...")} + kClosing +
             QStringList{QStringLiteral("Verbindungsaufbau zum Mailserver \"smtp.example.org\" fehlgeschlagen.")},
         SendResult::NoConnection,
         0},
        {"cancel before the start: no connection at all",
         {.cancelAtCheck = 1},
         kHeader + QStringList{{}, {}, QStringLiteral("Abbruch durch Benutzer.")},
         {QStringLiteral("Verbinden..."), QString()},
         SendResult::UserCancelled,
         0},
        {"cancel seen after the last mail hides the success",
         {.recipients = {a, b}, .announcesAuth = false, .cancelAtCheck = 3},
         kHeader + QStringList{connected(),
                               kClear,
                               sent(a),
                               sent(b),
                               kDisconnected,
                               {},
                               {},
                               QStringLiteral("Abbruch durch Benutzer.")},
         QStringList{QStringLiteral("Verbinden..."), QStringLiteral("Verbunden..."), sending(a), sending(b),
                     QStringLiteral("Abbruch")} +
             kClosing + QStringList{QString()},
         SendResult::UserCancelled,
         2},
        {"cancel in the middle: later recipients are not attempted",
         {.announcesAuth = false, .cancelAtCheck = 2},
         kHeader +
             QStringList{
                 connected(), kClear, sent(a), kDisconnected, {}, {}, QStringLiteral("Abbruch durch Benutzer.")},
         QStringList{QStringLiteral("Verbinden..."), QStringLiteral("Verbunden..."), sending(a),
                     QStringLiteral("Abbruch")} +
             kClosing + QStringList{QString()},
         SendResult::UserCancelled,
         1},
        {"a 421 ends the connection: the mail goes once more over a new connection that logs in again",
         {.script = {{QStringLiteral("send b@example.com"), {FakeTransport::closing(kClosing421)}}}},
         kHeader + QStringList{connected(), kClear, kLogin, sent(a), sent(b, kRetried),
                               QStringLiteral("    Fehlertext: ") + kClosing421, kServerClosed + u'.', kReconnect,
                               kClear, kRelogin, sent(b), sent(c), kDisconnected},
         QStringList{QStringLiteral("Verbinden..."), QStringLiteral("Verbunden..."), QStringLiteral("Anmelden..."),
                     sending(a), sending(b), kServerClosed + QStringLiteral("..."), QStringLiteral("Verbunden..."),
                     QStringLiteral("Anmelden..."), sending(b), sending(c)} +
             kClosing,
         SendResult::Done,
         3},
        {"a 421, then no new connection: the log names that mail and every one not attempted",
         {.announcesAuth = false,
          .script = {{QStringLiteral("send a@example.com"), {FakeTransport::closing(kClosing421)}},
                     {QStringLiteral("connect"), {{}, FakeTransport::failed(QStringLiteral("Connection refused"))}}}},
         kHeader + QStringList{connected(), kClear, sent(a, kRetried), QStringLiteral("    Fehlertext: ") + kClosing421,
                               kServerClosed + u'.',
                               QStringLiteral("Erneuter Verbindungsaufbau zum Mailserver \"smtp.example.org\" ... "
                                              "fehlgeschlagen."),
                               QStringLiteral("    Fehlertext: Connection refused"), notSent(a), notSent(b), notSent(c),
                               kDisconnected},
         QStringList{QStringLiteral("Verbinden..."), QStringLiteral("Verbunden..."), sending(a),
                     kServerClosed + QStringLiteral("..."),
                     QStringLiteral("Erneuter Verbindungsaufbau zum Mailserver \"smtp.example.org\" fehlgeschlagen.")} +
             kClosing,
         SendResult::NoConnection,
         0},
        {"the last mail meets a 421 twice: it is tried once more only and gives 5, not 6",
         {.recipients = {a},
          .announcesAuth = false,
          .script = {{QStringLiteral("send a@example.com"),
                      {FakeTransport::closing(kClosing421), FakeTransport::closing(kClosing421)}}}},
         kHeader + QStringList{connected(), kClear, sent(a, kRetried), QStringLiteral("    Fehlertext: ") + kClosing421,
                               kServerClosed + u'.', kReconnect, kClear, sent(a, QStringLiteral("fehlgeschlagen.")),
                               QStringLiteral("    Fehlertext: ") + kClosing421, kDisconnected},
         QStringList{QStringLiteral("Verbinden..."), QStringLiteral("Verbunden..."), sending(a),
                     kServerClosed + QStringLiteral("..."), QStringLiteral("Verbunden..."), sending(a)} +
             kClosing,
         SendResult::SendFailed,
         1},
        {"a broken connection: the next mail connects again, and the log says why",
         {.announcesAuth = false,
          .script = {{QStringLiteral("send a@example.com"),
                      {FakeTransport::failed(QStringLiteral("Connection closed by the server."))}}}},
         kHeader + QStringList{connected(), kClear, sent(a, QStringLiteral("fehlgeschlagen.")),
                               QStringLiteral("    Fehlertext: Connection closed by the server."),
                               QStringLiteral("Verbindung zum Mailserver abgebrochen."), kReconnect, kClear, sent(b),
                               sent(c), kDisconnected},
         QStringList{QStringLiteral("Verbinden..."), QStringLiteral("Verbunden..."), sending(a),
                     QStringLiteral("Verbindung zum Mailserver abgebrochen..."), QStringLiteral("Verbunden..."),
                     sending(b), sending(c)} +
             kClosing,
         SendResult::SendFailed,
         3},
        {"an encrypted connection, and a QUIT answered otherwise than with 221",
         {.recipients = {a},
          .announcesAuth = false,
          .encryption = QStringLiteral("TLS 1.3"),
          .script = {{QStringLiteral("disconnect"), {{SmtpStatus::Ok, kQuitNote, {}, SmtpFault::QuitNot221}}}}},
         kHeader + QStringList{connected(), QStringLiteral("    Verbindung verschlüsselt (TLS 1.3)."), sent(a),
                               kDisconnected, QStringLiteral("    Hinweis: ") + kQuitNote},
         QStringList{QStringLiteral("Verbinden..."), QStringLiteral("Verbunden..."), sending(a)} + kClosing,
         SendResult::Done,
         1},
        {"a first connection that failed for a reason told in German: no class name appended",
         {.script = {{QStringLiteral("connect"),
                      {{SmtpStatus::Failed, kUntrusted, {}, SmtpFault::CertificateUntrusted}}}}},
         kHeader + QStringList{QStringLiteral("Verbindungsaufbau zum Mailserver \"smtp.example.org\" ... "
                                              "fehlgeschlagen."),
                               QStringLiteral("#215    Fehlertext: ") + kUntrusted},
         {QStringLiteral("Verbinden..."),
          QStringLiteral("Verbindungsaufbau zum Mailserver \"smtp.example.org\" fehlgeschlagen.")},
         SendResult::NoConnection,
         0},
        {"cancel while waiting for the server: the wait ends, the run closes and ends with 7",
         {.announcesAuth = false, .script = {{QStringLiteral("send b@example.com"), {FakeTransport::cancelled()}}}},
         kHeader + QStringList{connected(),
                               kClear,
                               sent(a),
                               sent(b, QStringLiteral("abgebrochen.")),
                               kDisconnected,
                               {},
                               {},
                               QStringLiteral("Abbruch durch Benutzer.")},
         QStringList{QStringLiteral("Verbinden..."), QStringLiteral("Verbunden..."), sending(a), sending(b),
                     QStringLiteral("Abbruch")} +
             kClosing + QStringList{QString()},
         SendResult::UserCancelled,
         1},
        {"control characters in a server's reply are written as blanks",
         {.recipients = {a},
          .announcesAuth = false,
          .script = {{QStringLiteral("send a@example.com"),
                      {FakeTransport::rejected(QStringLiteral("550 bad") + QChar(u'\r') + QChar(0x1b) +
                                               QStringLiteral("[2J") + QChar(0) + QStringLiteral("user"))}}}},
         kHeader + QStringList{connected(), kClear, sent(a, QStringLiteral("fehlgeschlagen.")),
                               QStringLiteral("    Fehlertext: 550 bad  [2J user"), kDisconnected},
         QStringList{QStringLiteral("Verbinden..."), QStringLiteral("Verbunden..."), sending(a)} + kClosing,
         SendResult::SendFailed,
         1},
    };
    for (const Scenario& scenario : scenarios) {
        SCOPED_TRACE(scenario.name);
        const Outcome outcome = runWith(scenario.setup);
        EXPECT_EQ(outcome.logLines, scenario.log);
        EXPECT_EQ(outcome.reporter.statuses, scenario.statuses);
        EXPECT_EQ(outcome.result, scenario.result);
        EXPECT_EQ(outcome.reporter.results, QList<SendResult>{scenario.result});
        EXPECT_EQ(outcome.reporter.steps, scenario.steps);
        EXPECT_EQ(outcome.reporter.progressMax, scenario.setup.recipients.size());
    }
}

TEST(SendRun, ReconnectsEveryNMails)
{
    const QStringList four{QStringLiteral("a@x.de"), QStringLiteral("b@x.de"), QStringLiteral("c@x.de"),
                           QStringLiteral("d@x.de")};
    // n, connections, the mail counts of the "Trennen nach" lines
    const QList<std::tuple<int, int, QStringList>> cases{
        {0, 1, {}},
        {-1, 1, {}},
        {4, 1, {}},
        {3, 2, {QStringLiteral("3")}},
        {1, 4, {QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("1")}},
    };
    for (const auto& [n, connections, separations] : cases) {
        SCOPED_TRACE(n);
        RunSetup setup;
        setup.recipients = four;
        setup.mailsPerConnection = n;
        const Outcome outcome = runWith(setup);
        EXPECT_EQ(outcome.result, SendResult::Done);
        EXPECT_EQ(outcome.calls.count(QStringLiteral("connect")), connections);
        EXPECT_EQ(outcome.calls.count(QStringLiteral("login")), connections);
        EXPECT_EQ(outcome.calls.count(QStringLiteral("disconnect")), connections);
        QStringList counted;
        for (const QString& line : outcome.logLines) {
            if (line.startsWith(QStringLiteral("Trennen nach ")))
                counted.append(line.section(u' ', 2, 2));
        }
        EXPECT_EQ(counted, separations);
        EXPECT_EQ(outcome.calls.filter(QStringLiteral("send ")).size(), 4);
    }
}

namespace {

SendRunSettings settingsLoggingTo(const QString& logPath, const QString& fallbackPath = {})
{
    SendRunSettings settings;
    settings.Host = kHost;
    settings.ProgressMax = 3;
    settings.LogFileName = logPath;
    settings.FallbackLogFileName = fallbackPath;
    return settings;
}

} // namespace

TEST(SendRun, LogThatCannotBeOpenedSendsNothing)
{
    QTemporaryDir dir;
    for (const SendRunSettings& settings :
         {settingsLoggingTo(dir.filePath(QStringLiteral("gone/News_08122026_1.log"))),
          settingsLoggingTo(QString(), dir.filePath(QStringLiteral("gone/newsletter.log")))}) {
        FakeTransport transport;
        FakeSource source(kThree);
        RecordingReporter reporter;
        EXPECT_EQ(SendRun(settings, transport, source, reporter, fixedClock).execute(), SendResult::LogNotCreated);
        EXPECT_TRUE(transport.calls.isEmpty());
        EXPECT_EQ(reporter.results, QList<SendResult>{SendResult::LogNotCreated});
    }
}

TEST(SendRun, FallbackLogIsEmptiedFirst)
{
    QTemporaryDir dir;
    const QString fallback = dir.filePath(QStringLiteral("newsletter.log"));
    QFile old(fallback);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("an earlier run\r\n");
    old.close();
    FakeTransport transport;
    transport.announcesAuth = false;
    FakeSource source({QStringLiteral("a@example.com")});
    RecordingReporter reporter;
    EXPECT_EQ(SendRun(settingsLoggingTo(QString(), fallback), transport, source, reporter, fixedClock).execute(),
              SendResult::Done);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    const QByteArray text = old.readAll();
    EXPECT_TRUE(text.startsWith("Sendeprotokoll vom 08.12.2026 10:11:12\r\n\r\n\r\n")) << text.constData();
    EXPECT_TRUE(text.endsWith("Trennen vom MailServer ... erfolgreich.\r\n"));
}

TEST(SendRun, LogWriteFailureEndsTheRunInOrder)
{
    QTemporaryDir dir;
    const QString logPath = dir.filePath(QStringLiteral("News_08122026_1.log"));
    QFile(logPath).open(QIODevice::WriteOnly);
    FakeTransport transport;
    transport.announcesAuth = false;
    FakeSource source(kThree);
    RecordingReporter reporter;
    SendResult result = SendResult::CancelSeen; // never reported
    {
        // Room for the header, the connect line and a part of the first mail's entry.
        const FileSizeLimit limit(150);
        result = SendRun(settingsLoggingTo(logPath), transport, source, reporter, fixedClock).execute();
    }
    EXPECT_EQ(result, SendResult::LogIncomplete);
    EXPECT_EQ(reporter.results, QList<SendResult>{SendResult::LogIncomplete});
    // The system's reason reaches the window (here the file size limit: EFBIG).
    EXPECT_EQ(reporter.details, QStringList{QString::fromLocal8Bit(strerror(EFBIG))});
    // The first mail's entry did not fit, so no mail went out, and the run ends in order.
    EXPECT_EQ(transport.calls, (QStringList{QStringLiteral("connect"), QStringLiteral("disconnect")}));
    EXPECT_EQ(reporter.outcome.mailsSent, 0);
    EXPECT_TRUE(reporter.outcome.unloggedRecipients.isEmpty());
    // No half line: the log ends after the connect line, the last line that fitted whole.
    QFile log(logPath);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(log.readAll(), QByteArray("Sendeprotokoll vom 08.12.2026 10:11:12\r\n\r\n\r\n"
                                        "Verbindungsaufbau zum Mailserver \"smtp.example.org\" ... erfolgreich.\r\n"));
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Where the server pipelines, the next mail is asked for only when it goes over the same
// connection; a mail that met a 421 goes again as it was, although the next one is built.
TEST(SendRun, PipelinedRunsAskForTheNextMailOnlyWhereItGoesOnThisConnection)
{
    const QString connect = QStringLiteral("connect");
    const QString login = QStringLiteral("login");
    const QString disconnect = QStringLiteral("disconnect");
    const QString sendA = QStringLiteral("send a@example.com");
    const QString sendB = QStringLiteral("send b@example.com");
    const QString sendC = QStringLiteral("send c@example.com");
    const QString nextB = QStringLiteral("next b@example.com");
    const QString nextC = QStringLiteral("next c@example.com");
    struct Row {
        const char* name;
        RunSetup setup;
        QStringList calls;
        SendResult result;
        int sent;
    };
    const QList<Row> rows{
        {"one connection",
         {.pipelines = true},
         {connect, login, sendA, nextB, sendB, nextC, sendC, disconnect},
         SendResult::Done,
         3},
        {"two mails per connection",
         {.mailsPerConnection = 2, .pipelines = true},
         {connect, login, sendA, nextB, sendB, disconnect, connect, login, sendC, disconnect},
         SendResult::Done,
         3},
        {"the next mail cannot be built",
         {.buildFailsAt = 1, .pipelines = true},
         {connect, login, sendA, disconnect},
         SendResult::BuildFailed,
         1},
        {"a 421 to the first mail's end",
         {.script = {{sendA, {FakeTransport::closing(QStringLiteral("421 4.3.2 closing"))}}}, .pipelines = true},
         {connect, login, sendA, nextB, disconnect, connect, login, sendA, nextB, sendB, nextC, sendC, disconnect},
         SendResult::Done,
         3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Outcome outcome = runWith(row.setup);
        EXPECT_EQ(outcome.calls, row.calls);
        EXPECT_EQ(outcome.result, row.result);
        EXPECT_EQ(outcome.logLines.filter(QStringLiteral("... fertig.")).size(), row.sent)
            << outcome.logLines.join(u'\n').toStdString();
    }
}

// A log that cannot take the next mail's entry stops the run although that mail's envelope went
// out with the last mail's end: the mail itself never does.
TEST(SendRun, PipelinedMailWhoseEntryTheLogCannotTakeIsNotSent)
{
    QTemporaryDir dir;
    const QString logPath = dir.filePath(QStringLiteral("News_08122026_1.log"));
    QFile(logPath).open(QIODevice::WriteOnly);
    FakeTransport transport;
    transport.announcesAuth = false;
    transport.pipelines = true;
    FakeSource source(kThree);
    RecordingReporter reporter;
    const QByteArray written = "Sendeprotokoll vom 08.12.2026 10:11:12\r\n\r\n\r\n"
                               "Verbindungsaufbau zum Mailserver \"smtp.example.org\" ... erfolgreich.\r\n"
                               "    Verbindung nicht verschl\xfcsselt.\r\n"
                               "  Versenden der Nachricht an \"a@example.com\" ... fertig.\r\n";
    {
        const FileSizeLimit limit(rlim_t(written.size() + 10));
        SendRun(settingsLoggingTo(logPath), transport, source, reporter, fixedClock).execute();
    }
    EXPECT_EQ(transport.calls, (QStringList{QStringLiteral("connect"), QStringLiteral("send a@example.com"),
                                            QStringLiteral("next b@example.com"), QStringLiteral("disconnect")}));
    EXPECT_EQ(reporter.outcome.result, SendResult::LogIncomplete);
    EXPECT_EQ(reporter.outcome.mailsSent, 1);
    EXPECT_TRUE(reporter.outcome.unloggedRecipients.isEmpty());
    EXPECT_EQ(fileBytes(logPath), written);
}

namespace {

// Notes every mail that goes out while the log file does not end with that mail's own entry.
class LogWatchingTransport : public FakeTransport {
public:
    QString logPath;
    QStringList sentUnannounced;

protected:
    SmtpResult answer(const QString& call) override
    {
        if (call.startsWith(QStringLiteral("send "))) {
            const QString address = call.mid(5);
            if (!fileBytes(logPath).endsWith(
                    QByteArray("  Versenden der Nachricht an \"" + address.toLatin1() + "\" ... ")))
                sentUnannounced.append(address);
        }
        return FakeTransport::answer(call);
    }
};

struct FilledUpRun {
    SendResult result = SendResult::CancelSeen; // never reported
    QByteArray log;
    QStringList sent; // the mails the server accepted, in order
    QStringList sentUnannounced;
    SendRunOutcome outcome;
};

const QString kRefused = QStringLiteral("b@example.com");

// Four mails, the second refused, a reconnect after two, with room bytes for the log.
FilledUpRun runWithLogRoom(rlim_t room)
{
    QTemporaryDir dir;
    LogWatchingTransport transport;
    transport.announcesAuth = false;
    transport.logPath = dir.filePath(QStringLiteral("News_08122026_1.log"));
    transport.script[QStringLiteral("send ") + kRefused] = {FakeTransport::rejected(QStringLiteral("550 no"))};
    QFile(transport.logPath).open(QIODevice::WriteOnly);
    SendRunSettings settings = settingsLoggingTo(transport.logPath);
    settings.MailsPerConnection = 2;
    FakeSource source(kThree + QStringList{QStringLiteral("d@example.com")});
    RecordingReporter reporter;
    FilledUpRun run;
    {
        const FileSizeLimit limit(room);
        run.result = SendRun(settings, transport, source, reporter, fixedClock).execute();
    }
    run.log = fileBytes(transport.logPath);
    for (const QString& call : transport.calls) {
        if (call.startsWith(QStringLiteral("send ")) && call.mid(5) != kRefused)
            run.sent.append(call.mid(5));
    }
    run.sentUnannounced = transport.sentUnannounced;
    run.outcome = reporter.outcome;
    return run;
}

} // namespace

// Whatever byte of the run the file system fills up at: every mail the server accepted is in
// the log with its whole line or named to the window, the window learns how many went out, no
// mail goes out before its entry is in the file, and the log keeps only whole lines.
TEST(SendRun, LogThatFillsUpAnywhereLosesNoMail)
{
    const FilledUpRun whole = runWithLogRoom(RLIM_INFINITY);
    ASSERT_EQ(whole.result, SendResult::SendFailed);
    ASSERT_EQ(LoggedAsSent(whole.log), (QStringList{QStringLiteral("a@example.com"), QStringLiteral("c@example.com"),
                                                    QStringLiteral("d@example.com")}));
    for (rlim_t room = 0; room <= rlim_t(whole.log.size()); ++room) {
        SCOPED_TRACE(room);
        const FilledUpRun run = runWithLogRoom(room);
        const bool fits = room == rlim_t(whole.log.size());
        EXPECT_EQ(run.result, fits ? SendResult::SendFailed : SendResult::LogIncomplete);
        EXPECT_TRUE(whole.log.startsWith(run.log));
        EXPECT_TRUE(run.log.isEmpty() || run.log.endsWith("\r\n"));
        EXPECT_EQ(run.sentUnannounced, QStringList());
        EXPECT_EQ(LoggedAsSent(run.log) + run.outcome.unloggedRecipients, run.sent);
        // Only the mail under way when the log failed can miss its line.
        EXPECT_LE(run.outcome.unloggedRecipients.size(), 1);
        if (!fits) {
            EXPECT_EQ(run.outcome.mailsSent, run.sent.size());
            // The refused mail and those never tried count as without a mail.
            EXPECT_EQ(run.outcome.recipientsWithoutMail, 4 - run.sent.size());
        }
    }
}

// An open entry that a timed flush wrote out is cut off again when the rest of its line does
// not fit, so the log never ends inside a line.
TEST(SendLogWriter, FailedWriteLeavesNoHalfLine)
{
    const QByteArray connected = "Verbindungsaufbau zum Mailserver \"smtp.example.org\" ... erfolgreich.\r\n";
    const QByteArray entry = "  Versenden der Nachricht an \"a@example.com\" ... ";
    struct Case {
        const char* name;
        rlim_t roomAfterEntry;
        QByteArray kept;
    };
    const QList<Case> cases{
        {"no room for the rest of the entry", 0, connected},
        {"room for the entry's line end only", 9, connected + entry + "fertig.\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("News_08122026_1.log"));
        SendLogWriter log;
        ASSERT_TRUE(log.open(path, false));
        log.line(QString::fromLatin1(connected.chopped(2)));
        log.openEntry(QString::fromLatin1(entry));
        // The wait hook of a run flushes like this while the server takes its time.
        const QDeadlineTimer deadline(30'000);
        while (fileBytes(path) != connected + entry && !deadline.hasExpired()) {
            log.flushIfDue();
            QThread::msleep(10);
        }
        ASSERT_EQ(fileBytes(path), connected + entry);
        {
            const FileSizeLimit limit(rlim_t(connected.size() + entry.size()) + c.roomAfterEntry);
            log.line(QStringLiteral("fertig."));
            log.line(QStringLiteral("  Versenden der Nachricht an \"b@example.com\" ... fertig."));
            log.close();
        }
        EXPECT_TRUE(log.failed());
        EXPECT_EQ(log.errorString(), QString::fromLocal8Bit(strerror(EFBIG)));
        EXPECT_EQ(fileBytes(path), c.kept);
    }
}

namespace {

// Waits in send() as a session waits for a server, asking the wait hook as it goes, until the
// log file holds the expected text.
class WaitingTransport : public FakeTransport {
public:
    QString logPath;
    QByteArray awaited;
    bool seen = false;

    void setWaitHook(std::function<bool()> stopWaiting) override { m_hook = std::move(stopWaiting); }
    SmtpResult send(const TMailMessage& mail, const NextMail& next) override
    {
        const QDeadlineTimer deadline(30'000);
        while (!seen && !deadline.hasExpired()) {
            m_hook();
            QFile file(logPath);
            seen = file.open(QIODevice::ReadOnly) && file.readAll().contains(awaited);
            QThread::msleep(10);
        }
        return FakeTransport::send(mail, next);
    }

private:
    std::function<bool()> m_hook;
};

} // namespace

// The log is buffered, but a run that waits for its server still gets its log written.
TEST(SendRun, LogReachesTheFileWhileTheRunWaits)
{
    QTemporaryDir dir;
    WaitingTransport transport;
    transport.announcesAuth = false;
    transport.logPath = dir.filePath(QStringLiteral("News_08122026_1.log"));
    transport.awaited = "Verbindungsaufbau zum Mailserver \"smtp.example.org\" ... erfolgreich.\r\n";
    QFile(transport.logPath).open(QIODevice::WriteOnly);
    FakeSource source({QStringLiteral("a@example.com")});
    RecordingReporter reporter;
    EXPECT_EQ(SendRun(settingsLoggingTo(transport.logPath), transport, source, reporter, fixedClock).execute(),
              SendResult::Done);
    EXPECT_TRUE(transport.seen);
}
