#include "CupsTestServer.h"
#include "desktop/MessageBoxes.h"
#include "mailing/LogPrinting.h"
#include "mailing/PrintQueues.h"

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

// A print system whose answers the test sets; its job numbers grow only when told.
struct FakeQueues : IPrintQueues {
    PrintQueueState answer{true, true, false};
    int jobs = 0;
    bool jobsArrive = true;
    PrintQueueState state(const QString&) override { return answer; }
    int lastJob(const QString&) override { return jobsArrive ? jobs++ : jobs; }
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
        {"unknown",
         {false, false, false},
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
    void SetUp() override
    {
        if (!server.running())
            GTEST_SKIP() << "no CUPS scheduler for the test: " << server.error().toStdString();
        ASSERT_TRUE(server.addQueue(kQueue));
        ASSERT_TRUE(QPrinterInfo::availablePrinterNames().contains(kQueue));
    }

    int print(LogPrintSeams seams)
    {
        return PrintLog(QStringLiteral("News 08.12.2026 #1"), *shortLog(&owner), nullptr, seams);
    }
    int lastJob() { return SystemPrintQueues().lastJob(kQueue); }

    CupsTestServer server;
    MessageBoxRecorder boxes;
    QObject owner;
};

TEST_F(RealQueue, AQueueThatTakesJobsGetsTheJob)
{
    const int before = lastJob();
    EXPECT_EQ(print(printerSeams(kQueue)), kReportDone);
    EXPECT_TRUE(boxes.boxes().isEmpty()) << boxes.texts().join(u'\n').toStdString();
    EXPECT_GT(lastJob(), before);
}

TEST_F(RealQueue, AQueueThatRejectsJobsShowsTheFailureBox)
{
    ASSERT_TRUE(server.run(QStringLiteral("/usr/sbin/cupsreject"), {kQueue}));
    const PrintQueueState state = SystemPrintQueues().state(kQueue);
    EXPECT_TRUE(state.known);
    EXPECT_FALSE(state.accepting);
    const int before = lastJob();
    EXPECT_EQ(print(printerSeams(kQueue)), -11);
    EXPECT_EQ(boxes.texts(), QStringList{kRefused});
    EXPECT_EQ(lastJob(), before);
}

TEST_F(RealQueue, APausedQueueKeepsTheJobAndTheUserIsTold)
{
    ASSERT_TRUE(server.run(QStringLiteral("/usr/sbin/cupsdisable"), {kQueue}));
    EXPECT_TRUE(SystemPrintQueues().state(kQueue).paused);
    const int before = lastJob();
    EXPECT_EQ(print(printerSeams(kQueue)), kReportDone);
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes()[0].icon, MsgIcon::Information);
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Der Drucker \"Testdrucker\" ist angehalten.\r\n\r\nDer "
                                                        "Druckauftrag wartet, bis der Drucker fortgesetzt wird.")});
    EXPECT_GT(lastJob(), before);
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
