#include "mail/SmtpSession.h"

#include "ScriptedSmtpServer.h"
#include "mail/TcpConnect.h"

#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>

#include <future>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <optional>
#include <sys/socket.h>
#include <unistd.h>

using Server = ScriptedSmtpServer;

namespace {

SmtpSessionOptions quickOptions(const QString& hostName = QStringLiteral("client.example.org"))
{
    SmtpSessionOptions options;
    options.timeouts = {2000, 2000, 2000, 2000, 2000, 2000, 2000};
    options.localHostName = hostName;
    options.transcriptPath.clear();
    return options;
}

// The server's side of a connection up to the accepted EHLO, announcing the given extensions.
QList<Server::Step> greeted(const QByteArray& extensions = "250 SIZE 1000000\r\n")
{
    return {Server::send("220-mail.example.org ESMTP\r\n220 ready\r\n"), Server::receiveLine(),
            Server::send("250-mail.example.org hello\r\n" + extensions)};
}

const QList<Server::Step> kQuit{Server::receiveLine(), Server::send("221 bye\r\n")};

} // namespace

TEST(SmtpSession, ReferenceDialogueHasExactCommandBytes)
{
    Server server(
        greeted("250-AUTH LOGIN PLAIN\r\n250-AUTH=LOGIN CRAM-MD5\r\n250 8BITMIME\r\n") +
        QList<Server::Step>{Server::receiveLine(), Server::send("334 VXNlcm5hbWU6\r\n"), Server::receiveLine(),
                            Server::send("334 UGFzc3dvcmQ6\r\n"), Server::receiveLine(), Server::send("235 ok\r\n"),
                            Server::receiveLine(), Server::send("250 reset\r\n"), Server::receiveLine(),
                            Server::send("250 sender ok\r\n"), Server::receiveLine(),
                            Server::send("251 will forward\r\n"), Server::receiveLine(),
                            Server::send("354 go ahead\r\n"), Server::receiveData(), Server::send("250 queued\r\n")} +
        kQuit);
    SmtpSession session(quickOptions());
    ASSERT_TRUE(session.connectToHost(QStringLiteral("127.0.0.1"), server.port()).ok());
    EXPECT_EQ(session.authMechanisms(), (QStringList{"LOGIN", "PLAIN", "CRAM-MD5"}));
    ASSERT_TRUE(session.login(QStringLiteral("user"), QStringLiteral("päss")).ok());
    const QList<QByteArray> mail{"Subject: Test\r\n\r\n", ".\r\n..x\r\n", "last line\r\n"};
    const SmtpResult sent =
        session.sendMail(QStringLiteral("  news@example.org "), QStringLiteral("anna@example.com"), mail);
    ASSERT_TRUE(sent.ok()) << sent.message.toStdString();
    EXPECT_EQ(sent.reply.code, 250);
    EXPECT_TRUE(session.disconnect().ok());
    EXPECT_FALSE(session.isConnected());

    EXPECT_EQ(server.received(), QByteArray("EHLO client.example.org\r\n"
                                            "AUTH LOGIN\r\n"
                                            "dXNlcg==\r\n" +
                                            QByteArray("päss").toBase64() +
                                            "\r\n"
                                            "RSET\r\n"
                                            "MAIL FROM:<news@example.org>\r\n"
                                            "RCPT TO:<anna@example.com>\r\n"
                                            "DATA\r\n"
                                            "Subject: Test\r\n\r\n"
                                            "..\r\n...x\r\n"
                                            "last line\r\n"
                                            ".\r\n"
                                            "QUIT\r\n"));
}

TEST(SmtpSession, HeloFollowsRefusedEhloAndAnnouncesNoAuthentication)
{
    Server server(QList<Server::Step>{Server::send("220 old server\r\n"), Server::receiveLine(),
                                      Server::send("500 command unrecognized\r\n"), Server::receiveLine(),
                                      Server::send("250 hello\r\n")} +
                  kQuit);
    SmtpSession session(quickOptions());
    ASSERT_TRUE(session.connectToHost(QStringLiteral("127.0.0.1"), server.port()).ok());
    EXPECT_FALSE(session.offersAuthentication());
    EXPECT_TRUE(session.disconnect().ok());
    EXPECT_EQ(server.received(), QByteArray("EHLO client.example.org\r\nHELO client.example.org\r\nQUIT\r\n"));
}

