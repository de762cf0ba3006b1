#include "mail/MGS.h"

#include "mail/SendRunFakes.h"
#include "mailing/StatusWindowReporter.h"
#include "mailing/UserSpass.h"
#include "support/FileSizeLimit.h"
#include "support/TestWait.h"

#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <semaphore>

namespace {

// Holds every mail at the server until the test lets it through.
struct Gate {
    std::counting_semaphore<> reached{0};
    std::counting_semaphore<> passed{0};
};

class GatedTransport : public FakeTransport {
public:
    explicit GatedTransport(std::shared_ptr<Gate> gate) : m_gate(std::move(gate)) { announcesAuth = false; }

protected:
    SmtpResult answer(const QString& call) override
    {
        if (call.startsWith(QStringLiteral("send "))) {
            m_gate->reached.release();
            m_gate->passed.acquire();
        }
        return FakeTransport::answer(call);
    }

private:
    std::shared_ptr<Gate> m_gate;
};

const QStringList kRecipients{QStringLiteral("a@example.com"), QStringLiteral("b@example.com"),
                              QStringLiteral("c@example.com")};

// Starts a run of three mails reporting to window (may be null); it frees itself.
QPointer<TMGS> startRun(const QString& logPath, TUserSP* window, std::shared_ptr<Gate> gate)
{
    SendRunSettings settings;
    settings.Host = QStringLiteral("smtp.example.org");
    settings.ProgressMax = int(kRecipients.size());
    settings.LogFileName = logPath;
    auto* run = new TMGS(settings, std::make_unique<GatedTransport>(std::move(gate)),
                         std::make_unique<FakeSource>(kRecipients), std::make_unique<StatusWindowReporter>(window));
    run->start();
    return run;
}

// Keeps the main thread's events flowing until the run has freed itself; the bound only keeps
// a broken run from hanging the test.
bool waitUntilGone(const QPointer<TMGS>& run)
{
    const bool gone = waitUntil([&run] { return run.isNull(); }, std::chrono::seconds(30));
    QCoreApplication::processEvents();
    return gone;
}

} // namespace

// A status window in send mode, a log and a gate per test.
class SendThread : public ::testing::Test {
protected:
    SendThread()
    {
        window->Mode = 1;
        window->setTitle(QStringLiteral("Senden Newsletter"));
        window->show();
    }
    ~SendThread() override { delete window; }

    QPointer<TMGS> start() { return startRun(log, window, gate); }

    QByteArray logText() const
    {
        QFile file(log);
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }

    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("News_08122026_1.log"));
    std::shared_ptr<Gate> gate = std::make_shared<Gate>();
    QPointer<TUserSP> window = new TUserSP;
};

TEST_F(SendThread, ReportsProgressAndResultToItsWindowAndFreesItself)
{
    gate->passed.release(3);
    const QPointer<TMGS> run = start();
    ASSERT_TRUE(waitUntilGone(run));
    EXPECT_EQ(window->Label1->text(), QStringLiteral("Übertragung abgeschlossen."));
    EXPECT_EQ(window->FlatSB1->text(), QStringLiteral("OK"));
    EXPECT_EQ(window->FPB1->maximum(), 3);
    EXPECT_EQ(window->FPB1->value(), 3);
    EXPECT_TRUE(window->Label3->text().isEmpty());
    EXPECT_TRUE(logText().endsWith("Trennen vom MailServer ... erfolgreich.\r\n"));
}

TEST_F(SendThread, CancelButtonStopsTheRunAtItsNextCheck)
{
    const QPointer<TMGS> run = start();
    gate->reached.acquire();
    window->FlatSB1->click();
    EXPECT_EQ(window->FlatSB1->text(), QStringLiteral("Abbrechen"));
    gate->passed.release(3);
    ASSERT_TRUE(waitUntilGone(run));
    EXPECT_EQ(window->Label1->text(), QStringLiteral("Abbruch durch Benutzer"));
    const QByteArray text = logText();
    EXPECT_EQ(text.count("Versenden der Nachricht"), 1);
    EXPECT_TRUE(text.endsWith("\r\n\r\nAbbruch durch Benutzer.\r\n"));
}

