#include "AiosmtpdServer.h"
#include "TestCertificate.h"
#include "mail/SmtpSession.h"

#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

SmtpSessionOptions options()
{
    SmtpSessionOptions result;
    result.timeouts = {10'000, 10'000, 10'000, 10'000, 10'000, 10'000, 10'000};
    return result;
}

QList<QByteArray> mailTo(const QByteArray& address, int number)
{
    return {"From: news@example.org\r\nTo: " + address + "\r\nSubject: =?iso-8859-1?Q?Gr=FC=DFe_" +
                QByteArray::number(number) +
                "?=\r\nMIME-Version: 1.0\r\nContent-Type: text/plain; charset=iso-8859-1\r\n"
                "Content-Transfer-Encoding: 8bit\r\n\r\n",
            "Hallo\r\n.\r\n..x\r\n", ".last\r\n"};
}

} // namespace

TEST(SmtpSessionEndToEnd, MailsArriveOverReconnectsWithLogin)
{
    AiosmtpdServer server(
        {.user = QStringLiteral("newsuser"), .password = QStringLiteral("pässword"), .requireAuth = true});
    ASSERT_NE(server.port(), 0) << server.startError().toStdString();
    const QStringList recipients{QStringLiteral("anna@example.com"), QStringLiteral("bob@example.net"),
                                 QStringLiteral(" carla@example.de ")};
    SmtpSession session(options());
    // Two mails per connection: the third goes over a second connection with a new login.
    for (int i = 0; i < recipients.size(); ++i) {
        if (i % 2 == 0) {
            if (i > 0) {
                ASSERT_TRUE(session.disconnect().ok());
            }
            const SmtpResult connected = session.connectToHost(QStringLiteral("127.0.0.1"), server.port());
            ASSERT_TRUE(connected.ok()) << connected.message.toStdString();
            ASSERT_TRUE(session.authMechanisms().contains(QStringLiteral("LOGIN")));
            const SmtpResult login = session.login(QStringLiteral("newsuser"), QStringLiteral("pässword"));
            ASSERT_TRUE(login.ok()) << login.message.toStdString();
        }
        const SmtpResult sent = session.sendMail(QStringLiteral("news@example.org"), recipients[i],
                                                 mailTo(recipients[i].trimmed().toLatin1(), i + 1));
        ASSERT_TRUE(sent.ok()) << sent.message.toStdString();
    }
    ASSERT_TRUE(session.disconnect().ok());

    const QList<QJsonObject> messages = server.messages();
    ASSERT_EQ(messages.size(), 3);
    EXPECT_EQ(server.connections(), 2);
    for (int i = 0; i < 3; ++i) {
        const QJsonObject& m = messages[i];
        EXPECT_EQ(m[QStringLiteral("mail_from")].toString(), QStringLiteral("news@example.org"));
        EXPECT_EQ(m[QStringLiteral("rcpt_tos")].toArray(), QJsonArray{recipients[i].trimmed()});
        EXPECT_EQ(m[QStringLiteral("connection")].toInt(), i < 2 ? 1 : 2);
        EXPECT_EQ(m[QStringLiteral("subject")].toString(), QStringLiteral("Grüße ") + QString::number(i + 1));
        EXPECT_TRUE(m[QStringLiteral("defects")].toArray().isEmpty());
        EXPECT_EQ(m[QStringLiteral("body")].toString(), QStringLiteral("Hallo\r\n.\r\n..x\r\n.last\r\n"));
        EXPECT_TRUE(m[QStringLiteral("raw")].toString().endsWith(QStringLiteral("\r\nHallo\r\n.\r\n..x\r\n.last\r\n")));
    }
}