TEST(SmtpSession, GreetsWithAddressLiteralWhenHostNameIsNoDomain)
{
    for (const QString& name :
         {QString(), QStringLiteral("debian"), QStringLiteral("bad_name.local"), QStringLiteral("-x.example.org")}) {
        Server server(greeted() + kQuit);
        SmtpSession session(quickOptions(name));
        ASSERT_TRUE(session.connectToHost(QStringLiteral("127.0.0.1"), server.port()).ok());
        session.disconnect();
        EXPECT_TRUE(server.received().startsWith("EHLO [127.0.0.1]\r\n")) << name.toStdString();
    }
}

TEST(SmtpSession, ConnectFailuresEndDisconnected)
{
    struct Case {
        const char* name;
        QList<Server::Step> script;
        SmtpStatus status;
        const char* message;
        QByteArray clientSent;
    };
    const QList<Case> cases{
        {"greeting refused",
         {Server::send("554 no service here\r\n"), Server::receiveLine(), Server::send("221 bye\r\n")},
         SmtpStatus::Rejected,
         "554 no service here",
         "QUIT\r\n"},
        {"closed inside multi-line greeting",
         {Server::send("220-first line\r\n"), Server::closeConnection()},
         SmtpStatus::Failed,
         "Connection closed inside a reply.",
         ""},
        {"closed before greeting",
         {Server::closeConnection()},
         SmtpStatus::Failed,
         "Connection closed by the server.",
         ""},
        {"closed inside multi-line EHLO reply",
         {Server::send("220 hi\r\n"), Server::receiveLine(), Server::send("250-hello\r\n250-SIZE\r\n"),
          Server::closeConnection()},
         SmtpStatus::Failed,
         "Connection closed inside a reply.",
         "EHLO client.example.org\r\n"},
        {"silent server", {Server::hold()}, SmtpStatus::Failed, "Timed out waiting for the server's reply.", ""},
        {"garbled greeting", {Server::send("hello there\r\n")}, SmtpStatus::Failed, "Malformed reply: hello there", ""},
        {"code changes inside reply",
         {Server::send("220-a\r\n250 b\r\n")},
         SmtpStatus::Failed,
         "Reply code changed inside a multi-line reply: 250 b",
         ""},
        {"endless line", {Server::send(QByteArray(20000, 'x'))}, SmtpStatus::Failed, "Reply line too long.", ""},
        {"EHLO and HELO refused",
         {Server::send("220 hi\r\n"), Server::receiveLine(), Server::send("502 no\r\n"), Server::receiveLine(),
          Server::send("504 no either\r\n"), Server::receiveLine(), Server::send("221 bye\r\n")},
         SmtpStatus::Rejected,
         "504 no either",
         "EHLO client.example.org\r\nHELO client.example.org\r\nQUIT\r\n"},
    };
    for (const Case& c : cases) {
        Server server(c.script);
        SmtpSessionOptions options = quickOptions();
        options.timeouts.greeting = 300;
        SmtpSession session(options);
        const SmtpResult result = session.connectToHost(QStringLiteral("127.0.0.1"), server.port());
        EXPECT_EQ(result.status, c.status) << c.name;
        EXPECT_EQ(result.message, QString::fromLatin1(c.message)) << c.name;
        EXPECT_FALSE(session.isConnected()) << c.name;
        EXPECT_EQ(server.received(), c.clientSent) << c.name;
    }
}

TEST(SmtpSession, TooManyReplyLinesIsAnError)
{
    QByteArray flood;
    for (int i = 0; i < SmtpReplyParser::kMaxLines + 5; ++i)
        flood += "220-again\r\n";
    Server server({Server::send(flood + "220 done\r\n")});
    SmtpSession session(quickOptions());
    const SmtpResult result = session.connectToHost(QStringLiteral("127.0.0.1"), server.port());
    EXPECT_EQ(result.status, SmtpStatus::Failed);
    EXPECT_EQ(result.message, QStringLiteral("Reply has too many lines."));
}

TEST(SmtpSession, RefusedServerGivesFailure)
{
    quint16 port = 0;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        port = probe.serverPort();
    }
    SmtpSession session(quickOptions());
    const SmtpResult result = session.connectToHost(QStringLiteral("127.0.0.1"), port);
    EXPECT_EQ(result.status, SmtpStatus::Failed);
    EXPECT_FALSE(result.message.isEmpty());
    EXPECT_EQ(session.sendMail(QStringLiteral("a@b.de"), QStringLiteral("c@d.de"), {}).status, SmtpStatus::Failed);
    EXPECT_TRUE(session.disconnect().ok());
}