TEST_F(SendThread, ClosedAndFreedWindowIsNeverTouchedAndTheRunGoesOn)
{
    const QPointer<TMGS> run = start();
    gate->reached.acquire();
    window->close();
    gate->passed.release(1);
    gate->reached.acquire();
    // Updates for the closed window may already wait in the queue when it is freed.
    delete window;
    gate->passed.release(2);
    ASSERT_TRUE(waitUntilGone(run));
    const QByteArray text = logText();
    EXPECT_EQ(text.count("fertig."), 3);
    EXPECT_TRUE(text.endsWith("Trennen vom MailServer ... erfolgreich.\r\n"));
}

TEST_F(SendThread, ClosedWindowKeepsItsWaitingState)
{
    const QPointer<TMGS> run = start();
    gate->reached.acquire();
    window->close();
    gate->passed.release(3);
    ASSERT_TRUE(waitUntilGone(run));
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->Label1->text(), QStringLiteral("Bitte warten ..."));
    EXPECT_EQ(window->FlatSB1->text(), QStringLiteral("Abbrechen"));
}

// Reports are shown by the window's own timer, so the state of a run that waits is on screen.
TEST_F(SendThread, WindowShowsTheLatestStateWhileTheRunWaits)
{
    const QPointer<TMGS> run = start();
    gate->reached.acquire();
    // Not ASSERT: the run waits at the gate below and must be let go either way.
    EXPECT_TRUE(waitUntil([this] { return window->Label3->text() == QStringLiteral("Senden an a@example.com"); },
                          std::chrono::seconds(30)))
        << testing::PrintToString(window->Label3->text());
    EXPECT_EQ(window->FPB1->maximum(), 3);
    EXPECT_EQ(window->FPB1->value(), 0);
    gate->passed.release(3);
    ASSERT_TRUE(waitUntilGone(run));
    EXPECT_EQ(window->FPB1->value(), 3);
}

// A log that fills up under the run: the window says how many mails went out and names the one
// whose line the log could not take, so the run can be resumed without sending it twice.
TEST_F(SendThread, WindowNamesTheMailAFullLogMisses)
{
    const QByteArray header = "Sendeprotokoll vom 08.12.2026 10:11:12\r\n\r\n\r\n"; // any date has this length
    // The log is Windows-1252: "ü" is one byte.
    const QByteArray connected = "Verbindungsaufbau zum Mailserver \"smtp.example.org\" ... erfolgreich.\r\n"
                                 "    Verbindung nicht verschl\xfcsselt.\r\n";
    const QByteArray entry = "  Versenden der Nachricht an \"x@example.com\" ... ";
    const QByteArray sentLine = entry + "fertig.\r\n";
    gate->passed.release(3);
    {
        // Room for the third mail's entry, not for its "fertig.".
        const FileSizeLimit limit(rlim_t(header.size() + connected.size() + 2 * sentLine.size() + entry.size()));
        const QPointer<TMGS> run = start();
        ASSERT_TRUE(waitUntilGone(run));
    }
    EXPECT_EQ(window->Label1->text(), QStringLiteral("Sendeprotokoll konnte nicht\nvollständig geschrieben werden."));
    EXPECT_EQ(window->DetailLabel->text(), QString::fromLocal8Bit(strerror(EFBIG)));
    ASSERT_TRUE(window->MailsSentLabel->isVisible());
    EXPECT_EQ(window->MailsSentLabel->text(), QStringLiteral("3 Mail(s) versendet, davon nicht im Sendeprotokoll:"));
    ASSERT_TRUE(window->UnloggedList->isVisible());
    EXPECT_EQ(window->UnloggedList->toPlainText(), QStringLiteral("c@example.com"));
    EXPECT_EQ(window->FlatSB1->text(), QStringLiteral("OK"));
    EXPECT_TRUE(logText().endsWith("  Versenden der Nachricht an \"b@example.com\" ... fertig.\r\n"));
}
