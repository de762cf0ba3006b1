#include "SendWorkflowFakes.h"
#include "core/CredentialCodec.h"
#include "desktop/MessageBoxes.h"
#include "mail/ScriptedSmtpServer.h"
#include "mail/SmtpServerAddress.h"
#include "platform/AppPaths.h"
#include "platform/BusyGuard.h"
#include "support/TestWait.h"

#include <QFile>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>

#include <gtest/gtest.h>

namespace {

const QString kNoRecipients = QStringLiteral("Keine Empfänger zum Versand vorhanden!");
const QString kDialUp =
    QStringLiteral("Bitte starten Sie jetzt Ihre Internetverbindung!\r\nBestätigen Sie anschließend mit OK.");
const QString kAllBusy = QStringLiteral(
    "Es werden bereits 10 Sendevorgänge ausgeführt!\r\n"
    "Ein erneuter Sendevorgang ist erst möglich, wenn ein anderer bereits laufender Vorgang beendet ist.");

class SendWorkflowTest : public ::testing::Test {
protected:
    void run(std::optional<qint64> senderId = 1)
    {
        TSendWorkflow workflow(rig.seams());
        workflow.EmpfFNewsExecute(senderId);
    }

    WorkflowRig rig;
    MessageBoxRecorder boxes;
};

TEST_F(SendWorkflowTest, EveryStopTellsTheUserAndLeavesNothingBehind)
{
    struct Case {
        const char* name;
        std::function<void(WorkflowRig&, MessageBoxRecorder&)> arrange;
        std::optional<qint64> senderId;
        QStringList texts;
        int checks; // how often the check dialog was shown
    };
    const auto noop = [](WorkflowRig&, MessageBoxRecorder&) {};
    const QList<Case> cases{
        {"template cancelled",
         [](WorkflowRig& r, MessageBoxRecorder&) { r.dialogs.templateConfirmed = false; },
         1,
         {},
         0},
        {"subject cancelled", [](WorkflowRig& r, MessageBoxRecorder&) { r.dialogs.subject.reset(); }, 1, {}, 0},
        {"no sender chosen", noop, std::nullopt, {TSendWorkflow::noSenderText()}, 0},
        {"sender gone", noop, 99, {QStringLiteral("Keine Absenderdaten ermittelt!")}, 0},
        {"no database",
         [](WorkflowRig& r, MessageBoxRecorder&) { r.db.connection.disconnect(); },
         1,
         {QStringLiteral("Keine Verbindung zur Datenbank!")},
         0},
        {"nobody with Send",
         [](WorkflowRig& r, MessageBoxRecorder&) {
             r.db.connection.execute(QStringLiteral("Fixture"), QStringLiteral("UPDATE Adressen SET Send = 0"));
         },
         1,
         {kNoRecipients},
         1},
        {"all unticked",
         [](WorkflowRig& r, MessageBoxRecorder&) {
             r.dialogs.untick = {0, 1};
         },
         1,
         {kNoRecipients},
         1},
        {"only empty addresses",
         [](WorkflowRig& r, MessageBoxRecorder&) {
             r.db.connection.execute(QStringLiteral("Fixture"), QStringLiteral("UPDATE Adressen SET Email = ''"));
         },
         1,
         {kNoRecipients},
         1},
        {"check cancelled", [](WorkflowRig& r, MessageBoxRecorder&) { r.dialogs.send = false; }, 1, {}, 1},
        {"dial-up cancelled",
         [](WorkflowRig& r, MessageBoxRecorder& b) {
             r.setSettings(true, 0);
             r.probe.answers = {false};
             b.answerNext(MsgAnswer::Cancel);
         },
         1,
         {kDialUp},
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WorkflowRig local;
        boxes.clear();
        MessageBoxRecorder& recorded = boxes;
        c.arrange(local, recorded);
        TSendWorkflow workflow(local.seams());
        workflow.EmpfFNewsExecute(c.senderId);
        EXPECT_EQ(recorded.texts(), c.texts);
        EXPECT_EQ(local.dialogs.checks.size(), c.checks);
        EXPECT_EQ(local.slotsTaken(), 0);
        EXPECT_EQ(local.logsCreated, 0);
        EXPECT_TRUE(local.requests.empty());
        EXPECT_FALSE(BusyGuard::held());
        EXPECT_EQ(ScreenCursor::current(), CursorShape::Default);
        for (const MessageBoxRecorder::Box& box : recorded.boxes())
            EXPECT_EQ(box.icon, box.text.startsWith(QStringLiteral("Keine Verbindung")) ||
                                        box.text.startsWith(QStringLiteral("Keine Absender"))
                                    ? MsgIcon::Error
                                : box.text == kDialUp ? MsgIcon::Information
                                                      : MsgIcon::Warning);
    }
}

TEST_F(SendWorkflowTest, AllTenSlotsBusyStartsNothingAndTakesNoEleventh)
{
    QList<PSendSlot> taken;
    for (int i = 0; i < MaxSendSlots; ++i) {
        SlotStatus status = SlotStatus::NoWindow;
        taken << rig.slotTable.AcquireSendSlot(status);
        ASSERT_EQ(status, SlotStatus::Taken);
    }
    run();
    EXPECT_EQ(boxes.texts(), QStringList{kAllBusy});
    EXPECT_EQ(rig.logsCreated, 0);
    EXPECT_TRUE(rig.requests.empty());
    for (PSendSlot slot : taken)
        rig.slotTable.ReleaseSendSlot(slot);
    EXPECT_EQ(rig.slotsTaken(), 0);
}

TEST_F(SendWorkflowTest, AStartedRunGetsTheSenderTheRecipientsAndItsWindow)
{
    rig.setSettings(true, 25);
    rig.probe.answers = {false, false, true};
    rig.db.connection.execute(
        QStringLiteral("Fixture"), QStringLiteral("UPDATE Verfasser SET UserID = ?, UserPW = ? WHERE ID = 1"),
        {EncodeCredential(QStringLiteral("newsuser")), EncodeCredential(QStringLiteral("pässword"))});
    rig.dialogs.fileName = AppPaths::assetPath(QStringLiteral("Templates/Beispiele/Monatsbrief.html"));
    run();

    EXPECT_EQ(boxes.texts(), (QStringList{kDialUp, kDialUp}));
    EXPECT_EQ(rig.probe.asked, 3);
    ASSERT_EQ(rig.dialogs.checks.size(), 1);
    const ScriptedDialogs::Check& check = rig.dialogs.checks[0];
    EXPECT_EQ(check.count, 2); // Adam and Bauer; Ärger has Send false
    EXPECT_EQ(check.company, QStringLiteral("Zeitung Nord"));
    EXPECT_EQ(check.email, QStringLiteral("info@nord.example"));
    EXPECT_EQ(check.subject, QStringLiteral("Neues im März"));
    EXPECT_EQ(check.fileName, rig.dialogs.fileName);
    EXPECT_TRUE(check.hadProgress);

    ASSERT_EQ(rig.requests.size(), 1u);
    const SendRunRequest& request = rig.requests[0];
    EXPECT_EQ(request.settings.Host, QStringLiteral("smtp.nord.example"));
    EXPECT_EQ(request.settings.UserId, QStringLiteral("newsuser"));
    EXPECT_EQ(request.settings.Password, QStringLiteral("pässword"));
    EXPECT_EQ(request.settings.ProgressMax, 2);
    EXPECT_EQ(request.settings.MailsPerConnection, 25);
    EXPECT_EQ(request.settings.LogFileName, rig.db.env.root() + QStringLiteral("/News_01032026_1.log"));
    EXPECT_EQ(request.generator->RecipientCount(), 2);
    EXPECT_EQ(request.generator->HtmlBaseDir(), AppPaths::assetPath(QStringLiteral("Templates/Beispiele")));
    ASSERT_NE(request.window, nullptr);
    EXPECT_EQ(request.window->Mode, 1);
    EXPECT_EQ(request.window->LogName, request.settings.LogFileName);
    EXPECT_EQ(request.window->Label2->text(), QStringLiteral("Senden Newsletter"));
    EXPECT_TRUE(request.window->Label3->text().isEmpty());
    EXPECT_TRUE(request.window->isVisible());
    EXPECT_EQ(rig.slotsTaken(), 1);
    EXPECT_EQ(rig.slotTable.slot(0).Form.data(), request.window);
    ASSERT_EQ(rig.runs.size(), 1);
    EXPECT_EQ(rig.logsCreated, 1);
}

TEST_F(SendWorkflowTest, TextOnlyDropsTheFileAndAFailedLogStillStartsTheRun)
{
    rig.dialogs.textOnly = true;
    rig.dialogs.fileName = AppPaths::assetPath(QStringLiteral("Templates/Beispiele/Monatsbrief.html"));
    rig.logFails = true;
    run();
    ASSERT_EQ(rig.dialogs.checks.size(), 1);
    EXPECT_TRUE(rig.dialogs.checks[0].fileName.isEmpty());
    ASSERT_EQ(rig.requests.size(), 1u);
    SendRunRequest& request = rig.requests[0];
    EXPECT_TRUE(request.generator->HtmlBaseDir().isEmpty());
    ASSERT_TRUE(request.generator->Prepare());
    EXPECT_TRUE(request.generator->PreparedHtml().isEmpty());
    EXPECT_TRUE(request.settings.LogFileName.isEmpty());
    EXPECT_TRUE(request.window->LogName.isEmpty());
    EXPECT_TRUE(request.settings.UserId.isEmpty());
    EXPECT_TRUE(request.settings.Password.isEmpty());
    EXPECT_EQ(request.settings.MailsPerConnection, 0);
    // The dial-up setting is off: the connection is never tested.
    EXPECT_EQ(rig.probe.asked, 0);
}

TEST_F(SendWorkflowTest, ARunThatCannotBeMadeGivesItsSlotBack)
{
    struct Case {
        const char* name;
        std::function<QThread*(SendRunRequest&)> makeRun;
    };
    const QList<Case> cases{
        {"no thread", [](SendRunRequest&) -> QThread* { return nullptr; }},
        {"throws", [](SendRunRequest&) -> QThread* { throw std::runtime_error("kein Speicher"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WorkflowRig local;
        local.makeRun = c.makeRun;
        TSendWorkflow workflow(local.seams());
        workflow.EmpfFNewsExecute(1);
        EXPECT_EQ(local.slotsTaken(), 0);
        EXPECT_FALSE(BusyGuard::held());
    }
}

TEST_F(SendWorkflowTest, GatheringHoldsTheGuardAndTheMainWindowUntilTheCheckDialog)
{
    QMainWindow mainWindow;
    mainWindow.show();
    TSendWorkflowSeams seams = rig.seams();
    seams.mainWindow = &mainWindow;
    TSendWorkflow workflow(seams);
    bool heldDuringCheck = false;
    bool enabledDuringCheck = true;
    QStringList secondSend;
    bool checked = false;
    rig.dialogs.duringCheck = [&] {
        if (checked)
            return;
        checked = true;
        heldDuringCheck = BusyGuard::held();
        enabledDuringCheck = mainWindow.isEnabled();
        // A second send meanwhile is refused and changes nothing.
        workflow.SendNewsletter({QStringLiteral("x")}, true, {}, 1);
        secondSend = boxes.texts();
    };
    workflow.EmpfFNewsExecute(1);
    EXPECT_TRUE(heldDuringCheck);
    EXPECT_FALSE(enabledDuringCheck);
    EXPECT_EQ(secondSend, QStringList{QStringLiteral("Der Vorgang \"Newsletterversand\" läuft noch.\r\n"
                                                     "Bitte warten Sie, bis er abgeschlossen ist.")});
    EXPECT_TRUE(mainWindow.isEnabled());
    EXPECT_FALSE(BusyGuard::held());
    EXPECT_EQ(rig.dialogs.checks.size(), 1);
    EXPECT_EQ(rig.requests.size(), 1u);
}

TEST_F(SendWorkflowTest, AnAddressLongerThanItsFieldIsLeftOutNotCut)
{
    // Databases written elsewhere may hold what the program's own checks would refuse.
    rig.db.connection.execute(QStringLiteral("Fixture"), QStringLiteral("PRAGMA ignore_check_constraints = ON"));
    const QString longAddress = QString(45, u'a') + QStringLiteral("@example.org");
    rig.db.connection.execute(QStringLiteral("Fixture"), QStringLiteral("UPDATE Adressen SET Email = ? WHERE ID = 1"),
                              {longAddress});
    TSendWorkflow workflow(rig.seams());
    TFDBData records;
    std::unique_ptr<TPStartForm> progress;
    int tooLong = -1;
    ASSERT_TRUE(workflow.GatherRecipients(1, records, progress, tooLong));
    EXPECT_EQ(tooLong, 1);
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].text(RecipientField::Name), QStringLiteral("Adam"));

    run();
    EXPECT_EQ(boxes.texts(), QStringList{TSendWorkflow::tooLongAddressesText(1)});
    EXPECT_TRUE(boxes.texts()[0].startsWith(QStringLiteral("1 Empfänger")));
    ASSERT_EQ(rig.requests.size(), 1u);
    EXPECT_EQ(rig.requests[0].settings.ProgressMax, 1);
}

TEST_F(SendWorkflowTest, GatheringKeepsNameOrderAndFillsEveryField)
{
    TSendWorkflow workflow(rig.seams());
    TFDBData records;
    auto progress = std::make_unique<TPStartForm>();
    int tooLong = 0;
    ASSERT_TRUE(workflow.GatherRecipients(2, records, progress, tooLong));
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->FPB1->value(), 2);
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(records[0].text(RecipientField::Name), QStringLiteral("de Vries"));
    EXPECT_EQ(records[1].text(RecipientField::Name), QStringLiteral("Zorn"));
    const TRecipientMailData& zorn = records[1];
    EXPECT_EQ(zorn.text(RecipientField::Anrede), QStringLiteral("Herr"));
    EXPECT_EQ(zorn.text(RecipientField::Ort), QStringLiteral("Passau"));
    EXPECT_EQ(zorn.text(RecipientField::Email), QStringLiteral("zorn@example.org"));
    EXPECT_EQ(zorn.text(RecipientField::Firma), QStringLiteral("Zorn & Co"));
    EXPECT_EQ(zorn.text(RecipientField::BFormel), QStringLiteral("Sehr geehrter Herr"));
    EXPECT_TRUE(zorn.Selected);
    EXPECT_FALSE(zorn.Send);
}

TEST_F(SendWorkflowTest, BadStoredCredentialsShow1031)
{
    rig.db.connection.execute(QStringLiteral("Fixture"),
                              QStringLiteral("UPDATE Verfasser SET UserPW = 'x1y' WHERE ID = 1"));
    run();
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_TRUE(boxes.boxes()[0].text.startsWith(QStringLiteral("#1031 "))) << boxes.boxes()[0].text.toStdString();
    EXPECT_EQ(boxes.boxes()[0].icon, MsgIcon::Error);
    EXPECT_TRUE(rig.requests.empty());
    EXPECT_EQ(rig.slotsTaken(), 0);
}

// The run's own time-outs are reached through the workflow: a silent server at "host:port" ends
// the real run with result 2 once the greeting's time-out has passed.
TEST_F(SendWorkflowTest, TheRunsTimeOutsReachASilentServer)
{
    ScriptedSmtpServer server({ScriptedSmtpServer::hold()});
    rig.db.connection.execute(QStringLiteral("Fixture"), QStringLiteral("UPDATE Verfasser SET Host = ? WHERE ID = 1"),
                              {QStringLiteral("127.0.0.1:%1").arg(server.port())});
    rig.makeRun = [](SendRunRequest& request) { return CreateSendRunThread(std::move(request)); };
    TSendWorkflowSeams seams = rig.seams();
    seams.smtpTimeouts = {2000, 300, 300, 300, 300, 300, 300};
    TSendWorkflow(seams).EmpfFNewsExecute(1);

    ASSERT_EQ(rig.runs.size(), 1);
    TUserSP* window = qobject_cast<TUserSP*>(rig.slotTable.slot(0).Form.data());
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(
        waitUntil([window] { return window->Label1->text() == QStringLiteral("keine Verbindung zum Mailserver"); },
                  std::chrono::seconds(60)))
        << testing::PrintToString(window->Label1->text());
    QFile log(rig.db.env.root() + QStringLiteral("/News_01032026_1.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("Fehlertext: Timed out waiting for the server's reply."));
}

TEST(SmtpServerAddress, HostWithOptionalPort)
{
    struct Case {
        QString value;
        QString host;
        quint16 port;
        SmtpTls tls;
    };
    const QList<Case> cases{
        {QStringLiteral("smtp.example.org"), QStringLiteral("smtp.example.org"), 25, SmtpTls::WhenOffered},
        {QStringLiteral(" smtp.example.org:587 "), QStringLiteral("smtp.example.org"), 587, SmtpTls::Required},
        {QStringLiteral("smtp.example.org:465"), QStringLiteral("smtp.example.org"), 465, SmtpTls::Implicit},
        {QStringLiteral("[2001:db8::1]:587"), QStringLiteral("2001:db8::1"), 587, SmtpTls::Required},
        {QStringLiteral("smtp.example.org:2525"), QStringLiteral("smtp.example.org"), 2525, SmtpTls::WhenOffered},
        {QStringLiteral("2001:db8::1"), QStringLiteral("2001:db8::1"), 25, SmtpTls::WhenOffered},
        {QStringLiteral("[::1]"), QStringLiteral("::1"), 25, SmtpTls::WhenOffered},
        {QStringLiteral("[::1]:"), QStringLiteral("::1"), 25, SmtpTls::WhenOffered},
        {QStringLiteral("smtp.example.org:"), QStringLiteral("smtp.example.org"), 25, SmtpTls::WhenOffered},
        // No port number: kept whole, so connecting reports the value as it stands.
        {QStringLiteral("smtp.example.org:abc"), QStringLiteral("smtp.example.org:abc"), 25, SmtpTls::WhenOffered},
        {QStringLiteral("smtp.example.org:70000"), QStringLiteral("smtp.example.org:70000"), 25, SmtpTls::WhenOffered},
        {QStringLiteral(":587"), QStringLiteral(":587"), 25, SmtpTls::WhenOffered},
    };
    for (const Case& c : cases) {
        const SmtpServerAddress address = ParseSmtpServer(c.value);
        EXPECT_EQ(address.host, c.host) << c.value.toStdString();
        EXPECT_EQ(address.port, c.port) << c.value.toStdString();
        EXPECT_EQ(address.tls, c.tls) << c.value.toStdString();
    }
}

} // namespace