// Each refusal leaves the connection usable, so the next mail starts again with RSET.
TEST(SmtpSession, RefusedMailStepsKeepTheConnection)
{
    struct Case {
        const char* name;
        QList<Server::Step> answers; // after RSET was answered
        const char* message;
        QByteArray commands;
    };
    const QList<Case> cases{
        {"sender refused",
         {Server::receiveLine(), Server::send("553 not yours\r\n")},
         "553 not yours",
         "MAIL FROM:<a@b.de>\r\n"},
        {"recipient refused",
         {Server::receiveLine(), Server::send("250 ok\r\n"), Server::receiveLine(),
          Server::send("550-5.1.1 no such user\r\n550 5.1.1 really\r\n")},
         "550 5.1.1 really",
         "MAIL FROM:<a@b.de>\r\nRCPT TO:<c@d.de>\r\n"},
        {"DATA refused",
         {Server::receiveLine(), Server::send("250 ok\r\n"), Server::receiveLine(), Server::send("250 ok\r\n"),
          Server::receiveLine(), Server::send("554 no data\r\n")},
         "554 no data",
         "MAIL FROM:<a@b.de>\r\nRCPT TO:<c@d.de>\r\nDATA\r\n"},
        {"message refused after data",
         {Server::receiveLine(), Server::send("250 ok\r\n"), Server::receiveLine(), Server::send("250 ok\r\n"),
          Server::receiveLine(), Server::send("354 go\r\n"), Server::receiveData(), Server::send("452 4.3.1 full\r\n")},
         "452 4.3.1 full",
         "MAIL FROM:<a@b.de>\r\nRCPT TO:<c@d.de>\r\nDATA\r\nline\r\n.\r\n"},
    };
    for (const Case& c : cases) {
        Server server(greeted() + QList<Server::Step>{Server::receiveLine(), Server::send("250 ok\r\n")} + c.answers +
                      QList<Server::Step>{Server::receiveLine(), Server::send("250 reset\r\n"), Server::receiveLine(),
                                          Server::send("550 stop\r\n")} +
                      kQuit);
        SmtpSession session(quickOptions());
        ASSERT_TRUE(session.connectToHost(QStringLiteral("127.0.0.1"), server.port()).ok());
        const SmtpResult result = session.sendMail(QStringLiteral("a@b.de"), QStringLiteral("c@d.de"), {"line\r\n"});
        EXPECT_EQ(result.status, SmtpStatus::Rejected) << c.name;
        EXPECT_EQ(result.message, QString::fromLatin1(c.message)) << c.name;
        EXPECT_EQ(result.errorClassName(), QStringLiteral("ESmtpReplyError"));
        EXPECT_TRUE(session.isConnected()) << c.name;
        // The next mail's RSET is answered, then a refused MAIL ends the case quickly.
        session.sendMail(QStringLiteral("a@b.de"), QStringLiteral("c@d.de"), {});
        session.disconnect();
        EXPECT_EQ(server.received(), "EHLO client.example.org\r\nRSET\r\n" + c.commands + "RSET\r\n" +
                                         QByteArray("MAIL FROM:<a@b.de>\r\nQUIT\r\n"))
            << c.name;
    }
}

TEST(SmtpSession, RefusedLoginAtEachStep)
{
    const QList<QList<Server::Step>> answers{
        {Server::receiveLine(), Server::send("504 mechanism unknown\r\n")},
        {Server::receiveLine(), Server::send("334 x\r\n"), Server::receiveLine(), Server::send("535 no\r\n")},
        {Server::receiveLine(), Server::send("334 x\r\n"), Server::receiveLine(), Server::send("334 y\r\n"),
         Server::receiveLine(), Server::send("535 5.7.8 bad credentials\r\n")},
    };
    for (const auto& steps : answers) {
        Server server(greeted("250 AUTH LOGIN\r\n") + steps + kQuit);
        SmtpSession session(quickOptions());
        ASSERT_TRUE(session.connectToHost(QStringLiteral("127.0.0.1"), server.port()).ok());
        EXPECT_EQ(session.login(QStringLiteral("u"), QStringLiteral("p")).status, SmtpStatus::Rejected);
        EXPECT_TRUE(session.isConnected());
        EXPECT_TRUE(session.disconnect().ok());
    }
}

