// Builds and sends the mails of a benchmark profile (../shared/peers/gen_profile.py: HTML with
// placeholders, a text version, three pictures) end to end through a whole send run to an SMTP
// sink; the peer is py_smtp_peer.py --inline. bench/send_ratios.sh runs it:
//   bench_send_profile --profile DIR --port P [-n N]
// The profile is read before the clock starts; the run's Prepare, every mail's build and its
// sending are timed.
#include "SendBenchRun.h"
#include "mail/GeneratorMailSource.h"
#include "platform/TextCodec.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The recipients of recipients.to.txt ("TO" list: the address, then the field values, whose
// Email is the address again), the first count of them, repeated when the profile has fewer.
TRecipientList readRecipients(const QString& path, int count)
{
    QStringList lines = TextCodec::decodeFileText(readFile(path)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    if (!lines.isEmpty())
        lines.removeFirst(); // the header line
    TRecipientList list;
    for (int i = 0; i < count && !lines.isEmpty(); ++i) {
        const QStringList fields = lines[i % lines.size()].split(u'|');
        TRecipientEntry entry;
        for (int field = 0; field < kRecipientFieldCount; ++field)
            entry.Values[size_t(field)] = fields.value(field + 1);
        list.append(entry);
    }
    return list;
}

TSenderMailData readSender(const QJsonObject& profile)
{
    const QJsonObject fields = profile[QStringLiteral("sender")].toObject();
    TSenderMailData sender;
    const auto& names = TSenderMailData::PlaceholderNames();
    for (int field = 0; field < kSenderFieldCount; ++field)
        sender.setText(SenderField(field), fields[names[size_t(field)]].toString());
    return sender;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const SendBenchArguments arguments = SendBenchArguments::parse(QCoreApplication::arguments());
    if (arguments.port == 0 || arguments.profile.isEmpty()) {
        std::fprintf(stderr, "usage: bench_send_profile --profile DIR --port P [-n N]\n");
        return 2;
    }
    const QDir dir(arguments.profile);
    const QJsonObject profile =
        QJsonDocument::fromJson(readFile(dir.filePath(QStringLiteral("profile.json")))).object();
    auto generator = std::make_unique<TMessageGenerator>();
    generator->SetText(TextCodec::decodeFileText(readFile(dir.filePath(profile[QStringLiteral("text")].toString())))
                           .split(QStringLiteral("\r\n")));
    generator->LoadHtmlFile(dir.filePath(profile[QStringLiteral("html")].toString()));
    generator->SetSenderData(readSender(profile));
    const TRecipientList recipients =
        readRecipients(dir.filePath(profile[QStringLiteral("recipients_to")].toString()), arguments.mails);
    generator->SetUserData(recipients);
    RunSendBench("bench_send_profile end to end", arguments.port, int(recipients.count()), arguments.reconnectEvery,
                 std::make_unique<GeneratorMailSource>(std::move(generator)));
    return 0;
}
