// Sends small mails (about 1.5 KB, like the peer's) through whole send runs (thread, log,
// reporter, SMTP transport) to an SMTP sink, with one connection and with a reconnect every 100
// mails. bench/send_ratios.sh runs it against ../shared/peers/sink beside py_smtp_peer.py:
//   bench_send_run --port P [-n N] [--reconnect-every K]
// Without --port it starts its own loopback sink and runs both cases.
#include "LoopbackSmtpSink.h"
#include "SendBenchRun.h"

#include <QCoreApplication>

namespace {

// The same small quoted-printable text mail for every reader; only the address changes.
class SmallMails : public IMailSource {
public:
    explicit SmallMails(int count) : m_count(count)
    {
        m_mail.From = QStringLiteral("newsletter@schaefer-werkzeugbau.example");
        m_mail.Subject = QStringLiteral("Newsletter März");
        m_mail.HeaderLines = {"MIME-Version: 1.0", "content-type: text/plain; charset=iso-8859-1",
                              "content-transfer-encoding: quoted-printable"};
        QByteArray body;
        while (body.size() < 1200)
            body += "Sehr geehrte Damen und Herren, wir freuen uns, Ihnen die neueste Ausgabe unseres N=\r\n"
                    "ewsletters zu schicken. Gr=FC=DFe aus M=FCnster!\r\n";
        m_mail.Body = {body};
    }
    bool prepare() override { return true; }
    bool buildNext() override
    {
        m_mail.Recipient = QStringLiteral("empfaenger%1@kunde.example").arg(++m_built, 6, 10, QLatin1Char('0'));
        return true;
    }
    bool done() const override { return m_built >= m_count; }
    QString errorText() const override { return {}; }
    const TMailMessage& message() const override { return m_mail; }
    QStringList remainingRecipients() const override { return {}; }

private:
    TMailMessage m_mail;
    int m_count;
    int m_built = 0;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const SendBenchArguments arguments = SendBenchArguments::parse(QCoreApplication::arguments());
    if (arguments.port != 0) {
        RunSendBench("bench_send_run small", arguments.port, arguments.mails, arguments.reconnectEvery,
                     std::make_unique<SmallMails>(arguments.mails));
        return 0;
    }
    for (const int n : {0, 100}) {
        LoopbackSmtpSink sink;
        RunSendBench("bench_send_run small (own sink)", sink.port(), arguments.mails, n,
                     std::make_unique<SmallMails>(arguments.mails));
    }
    return 0;
}
