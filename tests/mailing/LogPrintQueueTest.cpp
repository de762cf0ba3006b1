#include "mailing/LogPrinting.h"
#include "mailing/PdfCompleteness.h"
#include "mailing/PrintQueues.h"

#include "CupsTestServer.h"
#include "platform/MessageBoxes.h"

#include <cups/cups.h>

#include <QPrinterInfo>
#include <QTextDocument>

#include <gtest/gtest.h>

namespace {

const QString kRefused = QStringLiteral("Druck abgebrochen. Fehler-Nr. -11 : Kann Drucker-Device nicht öffnen.  Druck");
const QString kQueue = QStringLiteral("Testdrucker");

LogPrintSeams printerSeams(const QString& queue)
{
    LogPrintSeams seams;
    seams.chooseOptions = [queue](const QString&, QWidget*) {
        return LogPrintChoice{true, LogPrintDestination::Printer, queue, {}};
    };
    seams.today = [] { return QDate(2026, 12, 8); };
    return seams;
}

QTextDocument* shortLog(QObject* parent)
{
    auto* document = new QTextDocument(parent);
    document->setPlainText(QStringLiteral("Zeile 1\nZeile 2\n"));
    return document;
}

// A print system whose answers the test sets; it takes jobs unless told not to.
struct FakeQueues : IPrintQueues {
    PrintQueueState answer{true, true, false};
    int jobs = 0;
    bool jobsArrive = true;
    QString title;
    bool completeFile = false;
    PrintQueueState state(const QString&) override { return answer; }
    int submit(const QString&, const QString& pdfFile, const QString& jobTitle) override
    {
        title = jobTitle;
        completeFile = IsCompletePdf(pdfFile);
        return jobsArrive ? ++jobs : 0;
    }
};

TEST(LogPrintQueue, AQueueThatRefusesJobsOrIsUnknownIsNotPrintedOn)
{
    const struct {
        const char* name;
        PrintQueueState state;
        QString box;
    } cases[] = {
        {"refuses jobs", {true, false, false}, kRefused},
        {"refuses jobs while paused", {true, false, true}, kRefused},
        {"unknown", {false, false, false},
         QStringLiteral("Druck abgebrochen. Fehler-Nr. -15 : Kein Drucker verfügbar.  Druck")},
    };
    QObject owner;
    for (const auto& c : cases) {
        MessageBoxRecorder boxes;
        FakeQueues queues;
        queues.answer = c.state;
        LogPrintSeams seams = printerSeams(kQueue);
        seams.printQueues = &queues;
        EXPECT_NE(PrintLog(QStringLiteral("T"), *shortLog(&owner), nullptr, seams), kReportDone) << c.name;
        EXPECT_EQ(boxes.texts(), QStringList{c.box}) << c.name;
        // Refused before anything was handed to the queue.
        EXPECT_EQ(queues.jobs, 0) << c.name;
    }
}

// The real print system, in a scheduler of the test's own.
class RealQueue : public ::testing::Test {
protected:
    explicit RealQueue(CupsTestServer::JobHistory history = CupsTestServer::JobHistory::Kept) : server(history) {}

    void SetUp() override
    {
        if (!server.running())
            GTEST_SKIP() << "no CUPS scheduler for the test: " << server.error().toStdString();
        ASSERT_TRUE(server.addQueue(kQueue));
        ASSERT_TRUE(QPrinterInfo::availablePrinterNames().contains(kQueue));
    }

    int print(LogPrintSeams seams) { return PrintLog(QStringLiteral("News 08.12.2026 #1"), *shortLog(&owner), nullptr, seams); }
    // The jobs the queue knows, finished ones included.
    static int jobCount()
    {
        cups_job_t* jobs = nullptr;
        const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, kQueue.toUtf8().constData(), 0, CUPS_WHICHJOBS_ALL);
        cupsFreeJobs(count, jobs);
        return count;
    }

    CupsTestServer server;
    MessageBoxRecorder boxes;
    QObject owner;
};

TEST_F(RealQueue, AQueueThatTakesJobsGetsTheJob)
{
    const int before = jobCount();
    EXPECT_EQ(print(printerSeams(kQueue)), kReportDone);
    EXPECT_TRUE(boxes.boxes().isEmpty()) << boxes.texts().join(u'\n').toStdString();
    EXPECT_GT(jobCount(), before);
}

TEST_F(RealQueue, AQueueThatRejectsJobsShowsTheFailureBox)
{
    ASSERT_TRUE(server.run(QStringLiteral("/usr/sbin/cupsreject"), {kQueue}));
    const PrintQueueState state = SystemPrintQueues().state(kQueue);
    EXPECT_TRUE(state.known);
    EXPECT_FALSE(state.accepting);
    const int before = jobCount();
    EXPECT_EQ(print(printerSeams(kQueue)), -11);
    EXPECT_EQ(boxes.texts(), QStringList{kRefused});
    EXPECT_EQ(jobCount(), before);
}

TEST_F(RealQueue, APausedQueueKeepsTheJobAndTheUserIsTold)
{
    ASSERT_TRUE(server.run(QStringLiteral("/usr/sbin/cupsdisable"), {kQueue}));
    EXPECT_TRUE(SystemPrintQueues().state(kQueue).paused);
    const int before = jobCount();
    EXPECT_EQ(print(printerSeams(kQueue)), kReportDone);
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes()[0].icon, MsgIcon::Information);
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Der Drucker \"Testdrucker\" ist angehalten.\r\n\r\nDer "
                                                        "Druckauftrag wartet, bis der Drucker fortgesetzt wird.")});
    EXPECT_GT(jobCount(), before);
}

// A server that forgets a job once it is printed, which a fast queue does before it is asked.
class RealQueueWithoutHistory : public RealQueue {
protected:
    RealQueueWithoutHistory() : RealQueue(CupsTestServer::JobHistory::Dropped) {}
};

TEST_F(RealQueueWithoutHistory, AJobPrintedAndForgottenIsASuccess)
{
    for (int job = 0; job < 3; ++job) {
        EXPECT_EQ(print(printerSeams(kQueue)), kReportDone) << job;
        EXPECT_TRUE(boxes.boxes().isEmpty()) << boxes.texts().join(u'\n').toStdString();
    }
}

TEST_F(RealQueue, TheQueueGetsTheWholeLogUnderItsTitle)
{
    FakeQueues queues;
    LogPrintSeams seams = printerSeams(kQueue);
    seams.printQueues = &queues;
    EXPECT_EQ(print(seams), kReportDone);
    EXPECT_EQ(queues.jobs, 1);
    EXPECT_EQ(queues.title, QStringLiteral("News 08.12.2026 #1"));
    EXPECT_TRUE(queues.completeFile);
}

TEST_F(RealQueue, AJobThatNeverArrivesIsNoSuccess)
{
    FakeQueues queues;
    queues.jobsArrive = false;
    LogPrintSeams seams = printerSeams(kQueue);
    seams.printQueues = &queues;
    EXPECT_EQ(print(seams), -11);
    EXPECT_EQ(boxes.texts(), QStringList{kRefused});
}

} // namespace
