// Builds the mails of a benchmark profile (../shared/peers/gen_profile.py: text and HTML with
// placeholders, three inline pictures) and serialises each one into the bytes of its DATA phase
// as a send run does: the transport's header lines, then the body through the SMTP stuffer.
// Nothing is sent; the bytes are counted and dropped.
//
// Usage: bench_generator PROFILE_DIR [-n MAILS]
// Prints mails per second over all mails and over the first thousand (the cost per mail must
// stay flat), megabytes per second, the time of Prepare and the peak memory of the process.
#include "mail/HeaderEncoding.h"
#include "mail/MailDateClock.h"
#include "mail/MessageGenerator.h"
#include "mail/SmtpDataStuffer.h"
#include "mail/SmtpMailTransport.h"
#include "platform/TextCodec.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <sys/resource.h>

namespace {

QString readText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        return {};
    }
    return TextCodec::decodeFileText(file.readAll());
}

QStringList linesOf(const QString& text)
{
    QStringList lines = QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// The "TO" list of the profile: the address, then the field values, "|"-separated. The
// address is the Email value again.
TRecipientList recipientsOf(const QString& text, int limit)
{
    TRecipientList recipients;
    const QStringList lines = linesOf(text);
    for (qsizetype i = 1; i < lines.size() && recipients.count() < limit; ++i) {
        const QStringList fields = lines[i].split(QLatin1Char('|'));
        TRecipientEntry entry;
        for (int f = 0; f < kRecipientFieldCount; ++f)
            entry.Values[static_cast<size_t>(f)] = fields.value(f + 1);
        recipients.append(entry);
    }
    return recipients;
}

TSenderMailData senderOf(const QJsonObject& profile)
{
    TSenderMailData sender;
    const QJsonObject values = profile.value(QLatin1String("sender")).toObject();
    const auto& names = TSenderMailData::PlaceholderNames();
    for (int i = 0; i < kSenderFieldCount; ++i)
        sender.setText(static_cast<SenderField>(i), values.value(names[static_cast<size_t>(i)]).toString());
    return sender;
}

// The DATA bytes of one mail, as the SMTP transport and session write them.
void serialise(const TMailMessage& msg, MailDateClock& clock, TUniqueIdSource& ids, QByteArray& data)
{
    data.truncate(0);
    data += "From: " + msg.From.toLatin1() + "\r\nTo: " + msg.Recipient.toLatin1() +
            "\r\nSubject: " + EncodeHeaderText(msg.Subject) + "\r\nDate: " + Rfc5322Date(clock.now()) +
            "\r\nMessage-ID: <" + ids.NewUniqueId().toLatin1() + ">\r\n";
    for (const QByteArray& line : msg.HeaderLines)
        data += line + "\r\n";
    data += "\r\n";
    SmtpDataStuffer stuffer;
    SmtpWire wire;
    wire.tail() = std::move(data);
    stuffer.appendBody(msg, wire);
    stuffer.finish(wire.tail());
    data = wire.joined();
}

long peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: bench_generator PROFILE_DIR [-n MAILS]\n");
        return 2;
    }
    const QDir dir(args[1]);
    const qsizetype n = args.indexOf(QLatin1String("-n"));
    const int limit = n > 0 && n + 1 < args.size() ? args[n + 1].toInt() : std::numeric_limits<int>::max();

    QFile manifest(dir.filePath(QStringLiteral("profile.json")));
    if (!manifest.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "no profile.json in %s\n", qPrintable(dir.path()));
        return 2;
    }
    const QJsonObject profile = QJsonDocument::fromJson(manifest.readAll()).object();
    const auto file = [&](const char* key) { return dir.filePath(profile.value(QLatin1String(key)).toString()); };
    const TRecipientList recipients = recipientsOf(readText(file("recipients_to")), limit);

    QElapsedTimer timer;
    timer.start();
    TMessageGenerator generator;
    generator.SetText(linesOf(readText(file("text"))));
    generator.LoadHtmlFile(file("html"));
    generator.SetSenderData(senderOf(profile));
    generator.SetUserData(recipients);
    if (!generator.Prepare()) {
        std::fprintf(stderr, "%s\n", qPrintable(generator.ErrorText()));
        return 1;
    }
    const double prepareMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;

    MailDateClock clock;
    TSystemUniqueIdSource ids;
    TMailMessage msg;
    QByteArray data;
    qint64 bytes = 0;
    int mails = 0;
    double firstThousand = 0;
    timer.restart();
    while (!generator.Done()) {
        if (!generator.BuildNext(msg)) {
            std::fprintf(stderr, "%s\n", qPrintable(generator.ErrorText()));
            return 1;
        }
        serialise(msg, clock, ids, data);
        bytes += data.size();
        if (++mails == 1000)
            firstThousand = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    }
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    std::printf("images: %lld, prepare: %.1f ms\n", static_cast<long long>(generator.Images().size()), prepareMs);
    std::printf("mails: %d in %.3f s: %.0f mails/s, %.1f MB/s (%.1f KB per mail)\n", mails, seconds, mails / seconds,
                static_cast<double>(bytes) / 1e6 / seconds, static_cast<double>(bytes) / 1024.0 / mails);
    if (firstThousand > 0)
        std::printf("first 1000 mails: %.0f mails/s\n", 1000 / firstThousand);
    std::printf("peak memory: %ld MB\n", peakMegabytes());
    return 0;
}
