// One newsletter to 100,000 recipients through the whole send workflow: gathering the sender's
// recipients, the recipient check dialog, the message generator and the send run, to an SMTP
// sink. Prints when each step was reached and the peak resident memory meanwhile, with the
// recipient list already open as the recipient screen holds it.
//
// Usage: bench_send_workflow [--port P] [-n N] [--profile DIR]
//   --port     an SMTP sink on 127.0.0.1 (the C sink of ../shared/peers); none: one in-process
//   -n         how many recipients, all of them with Send set
//   --profile  a profile of ../shared/peers/gen_profile.py, whose newsletter.html is sent
//              (default: the sample template with pictures)
#include "LoopbackSmtpSink.h"
#include "SendBenchRun.h"
#include "core/DatabaseSchema.h"
#include "core/SendSlotTable.h"
#include "core/StartForm.h"
#include "mailing/NewsCheckForm.h"
#include "mailing/SendWorkflow.h"
#include "mailing/SendWorkflowDialogs.h"
#include "mailing/UserSpass.h"
#include "platform/AppPaths.h"
#include "platform/DbConnection.h"
#include "platform/DbQuery.h"
#include "platform/MessageBoxes.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <memory>

namespace {

struct BenchDatabase {
    explicit BenchDatabase(int recipients)
    {
        qputenv("KUBNEWS_HOME", dir.path().toUtf8());
        qputenv("KUBNEWS_REGISTRY", dir.filePath(QStringLiteral("registry.reg")).toUtf8());
        QFile registry(dir.filePath(QStringLiteral("registry.reg")));
        registry.open(QIODevice::WriteOnly);
        registry.write("Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\KUB\\News]\n"
                       "\"DFUE\"=dword:00000000\n\"MAO\"=dword:00000000\n\n"
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
                           "0, 1, 'Firma ' || (i % 5000) || ' GmbH', 'Jürgen', 'Sehr geehrter Herr' FROM n"),
            {recipients, recipients});
    }
    QString folder() const { return dir.path() + QStringLiteral("/Datenbank"); }

    QTemporaryDir dir;
    DbConnection connection{QStringLiteral("AdsConnection1"), newsDatabaseSchema()};
};

// The peak resident memory since the last reset, from the kernel's high-water mark.
long residentPeakKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return peakMemoryKiB();
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return peakMemoryKiB();
}

// Starts the high-water mark afresh at what the process holds now.
void resetResidentPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

// The template, a subject and "Senden"; the check dialog is shown and painted once, then taken
// as it is. Records when gathering ended and when the dialog stood.
class AnsweringDialogs : public ISendWorkflowDialogs {
public:
    AnsweringDialogs(QString fileName, const QElapsedTimer& clock)
        : m_fileName(std::move(fileName)),
          m_clock(clock)
    {
    }
    bool chooseTemplate(QStringList&, bool&, QString& fileName) override
    {
        fileName = m_fileName;
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
        gathered = seconds();
        TNewsCheckForm form;
        form.Setup(recipients, company, email, subject, fileName, progress);
        form.show();
        QCoreApplication::processEvents();
        form.ApplyUnchecked(recipients);
        checked = seconds();
        return true;
    }
    double gathered = 0;
    double checked = 0;

private:
    double seconds() const { return double(m_clock.nsecsElapsed()) / 1e9; }
    QString m_fileName;
    const QElapsedTimer& m_clock;
};

StatusWindowFactory statusWindows()
{
    return {[] { return new TUserSP; },
            [](const QWidget* window) { return static_cast<const TUserSP*>(window)->Closed; }};
}

QString templateOf(const SendBenchArguments& arguments)
{
    return arguments.profile.isEmpty() ? AppPaths::assetPath(QStringLiteral("Templates/Beispiele/Monatsbrief.html"))
                                       : QDir(arguments.profile).filePath(QStringLiteral("newsletter.html"));
}

void sendThroughTheWorkflow(const SendBenchArguments& options)
{
    BenchDatabase db(options.mails);
    std::unique_ptr<LoopbackSmtpSink> ownSink;
    if (options.port == 0)
        ownSink = std::make_unique<LoopbackSmtpSink>();
    const quint16 port = options.port != 0 ? options.port : ownSink->port();

    // What the recipient screen holds while the user starts the newsletter.
    DbQuery shownList(db.connection, QStringLiteral("EmpfQuery"));
    shownList.setSql({QStringLiteral("SELECT * FROM Adressen"), QStringLiteral("WHERE AbsenderID = :ID"),
                      QStringLiteral("ORDER BY Name")});
    shownList.param(0).setAsInteger(1);
    shownList.open();

    TSendSlotTable slotTable(statusWindows());
    QElapsedTimer clock;
    AnsweringDialogs dialogs(templateOf(options), clock);
    QPointer<QThread> run;
    TSendWorkflowSeams seams;
    seams.sendSlots = &slotTable;
    seams.database = &db.connection;
    seams.dialogs = &dialogs;
    seams.createRun = [port, &run](SendRunRequest request) {
        request.settings.Port = port;
        run = CreateSendRunThread(std::move(request));
        return run.data();
    };

    resetResidentPeak();
    const long before = residentPeakKiB();
    clock.start();
    TSendWorkflow(seams).EmpfFNewsExecute(1);
    const double started = double(clock.nsecsElapsed()) / 1e9;
    while (run)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    const double sent = double(clock.nsecsElapsed()) / 1e9;
    auto* window = qobject_cast<TUserSP*>(slotTable.slot(0).Form.data());
    std::printf("mails=%d gathered_s=%.3f checked_s=%.3f started_s=%.3f sent_s=%.2f mails_per_s=%.0f "
                "peak_MiB=%.1f held_before_MiB=%.1f result=\"%s\"\n",
                options.mails, dialogs.gathered, dialogs.checked, started, sent, options.mails / sent,
                double(residentPeakKiB()) / 1024.0, double(before) / 1024.0,
                window ? qPrintable(window->Label1->text().replace(u'\n', u' ')) : "-");
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    MessageBoxRecorder boxes; // a box would stop the run; none is expected
    sendThroughTheWorkflow(SendBenchArguments::parse(QCoreApplication::arguments()));
    if (!boxes.texts().isEmpty())
        std::printf("boxes: %s\n", qPrintable(boxes.texts().join(QStringLiteral(" / "))));
    return 0;
}
