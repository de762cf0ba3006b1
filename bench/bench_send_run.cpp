// Sends 10,000 small mails through one send run (thread, log, reporter, SMTP transport) to an
// accept-everything sink on loopback, with n = 0 and n = 100 mails per connection; prints mails
// per second and the peak memory of the process.
#include "LoopbackSmtpSink.h"
#include "mailing/MGS.h"
#include "mailing/SmtpMailTransport.h"
#include "mailing/StatusWindowReporter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPointer>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int kMails = 10'000;

// The same small text mail for every reader; only the address changes.
class SmallMails : public IMailSource
{
public:
    SmallMails()
    {
        m_mail.From = QStringLiteral("news@example.org");
        m_mail.Subject = QStringLiteral("Neuigkeiten im Dezember");
        m_mail.HeaderLines = {"MIME-Version: 1.0", "content-type: text/plain; charset=iso-8859-1",
                              "content-transfer-encoding: quoted-printable"};
        QByteArray body;
        for (int line = 0; line < 10; ++line)
            body += "Sehr geehrte Leserin, sehr geehrter Leser, hier stehen die Neuigkeiten.\r\n";
        m_mail.Body = {body};
    }
    bool prepare() override { return true; }
    bool buildNext() override
    {
        m_mail.Recipient = QStringLiteral("leser%1@example.com").arg(++m_built);
        return true;
    }
    bool done() const override { return m_built >= kMails; }
    QString errorText() const override { return {}; }
    const TMailMessage& message() const override { return m_mail; }
    QStringList remainingRecipients() const override { return {}; }

private:
    TMailMessage m_mail;
    int m_built = 0;
};

void runWithReconnectsEvery(int n)
{
    LoopbackSmtpSink sink;
    QTemporaryDir dir;
    SendRunSettings settings;
    settings.Host = QStringLiteral("127.0.0.1");
    settings.Port = sink.port();
    settings.MailsPerConnection = n;
    settings.ProgressMax = kMails;
    settings.LogFileName = dir.filePath(QStringLiteral("News_08122026_1.log"));
    settings.FallbackLogFileName = dir.filePath(QStringLiteral("newsletter.log"));
    SmtpSessionOptions options;
    options.localHostName = QStringLiteral("bench.example.org");
    options.transcriptPath.clear();

    QElapsedTimer timer;
    timer.start();
    const QPointer<TMGS> run =
        new TMGS(settings, std::make_unique<SmtpMailTransport>(options), std::make_unique<SmallMails>(),
                 std::make_unique<StatusWindowReporter>(nullptr));
    run->start();
    // The main thread keeps taking the run's reports, as the program's event loop does.
    while (run)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    std::printf(
        "n = %3d: %d mails in %.2f s, %.0f mails/s, %d connections, log %lld bytes, peak memory %ld KiB\n", n,
        kMails, seconds, kMails / seconds, sink.connections(), QFileInfo(settings.LogFileName).size(),
        peakMemoryKiB());
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    runWithReconnectsEvery(0);
    runWithReconnectsEvery(100);
    return 0;
}