// A reply that its command can never get (RFC 5321 4.3.2) shows the replies shifted: the
// connection ends, naming the line, and nothing more is written.
TEST(SmtpSession, AReplyThatItsCommandCannotGetEndsTheConnection)
{
    struct Case {
        const char* name;
        QList<Server::Step> answers;
        const char* line;
        bool login;
    };
    const QList<Case> cases{
        {"250 to DATA",
         {Server::receiveLine(), Server::send("250 ok\r\n"), Server::receiveLine(), Server::send("250 ok\r\n"),
          Server::receiveLine(), Server::send("250 ok\r\n"), Server::receiveLine(), Server::send("250 what\r\n")},
         "250 what",
         false},
        {"354 to MAIL",
         {Server::receiveLine(), Server::send("250 ok\r\n"), Server::receiveLine(), Server::send("354 go\r\n")},
         "354 go",
         false},
        {"554 to RSET", {Server::receiveLine(), Server::send("554 no\r\n")}, "554 no", false},
        {"250 to AUTH", {Server::receiveLine(), Server::send("250 ok\r\n")}, "250 ok", true},
        {"334 to the password",
         {Server::receiveLine(), Server::send("334 x\r\n"), Server::receiveLine(), Server::send("334 y\r\n"),
          Server::receiveLine(), Server::send("334 z\r\n")},
         "334 z",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Server server(greeted("250 AUTH LOGIN\r\n") + c.answers + QList<Server::Step>{Server::hold()});
        SmtpSession session(quickOptions());
        ASSERT_TRUE(session.connectToHost(QStringLiteral("127.0.0.1"), server.port()).ok());
        const SmtpResult result =
            c.login ? session.login(QStringLiteral("u"), QStringLiteral("p"))
                    : session.sendMail(QStringLiteral("a@b.de"), QStringLiteral("c@d.de"), {"line\r\n"});
        EXPECT_EQ(result.status, SmtpStatus::Failed);
        EXPECT_EQ(result.fault, SmtpFault::ReplyOutOfTurn);
        EXPECT_EQ(result.message, QStringLiteral("Der Mailserver hat außer der Reihe geantwortet: \"") +
                                      QString::fromLatin1(c.line) +
                                      QStringLiteral("\". Die Verbindung wurde beendet."));
        EXPECT_FALSE(session.isConnected());
        EXPECT_FALSE(server.received().contains("line\r\n"));
    }
}

TEST(SmtpSession, BadAddressesSendNothing)
{
    Server server(greeted() + kQuit);
    SmtpSession session(quickOptions());
    ASSERT_TRUE(session.connectToHost(QStringLiteral("127.0.0.1"), server.port()).ok());
    const SmtpResult badRecipient =
        session.sendMail(QStringLiteral("a@b.de"), QStringLiteral("c@d.de>\r\nRCPT TO:<evil@x.de"), {"x\r\n"});
    EXPECT_EQ(badRecipient.status, SmtpStatus::BadAddress);
    EXPECT_TRUE(badRecipient.message.startsWith(QStringLiteral("Recipient: Invalid address")));
    EXPECT_FALSE(badRecipient.message.contains(u'\r'));
    const SmtpResult badSender = session.sendMail(QStringLiteral("nobody"), QStringLiteral("c@d.de"), {"x\r\n"});
    EXPECT_EQ(badSender.status, SmtpStatus::BadAddress);
    EXPECT_TRUE(badSender.message.startsWith(QStringLiteral("Sender: ")));
    EXPECT_TRUE(session.isConnected());
    session.disconnect();
    EXPECT_EQ(server.received(), QByteArray("EHLO client.example.org\r\nQUIT\r\n"));
}

TEST(SmtpSession, SilentServerTimesOutAtEveryWait)
{
    struct Case {
        const char* name;
        QList<Server::Step> script;
    };
    const QList<Case> cases{
        {"RSET", greeted() + QList<Server::Step>{Server::hold()}},
        {"DATA", greeted() + QList<Server::Step>{Server::receiveLine(), Server::send("250 ok\r\n"),
                                                 Server::receiveLine(), Server::send("250 ok\r\n"),
                                                 Server::receiveLine(), Server::send("250 ok\r\n"), Server::hold()}},
        {"final dot",
         greeted() + QList<Server::Step>{Server::receiveLine(), Server::send("250 ok\r\n"), Server::receiveLine(),
                                         Server::send("250 ok\r\n"), Server::receiveLine(), Server::send("250 ok\r\n"),
                                         Server::receiveLine(), Server::send("354 go\r\n"), Server::receiveData(),
                                         Server::hold()}},
    };
    for (const Case& c : cases) {
        Server server(c.script);
        SmtpSessionOptions options = quickOptions();
        options.timeouts.command = options.timeouts.dataCommand = options.timeouts.dataEnd = 200;
        SmtpSession session(options);
        ASSERT_TRUE(session.connectToHost(QStringLiteral("127.0.0.1"), server.port()).ok());
        const SmtpResult result = session.sendMail(QStringLiteral("a@b.de"), QStringLiteral("c@d.de"), {"x\r\n"});
        EXPECT_EQ(result.status, SmtpStatus::Failed) << c.name;
        EXPECT_EQ(result.message, QStringLiteral("Timed out waiting for the server's reply.")) << c.name;
        EXPECT_FALSE(session.isConnected()) << c.name;
        EXPECT_TRUE(session.disconnect().ok()) << c.name;
    }
}

// The mails before QUIT are delivered whatever the server does with it; a reply other than 221
// is noted.
TEST(SmtpSession, AnyEndOfQuitIsAFinishedDisconnect)
{
    struct Case {
        const char* name;
        QList<Server::Step> quit;
        const char* note;
    };
    const QList<Case> cases{
        {"221", {Server::receiveLine(), Server::send("221 bye\r\n")}, ""},
        {"500",
         {Server::receiveLine(), Server::send("500 what\r\n")},
         "Der Mailserver hat das Abmelden mit \"500 what\" statt mit 221 beantwortet."},
        {"silence", {Server::receiveLine(), Server::hold()}, ""},
        {"close", {Server::receiveLine(), Server::closeConnection()}, ""},
        {"421",
         {Server::receiveLine(), Server::send("421 going down\r\n")},
         "Der Mailserver hat das Abmelden mit \"421 going down\" statt mit 221 beantwortet."},
    };
    for (const auto& [name, quit, note] : cases) {
        Server server(greeted() + quit);
        SmtpSessionOptions options = quickOptions();
        options.timeouts.quit = 200;
        SmtpSession session(options);
        ASSERT_TRUE(session.connectToHost(QStringLiteral("127.0.0.1"), server.port()).ok());
        const SmtpResult result = session.disconnect();
        EXPECT_TRUE(result.ok()) << name << ": " << result.message.toStdString();
        EXPECT_EQ(result.message, QString::fromUtf8(note)) << name;
        EXPECT_FALSE(session.isConnected()) << name;
        EXPECT_EQ(server.received(), QByteArray("EHLO client.example.org\r\nQUIT\r\n")) << name;
    }
}

// RFC 5321 3.8: after a 421 the session writes nothing more on that socket, not even QUIT.
TEST(SmtpSession, A421AtAnyStepEndsTheConnectionAtOnce)
{
    const QList<Server::Step> ok{Server::receiveLine(), Server::send("250 ok\r\n")};
    const QList<Server::Step> closing{Server::send("421 4.3.2 shutting down\r\n"), Server::hold()};
    struct Case {
        const char* name;
        QList<Server::Step> steps; // after the greeting
        QByteArray sent;           // after EHLO
    };
    const QList<Case> cases{
        {"RSET", QList<Server::Step>{Server::receiveLine()} + closing, "RSET\r\n"},
        {"MAIL", ok + QList<Server::Step>{Server::receiveLine()} + closing, "RSET\r\nMAIL FROM:<a@b.de>\r\n"},
        {"RCPT", ok + ok + QList<Server::Step>{Server::receiveLine()} + closing,
         "RSET\r\nMAIL FROM:<a@b.de>\r\nRCPT TO:<c@d.de>\r\n"},
        {"DATA", ok + ok + ok + QList<Server::Step>{Server::receiveLine()} + closing,
         "RSET\r\nMAIL FROM:<a@b.de>\r\nRCPT TO:<c@d.de>\r\nDATA\r\n"},
        {"after the final dot",
         ok + ok + ok + QList<Server::Step>{Server::receiveLine(), Server::send("354 go\r\n"), Server::receiveData()} +
             closing,
         "RSET\r\nMAIL FROM:<a@b.de>\r\nRCPT TO:<c@d.de>\r\nDATA\r\nline\r\n.\r\n"},
    };
    for (const Case& c : cases) {
        Server server(greeted() + c.steps);
        SmtpSession session(quickOptions());
        ASSERT_TRUE(session.connectToHost(QStringLiteral("127.0.0.1"), server.port()).ok());
        const SmtpResult result = session.sendMail(QStringLiteral("a@b.de"), QStringLiteral("c@d.de"), {"line\r\n"});
        EXPECT_EQ(result.status, SmtpStatus::Failed) << c.name;
        EXPECT_EQ(result.fault, SmtpFault::ServerClosing) << c.name;
        EXPECT_EQ(result.message, QStringLiteral("421 4.3.2 shutting down")) << c.name;
        EXPECT_FALSE(session.isConnected()) << c.name;
        EXPECT_TRUE(session.disconnect().ok()) << c.name;
        EXPECT_EQ(server.received(), "EHLO client.example.org\r\n" + c.sent) << c.name;
    }
}

namespace {

// A loopback listener whose queue is full: a further connect stays in its TCP handshake, as
// with a server behind a firewall that drops the packets.
class UnansweredListener {
public:
    UnansweredListener()
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof(address);
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), size);
        ::listen(m_listener, 0);
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &size);
        m_port = ntohs(address.sin_port);
        m_filler = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        ::connect(m_filler, reinterpret_cast<sockaddr*>(&address), size);
    }
    ~UnansweredListener()
    {
        ::close(m_filler);
        ::close(m_listener);
    }
    quint16 port() const { return m_port; }

