// The send workflow's own cost: gathering 100,000 recipients with the progress window and
// filling the recipient check for them (time and peak memory), then one newsletter of 1,000
// mails from the sample template with pictures through the whole workflow to a loopback sink
// (mails per second).
#include "LoopbackSmtpSink.h"
#include "core/DatabaseSchema.h"
#include "core/SendSlotTable.h"
#include "core/StartForm.h"
#include "mailing/NewsCheckForm.h"
#include "mailing/SendWorkflow.h"
#include "mailing/SendWorkflowDialogs.h"
#include "mailing/UserSpass.h"
#include "platform/AppPaths.h"
#include "platform/DbConnection.h"
#include "desktop/MessageBoxes.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

namespace {

struct BenchDatabase {
    explicit BenchDatabase(int recipients)
    {
        qputenv("KUBNEWS_HOME", dir.path().toUtf8());
        qputenv("KUBNEWS_REGISTRY", dir.filePath(QStringLiteral("registry.reg")).toUtf8());
        QFile registry(dir.filePath(QStringLiteral("registry.reg")));
        registry.open(QIODevice::WriteOnly);
        registry.write("Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\KUB\\News]\n"
                       "\"DFUE\"=dword:00000001\n\"MAO\"=dword:00000000\n\n"
                       "[HKEY_LOCAL_MACHINE\\Software\\KUB\\News\\Database]\n");
        registry.close();
        CreateEmptyDatabase(folder());
        connection.setConnectPath(folder());
        connection.connect();
        connection.execute(QStringLiteral("Bench"),
                           QStringLiteral("INSERT INTO Verfasser (Firma, Firmenemail, Host) "
                                          "VALUES ('Zeitung Nord', 'news@nord.example', '127.0.0.1')"));
        connection.execute(
            QStringLiteral("Bench"),
            QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ?) "
                           "INSERT INTO Adressen (AbsenderID, Name, Anrede, Strasse, Ort, Email, PLZ, Land, Status, "
                           "Send, Firma, Vorname, BFormel) SELECT 1, printf('Müller-%06d', ? - i), 'Herr', "
                           "'Hauptstraße ' || (i % 200), 'Nürnberg', 'leser' || i || '@example.org', '90402', 'D', "
                           "0, i % 10 <> 0, 'Firma ' || (i % 5000) || ' GmbH', 'Jürgen', 'Sehr geehrter Herr' FROM n"),
            {recipients, recipients});
    }
    QString folder() const { return dir.path() + QStringLiteral("/Datenbank"); }

    QTemporaryDir dir;
    DbConnection connection{QStringLiteral("AdsConnection1"), newsDatabaseSchema()};
};

// The sample template with pictures, a subject and "Senden", without showing anything.
class AnsweringDialogs : public ISendWorkflowDialogs {
public:
    bool chooseTemplate(QStringList&, bool&, QString& fileName) override
    {
        fileName = AppPaths::assetPath(QStringLiteral("Templates/Beispiele/Monatsbrief.html"));
        return true;
    }
    bool askSubject(QString& subject) override
    {
        subject = QStringLiteral("Monatsbrief März");
        return true;
    }
    bool checkRecipients(TFDBData& recipients, const QString& company, const QString& email, const QString& subject,
                         const QString& fileName, std::unique_ptr<TPStartForm>& progress) override
    {
        TNewsCheckForm form;
        form.Setup(recipients, company, email, subject, fileName, progress);
        form.ApplyUnchecked(recipients);
        return true;
    }
};

StatusWindowFactory statusWindows()
{
    return {[] { return new TUserSP; },
            [](const QWidget* window) { return static_cast<const TUserSP*>(window)->Closed; }};
}

void gatherAndSetUp(int recipients)
{
    BenchDatabase db(recipients);
    TSendSlotTable slotTable(statusWindows());
    TSendWorkflowSeams seams;
    seams.sendSlots = &slotTable;
    seams.database = &db.connection;
    TSendWorkflow workflow(seams);
    const long memoryBefore = peakMemoryKiB();

    QElapsedTimer timer;
    timer.start();
    auto progress = std::make_unique<TPStartForm>();
    progress->FPB1->show();
    progress->show();
    TFDBData records;
    int tooLong = 0;
    workflow.GatherRecipients(1, records, progress, tooLong);
    const double gathering = double(timer.nsecsElapsed()) / 1e9;
    timer.restart();
    TNewsCheckForm form;
    form.Setup(records, QStringLiteral("Zeitung Nord"), QStringLiteral("news@nord.example"),
               QStringLiteral("Monatsbrief"), QString(), progress);
    form.show();
    QCoreApplication::processEvents();
    const double setUp = double(timer.nsecsElapsed()) / 1e9;
    std::printf("gathering %d rows (%lld with Send): %.3f s; check dialog set-up and first paint: %.3f s; "
                "together %.3f s; peak memory %ld KiB (%ld KiB before)\n",
                recipients, qlonglong(records.size()), gathering, setUp, gathering + setUp, peakMemoryKiB(),
                memoryBefore);
}

void sendThroughTheWorkflow(int recipients)
{
    BenchDatabase db(recipients);
    LoopbackSmtpSink sink;
    TSendSlotTable slotTable(statusWindows());
    AnsweringDialogs dialogs;
    QPointer<QThread> run;
    TSendWorkflowSeams seams;
    seams.sendSlots = &slotTable;
    seams.database = &db.connection;
    seams.dialogs = &dialogs;
    seams.createRun = [&sink, &run](SendRunRequest request) {
        request.settings.Port = sink.port();
        run = CreateSendRunThread(std::move(request));
        return run.data();
    };
    QElapsedTimer timer;
    timer.start();
    TSendWorkflow(seams).EmpfFNewsExecute(1);
    const double setUp = double(timer.nsecsElapsed()) / 1e9;
    while (run)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    const int mails = recipients - recipients / 10;
    auto* window = qobject_cast<TUserSP*>(slotTable.slot(0).Form.data());
    std::printf("newsletter from the sample with pictures to %d recipients: workflow %.3f s, all sent after %.2f s, "
                "%.0f mails/s; result \"%s\"; peak memory %ld KiB\n",
                mails, setUp, seconds, mails / seconds,
                window ? qPrintable(window->Label1->text().replace(u'\n', u' ')) : "-", peakMemoryKiB());
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    MessageBoxRecorder boxes; // a box would stop the run; none is expected
    gatherAndSetUp(100'000);
    sendThroughTheWorkflow(1'111); // 1,000 of them have Send set
    if (!boxes.texts().isEmpty())
        std::printf("boxes: %s\n", qPrintable(boxes.texts().join(QStringLiteral(" / "))));
    return 0;
}