TEST(SmtpSessionEndToEnd, WrongPasswordOrNoLoginSendsNothing)
{
    AiosmtpdServer server(
        {.user = QStringLiteral("newsuser"), .password = QStringLiteral("right"), .requireAuth = true});
    ASSERT_NE(server.port(), 0) << server.startError().toStdString();
    for (const bool tryLogin : {true, false}) {
        SmtpSession session(options());
        ASSERT_TRUE(session.connectToHost(QStringLiteral("127.0.0.1"), server.port()).ok());
        if (tryLogin) {
            const SmtpResult login = session.login(QStringLiteral("newsuser"), QStringLiteral("wrong"));
            EXPECT_EQ(login.status, SmtpStatus::Rejected);
            EXPECT_TRUE(login.message.startsWith(QStringLiteral("535"))) << login.message.toStdString();
        }
        // A server that needs authentication refuses at MAIL, with a text the log can show.
        const SmtpResult sent =
            session.sendMail(QStringLiteral("news@example.org"), QStringLiteral("anna@example.com"), mailTo("a", 1));
        EXPECT_EQ(sent.status, SmtpStatus::Rejected);
        EXPECT_TRUE(sent.message.startsWith(QStringLiteral("530"))) << sent.message.toStdString();
        EXPECT_TRUE(session.disconnect().ok());
    }
    EXPECT_TRUE(server.messages().isEmpty());
}

// The password never crosses the network in clear: STARTTLS (or TLS from the first byte) comes
// before AUTH, and a certificate that does not verify ends the connection step.
TEST(SmtpSessionEndToEnd, TlsComesBeforeLoginAndAnUntrustedCertificateStopsIt)
{
    const TestCertificate certificate;
    ASSERT_TRUE(certificate.error().isEmpty()) << certificate.error().toStdString();
    struct Case {
        const char* name;
        SmtpTls tls;
        bool trusted;
    };
    const QList<Case> cases{
        {"STARTTLS, trusted", SmtpTls::WhenOffered, true},
        {"STARTTLS, untrusted", SmtpTls::WhenOffered, false},
        {"implicit TLS, trusted", SmtpTls::Implicit, true},
        {"implicit TLS, untrusted", SmtpTls::Implicit, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AiosmtpdServer server({.user = QStringLiteral("newsuser"),
                               .password = QStringLiteral("pässword"),
                               .requireAuth = true,
                               .tlsCertificate = certificate.certificatePath(),
                               .tlsKey = certificate.keyPath(),
                               .implicitTls = c.tls == SmtpTls::Implicit});
        ASSERT_NE(server.port(), 0) << server.startError().toStdString();
        QTemporaryDir dir;
        SmtpSessionOptions sessionOptions = options();
        sessionOptions.transcriptPath = dir.filePath(QStringLiteral("transcript.txt"));
        if (c.trusted)
            sessionOptions.extraCaCertificates = {certificate.certificate()};
        {
            SmtpSession session(sessionOptions);
            const SmtpResult connected = session.connectToHost(QStringLiteral("127.0.0.1"), server.port(), c.tls);
            if (c.trusted) {
                ASSERT_TRUE(connected.ok()) << connected.message.toStdString();
                EXPECT_TRUE(session.isEncrypted());
                ASSERT_TRUE(session.login(QStringLiteral("newsuser"), QStringLiteral("pässword")).ok());
                const SmtpResult sent =
                    session.sendMail(QStringLiteral("news@example.org"), QStringLiteral("anna@example.com"),
                                     mailTo("anna@example.com", 1));
                EXPECT_TRUE(sent.ok()) << sent.message.toStdString();
                EXPECT_TRUE(session.disconnect().ok());
            } else {
                EXPECT_EQ(connected.status, SmtpStatus::Failed);
                EXPECT_EQ(connected.fault, SmtpFault::CertificateUntrusted);
                EXPECT_EQ(connected.message,
                          QStringLiteral("Das Zertifikat des Mailservers \"127.0.0.1\" ist nicht vertrauenswürdig: Es "
                                         "ist selbst ausgestellt oder stammt von einer unbekannten "
                                         "Zertifizierungsstelle."));
                EXPECT_FALSE(session.isConnected());
            }
        }
        EXPECT_EQ(server.messages().size(), c.trusted ? 1 : 0);
        QFile transcript(sessionOptions.transcriptPath);
        ASSERT_TRUE(transcript.open(QIODevice::ReadOnly));
        const QByteArray text = transcript.readAll();
        EXPECT_EQ(text.contains("] C: AUTH LOGIN\n"), c.trusted);
        EXPECT_EQ(text.contains("] C: STARTTLS\n"), c.tls == SmtpTls::WhenOffered);
    }
}