private:
    int m_listener = -1;
    int m_filler = -1;
    quint16 m_port = 0;
};

} // namespace

TEST(SmtpSession, UnansweredConnectTimesOut)
{
    UnansweredListener listener;
    SmtpSessionOptions options = quickOptions();
    options.timeouts.connect = 300;
    SmtpSession session(options);
    const SmtpResult result = session.connectToHost(QStringLiteral("127.0.0.1"), listener.port());
    EXPECT_EQ(result.status, SmtpStatus::Failed);
    EXPECT_EQ(result.message, QStringLiteral("Connect timed out."));
    EXPECT_FALSE(session.isConnected());
}

// A name lookup that hangs (a resolver whose name server does not answer) is bounded by the
// connect deadline and ended by the wait hook, as the handshake is.
TEST(TcpConnect, NameLookupIsBoundedAndCancellable)
{
    QTcpServer listener;
    ASSERT_TRUE(listener.listen(QHostAddress::LocalHost));
    // Hanging lookups answer only once the test is done with them.
    std::promise<void> release;
    const std::shared_future<void> released = release.get_future().share();
    const HostResolver hanging = [released](const QString&) {
        released.wait();
        return HostAddresses{};
    };
    const HostResolver loopback = [](const QString&) { return HostAddresses{{QHostAddress::LocalHost}, {}}; };
    const HostResolver unknown = [](const QString&) { return HostAddresses{{}, QStringLiteral("Unknown host")}; };
    using Status = TcpConnectResult::Status;
    struct Case {
        const char* name;
        QString host;
        HostResolver resolve;
        qint64 deadlineMs;
        int stopAtAsk; // the wait hook's answer that says stop; 0: none does
        Status status;
        QString error;
    };
    const QList<Case> cases{
        {"hanging lookup, deadline", QStringLiteral("smtp.example.org"), hanging, 300, 0, Status::TimedOut,
         QStringLiteral("Host name lookup timed out.")},
        {"hanging lookup, cancel", QStringLiteral("smtp.example.org"), hanging, 600'000, 3, Status::Stopped, {}},
        {"answered lookup", QStringLiteral("smtp.example.org"), loopback, 60'000, 0, Status::Connected, {}},
        {"unknown host", QStringLiteral("smtp.example.org"), unknown, 60'000, 0, Status::Failed,
         QStringLiteral("Unknown host")},
        {"the system's resolver", QStringLiteral("localhost"), ResolveHost, 60'000, 0, Status::Connected, {}},
    };
    for (const Case& c : cases) {
        int asked = 0;
        const auto stop = [&asked, &c] { return ++asked == c.stopAtAsk; };
        const TcpConnectResult result =
            ConnectTcp(c.host, listener.serverPort(), QDeadlineTimer(c.deadlineMs), stop, c.resolve);
        EXPECT_EQ(result.status, c.status) << c.name;
        EXPECT_EQ(result.error, c.error) << c.name;
        if (c.stopAtAsk != 0) {
            EXPECT_EQ(asked, c.stopAtAsk) << c.name;
        }
        EXPECT_EQ(result.descriptor >= 0, c.status == Status::Connected) << c.name;
        if (result.descriptor >= 0)
            ::close(result.descriptor);
    }
    release.set_value();
}

TEST(SmtpSession, WaitHookEndsALongWait)
{
    // Each case waits far longer than the test may take unless the hook ends the wait.
    UnansweredListener listener;
    const QList<std::pair<const char*, QList<Server::Step>>> cases{
        {"TCP handshake", {}},
        {"greeting", {Server::hold()}},
        {"reply to RSET", greeted() + QList<Server::Step>{Server::receiveLine(), Server::hold()}},
    };
    for (const auto& [name, script] : cases) {
        std::optional<Server> server;
        if (!script.isEmpty())
            server.emplace(script);
        const quint16 port = server ? server->port() : listener.port();
        SmtpSessionOptions options = quickOptions();
        options.timeouts = {600'000, 600'000, 600'000, 600'000, 600'000, 600'000, 600'000};
        SmtpSession session(options);
        int asked = 0;
        session.setWaitHook([&asked] { return ++asked >= 3; });
        SmtpResult result = session.connectToHost(QStringLiteral("127.0.0.1"), port);
        if (result.ok())
            result = session.sendMail(QStringLiteral("a@b.de"), QStringLiteral("c@d.de"), {"x\r\n"});
        EXPECT_EQ(result.status, SmtpStatus::Cancelled) << name;
        EXPECT_EQ(asked, 3) << name;
        EXPECT_FALSE(session.isConnected()) << name;
    }
}

TEST(SmtpSession, TranscriptMasksThePassword)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("transcript.txt"));
    Server server(greeted("250 AUTH LOGIN\r\n") +
                  QList<Server::Step>{Server::receiveLine(), Server::send("334 VXNlcm5hbWU6\r\n"),
                                      Server::receiveLine(), Server::send("334 UGFzc3dvcmQ6\r\n"),
                                      Server::receiveLine(), Server::send("235 ok\r\n")} +
                  kQuit);
    SmtpSessionOptions options = quickOptions();
    options.transcriptPath = path;
    {
        SmtpSession session(options);
        ASSERT_TRUE(session.connectToHost(QStringLiteral("127.0.0.1"), server.port()).ok());
        ASSERT_TRUE(session.login(QStringLiteral("user"), QStringLiteral("geheim")).ok());
        session.disconnect();
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("] S: 220-mail.example.org ESMTP\n"));
    EXPECT_TRUE(text.contains("] C: EHLO client.example.org\n"));
    EXPECT_TRUE(text.contains("] C: dXNlcg==\n"));
    EXPECT_TRUE(text.contains("] C: ********\n"));
    EXPECT_FALSE(text.contains(QByteArray("geheim").toBase64()));
    EXPECT_TRUE(text.contains("] C: QUIT\n"));
}

// RFC 2920: with PIPELINING the four commands go out before any reply; the server below reads
// all four before it answers, so a client that waited for a reply would stall into its time-out.
TEST(SmtpSession, PipelinedEnvelopeIsJudgedReplyByReply)
{
    const QList<Server::Step> readFour{Server::receiveLine(), Server::receiveLine(), Server::receiveLine(),
                                       Server::receiveLine()};
    const QByteArray envelope = "RSET\r\nMAIL FROM:<a@b.de>\r\nRCPT TO:<c@d.de>\r\nDATA\r\n";
    struct Case {
        const char* name;
        QList<Server::Step> steps; // after the four commands were read
        SmtpStatus status;
        const char* message;
        QByteArray sentAfterEnvelope;
    };
    const QList<Case> cases{
        {"accepted",
         {Server::send("250 reset\r\n250 sender\r\n250 recipient\r\n354 go\r\n"), Server::receiveData(),
          Server::send("250 queued\r\n")},
         SmtpStatus::Ok,
         "",
         "line\r\n.\r\n"},
        {"recipient refused, DATA refused too: the mail is given up with RSET",
         {Server::send("250 reset\r\n250 sender\r\n550 no such user\r\n554 no valid recipients\r\n"),
          Server::receiveLine(), Server::send("250 reset\r\n")},
         SmtpStatus::Rejected,
         "550 no such user",
         "RSET\r\n"},
        {"sender and recipient refused, DATA accepted all the same: it is ended at once",
         {Server::send("250 reset\r\n553 not yours\r\n550 no such user\r\n354 go\r\n"), Server::receiveLine(),
          Server::send("554 no transaction\r\n"), Server::receiveLine(), Server::send("250 reset\r\n")},
         SmtpStatus::Rejected,
         "553 not yours",
         ".\r\nRSET\r\n"},
        // A "." would end an empty mail to the accepted recipient.
        {"sender refused, recipient and DATA accepted: the connection is dropped",
         {Server::send("250 reset\r\n553 not yours\r\n250 recipient\r\n354 go\r\n"), Server::hold()},
         SmtpStatus::Failed,
         "553 not yours",
         ""},
        {"RSET refused, the rest accepted: the connection is dropped",
         {Server::send("502 no RSET here\r\n250 sender\r\n250 recipient\r\n354 go\r\n"), Server::hold()},
         SmtpStatus::Failed,
         "502 no RSET here",
         ""},
        {"421 among the replies: nothing more is written",
         {Server::send("250 reset\r\n421 4.3.2 closing\r\n"), Server::hold()},
         SmtpStatus::Failed,
         "421 4.3.2 closing",
         ""},
    };
    for (const Case& c : cases) {
        Server server(greeted("250-PIPELINING\r\n250 8BITMIME\r\n") + readFour + c.steps + kQuit);
        SmtpSession session(quickOptions());
        ASSERT_TRUE(session.connectToHost(QStringLiteral("127.0.0.1"), server.port()).ok());
        const SmtpResult result = session.sendMail(QStringLiteral("a@b.de"), QStringLiteral("c@d.de"), {"line\r\n"});
        EXPECT_EQ(result.status, c.status) << c.name;
        EXPECT_EQ(result.message, QString::fromLatin1(c.message)) << c.name;
        EXPECT_EQ(session.isConnected(), c.status != SmtpStatus::Failed) << c.name;
        session.disconnect();
        EXPECT_EQ(server.received(), "EHLO client.example.org\r\n" + envelope + c.sentAfterEnvelope +
                                         (c.status != SmtpStatus::Failed ? QByteArray("QUIT\r\n") : QByteArray()))
            << c.name;
    }
}

// Whatever a server answers to STARTTLS, the session never goes on in clear text.
TEST(SmtpSession, StartTlsThatFailsEndsTheConnection)
{
    struct Case {
        const char* name;
        QList<Server::Step> answer; // to STARTTLS
        const char* message;
        QByteArray sentAfter;
    };
    const QList<Case> cases{
        {"refused",
         {Server::send("454 TLS not available\r\n"), Server::receiveLine(), Server::send("221 bye\r\n")},
         "Der Mailserver hat die Verschlüsselung (STARTTLS) abgelehnt: \"454 TLS not available\". Ohne sie wird "
         "nichts gesendet.",
         "QUIT\r\n"},
        {"clear text injected after the reply",
         {Server::send("220 go ahead\r\n250 injected\r\n"), Server::hold()},
         "Der Mailserver hat außer der Reihe geantwortet: \"250 injected\". Die Verbindung wurde beendet.",
         ""},
    };
    for (const Case& c : cases) {
        Server server(greeted("250-STARTTLS\r\n250 AUTH LOGIN\r\n") + QList<Server::Step>{Server::receiveLine()} +
                      c.answer);
        SmtpSession session(quickOptions());
        const SmtpResult result = session.connectToHost(QStringLiteral("127.0.0.1"), server.port());
        EXPECT_EQ(result.status, SmtpStatus::Failed) << c.name;
        EXPECT_EQ(result.message, QString::fromUtf8(c.message)) << c.name;
        EXPECT_TRUE(result.errorClassName().isEmpty()) << c.name;
        EXPECT_FALSE(session.isConnected()) << c.name;
        EXPECT_EQ(server.received(), "EHLO client.example.org\r\nSTARTTLS\r\n" + c.sentAfter) << c.name;
    }
}

// RFC 1870: the size counts the mail's octets without the dots stuffing adds and without the
// final "."; a mail of exactly the announced SIZE goes, one octet more does not, and nothing
// of it reaches the wire.
TEST(SmtpSession, SizeAnnouncedByTheServerIsTheLimit)
{
    // 12 + 2 + 4 + 6 octets; on the wire the two lines that start with "." carry one more each.
    const QList<QByteArray> mail{"Subject: T\r\n\r\n", ".x\r\n", ".xyz\r\n"};
    struct Case {
        QByteArray size;
        bool sent;
    };
    for (const Case& c : {Case{"24", true}, Case{"23", false}, Case{"0", true}}) {
        SCOPED_TRACE(c.size.constData());
        const QList<Server::Step> accepted{
            Server::receiveLine(), Server::send("250 ok\r\n"),    Server::receiveLine(), Server::send("250 ok\r\n"),
            Server::receiveLine(), Server::send("250 ok\r\n"),    Server::receiveLine(), Server::send("354 go\r\n"),
            Server::receiveData(), Server::send("250 queued\r\n")};
        Server server(greeted("250 SIZE " + c.size + "\r\n") + (c.sent ? accepted : QList<Server::Step>{}) + kQuit);
        SmtpSession session(quickOptions());
        ASSERT_TRUE(session.connectToHost(QStringLiteral("127.0.0.1"), server.port()).ok());
        const SmtpResult result = session.sendMail(QStringLiteral("a@b.de"), QStringLiteral("c@d.de"), mail);
        if (c.sent) {
            EXPECT_TRUE(result.ok()) << result.message.toStdString();
        } else {
            EXPECT_EQ(result.status, SmtpStatus::Rejected);
            EXPECT_EQ(result.fault, SmtpFault::MailTooLarge);
            EXPECT_EQ(result.message,
                      QStringLiteral("Die Nachricht ist 24 Bytes groß, der Mailserver nimmt höchstens 23 Bytes an."));
        }
        EXPECT_TRUE(session.isConnected());
        session.disconnect();
        EXPECT_EQ(server.received().contains("RSET"), c.sent);
    }
}
