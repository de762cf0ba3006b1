#include "addressbook/EmpfF.h"
#include "core/CredentialCodec.h"
#include "core/DM.h"
#include "desktop/MessageBoxes.h"
#include "mail/AiosmtpdServer.h"
#include "mail/MailTestSupport.h"
#include "mailing/SendWorkflowFakes.h"
#include "platform/AppPaths.h"
#include "support/TestWait.h"

#include <QComboBox>
#include <QFile>
#include <QJsonArray>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

struct NoAvailabilityFlag : TDatabaseAvailability {
    void setDatabaseUnavailable(bool) override {}
};

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// As a user does it: the recipient screen's "Newsletter >>" with the sample template with
// pictures, a subject and "Senden", against a real SMTP server that wants AUTH LOGIN.
TEST(NewsletterEndToEnd, TheRecipientScreensCommandDeliversPersonalisedMailsWithPictures)
{
    AiosmtpdServer server(
        {.user = QStringLiteral("newsuser"), .password = QStringLiteral("pässword"), .requireAuth = true});
    ASSERT_NE(server.port(), 0) << server.startError().toStdString();
    MessageBoxRecorder boxes;
    WorkflowRig rig;
    rig.db.env.writeStandardRegistry(QStringLiteral("\"DFUE\"=dword:00000001\n\"MAO\"=dword:00000000\n"),
                                     QStringLiteral("\"DBPath\"=\"%1\"\n").arg(rig.db.folder()));
    rig.db.connection.execute(
        QStringLiteral("Fixture"),
        QStringLiteral("UPDATE Verfasser SET Host = '127.0.0.1', UserID = ?, UserPW = ? WHERE ID = 1"),
        {EncodeCredential(QStringLiteral("newsuser")), EncodeCredential(QStringLiteral("pässword"))});
    rig.db.connection.execute(QStringLiteral("Fixture"),
                              QStringLiteral("UPDATE Adressen SET Vorname = 'Jürgen', Titel = 'Prof.' WHERE ID = 3"));
    const QString samples = AppPaths::assetPath(QStringLiteral("Templates/Beispiele"));
    rig.dialogs.fileName = samples + QStringLiteral("/Monatsbrief.html");
    rig.dialogs.lines.clear();
    rig.dialogs.subject = QStringLiteral("Monatsbrief März – Grüße aus Hamburg");
    rig.makeRun = [&server](SendRunRequest& request) {
        request.settings.Port = server.port();
        return CreateSendRunThread(std::move(request));
    };
    // The log goes where the program puts it.
    TSendWorkflowSeams seams = rig.seams();
    seams.createLog = {};

    NoAvailabilityFlag flag;
    TDM2 dm(flag);
    ASSERT_TRUE(dm.ok());
    QWidget host;
    TEmpfFrame frame(dm, &host);
    frame.FCB1Change();
    frame.FCB1->setCurrentIndex(frame.FCB1->findText(QStringLiteral("Zeitung Nord")));
    ASSERT_TRUE(frame.hasChosenSender());
    ASSERT_EQ(frame.chosenSender().ID, 1);
    frame.setNewsletterCommand(
        [&seams](std::optional<qint64> senderId) { TSendWorkflow(seams).EmpfFNewsExecute(senderId); });
    frame.EmpfFNews->trigger();

    ASSERT_EQ(rig.requests.size(), 1u) << boxes.texts().join(u'\n').toStdString();
    TUserSP* window = qobject_cast<TUserSP*>(rig.slotTable.slot(0).Form.data());
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(
        waitUntil([window] { return window->FlatSB1->text() == QStringLiteral("OK"); }, std::chrono::seconds(60)))
        << "the run did not end";
    EXPECT_EQ(window->Label1->text(), QStringLiteral("Übertragung abgeschlossen."));
    EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(u'\n').toStdString();

    // Adam and Bauer have Send set, in name order; Ärger has not.
    const QList<QJsonObject> messages = server.messages();
    ASSERT_EQ(messages.size(), 2);
    const QStringList addresses{QStringLiteral("adam@example.org"), QStringLiteral("bauer@example.org")};
    const QStringList greetings{QStringLiteral("Sehr geehrte(r) Prof. Jürgen Adam,"),
                                QStringLiteral("Sehr geehrter Herr  Karl Bauer,")};
    const QJsonArray images = MonatsbriefImages(samples);
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        const QJsonObject& mail = messages[i];
        EXPECT_EQ(mail[QStringLiteral("mail_from")].toString(), QStringLiteral("info@nord.example"));
        EXPECT_EQ(mail[QStringLiteral("rcpt_tos")].toArray(), QJsonArray{addresses[i]});
        EXPECT_EQ(mail[QStringLiteral("subject")].toString(), *rig.dialogs.subject);
        const QString html = mail[QStringLiteral("body")].toString();
        EXPECT_TRUE(html.contains(greetings[i])) << html.toStdString();
        EXPECT_TRUE(html.contains(QStringLiteral("Monatsbrief von Zeitung Nord")));
        EXPECT_TRUE(html.contains(QStringLiteral("Tag der offenen T&uuml;r in Hamburg")));
        EXPECT_TRUE(html.contains(addresses[i]));
        EXPECT_FALSE(html.contains(QStringLiteral("<#")));
        EXPECT_FALSE(html.contains(QStringLiteral("Bilder/")));
        EXPECT_TRUE(
            PassesMimeCheck(mail[QStringLiteral("raw")].toString().toUtf8(),
                            QJsonObject{{QStringLiteral("shape"),
                                         QStringLiteral("multipart/related(text/html,image/png,image/gif,image/gif)")},
                                        {QStringLiteral("subject"), *rig.dialogs.subject},
                                        {QStringLiteral("images"), images}}));
    }

    // The send log of the run names both recipients and ends with the disconnect.
    ASSERT_FALSE(window->LogName.isEmpty());
    EXPECT_TRUE(window->USPBericht->isEnabled());
    const QByteArray log = fileBytes(window->LogName);
    EXPECT_TRUE(log.contains("adam@example.org")) << log.constData();
    EXPECT_TRUE(log.contains("bauer@example.org"));
    EXPECT_TRUE(log.endsWith("Trennen vom MailServer ... erfolgreich.\r\n")) << log.constData();
}

} // namespace
