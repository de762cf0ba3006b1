// Builds 10,000 mails with text and HTML alternatives and three inline pictures, and writes
// each one dot-stuffed, as the SMTP session sends it, into a sink that only counts bytes.
// Prints mails per second, megabytes per second and the peak memory of the process.
#include "mail/HeaderEncoding.h"
#include "mail/MessageGenerator.h"

#include <QByteArrayList>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QStringBuilder>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>

namespace {

constexpr int kMails = 10000;

// Counts what the session would write: header lines, then the body with a "." doubled at the
// start of every line.
qsizetype sendDotStuffed(const TMailMessage& msg)
{
    qsizetype bytes = EncodeHeaderText(msg.Subject).size() + msg.From.size() + msg.Recipient.size() + 64;
    for (const QByteArray& line : msg.HeaderLines)
        bytes += line.size() + 2;
    bool lineStart = true;
    for (const QByteArray& chunk : msg.Body) {
        for (qsizetype at = 0; at < chunk.size();) {
            if (lineStart && chunk[at] == '.')
                ++bytes;
            const qsizetype end = chunk.indexOf('\n', at);
            const qsizetype next = end < 0 ? chunk.size() : end + 1;
            bytes += next - at;
            lineStart = end >= 0;
            at = next;
        }
    }
    return bytes + 5; // CR LF . CR LF
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

QString htmlTemplate()
{
    QString html = QStringLiteral("<html><body background=\"bg.gif\">\n<img src=\"kopf.png\"><img src=\"fuss.jpg\">\n");
    const QStringList tokens = {QStringLiteral("<#EAnrede>"), QStringLiteral("<#EName>"), QStringLiteral("<#EVorname>"),
                                QStringLiteral("<#EOrt>"), QStringLiteral("<#AFirmenName>")};
    int placed = 0;
    while (html.size() < 30 * 1024) {
        html += QStringLiteral("<p>Sehr geehrte Damen und Herren, dies ist ein Absatz über Neuigkeiten, Preise und Termine.");
        if (placed < 20 && html.size() > placed * 1500)
            html += QLatin1Char(' ') + tokens[placed++ % tokens.size()];
        html += QStringLiteral("</p>\n");
    }
    return html + QStringLiteral("</body></html>\n");
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
    QTemporaryDir dir;
    QRandomGenerator random(1);
    for (const auto& [name, size] : {std::pair{"bg.gif", 20000}, std::pair{"kopf.png", 60000}, std::pair{"fuss.jpg", 70000}}) {
        QByteArray bytes(size, '\0');
        for (char& b : bytes)
            b = static_cast<char>(random.bounded(256));
        writeFile(dir.filePath(QLatin1String(name)), bytes);
    }
    writeFile(dir.filePath(QStringLiteral("news.html")), htmlTemplate().toUtf8());

    TRecipientList recipients;
    for (int i = 0; i < kMails; ++i) {
        TRecipientEntry entry;
        entry.Values[static_cast<size_t>(RecipientField::Email)] = QStringLiteral("empfaenger%1@example.org").arg(i);
        entry.Values[static_cast<size_t>(RecipientField::Anrede)] = QStringLiteral("Frau");
        entry.Values[static_cast<size_t>(RecipientField::Name)] = QStringLiteral("Müller-%1").arg(i);
        entry.Values[static_cast<size_t>(RecipientField::Vorname)] = QStringLiteral("Änne");
        entry.Values[static_cast<size_t>(RecipientField::Ort)] = QStringLiteral("Köln");
        recipients.append(entry);
    }
    TAbsenderDataRecord sender;
    sender.Firma = QStringLiteral("Kub GmbH");
    sender.Firmenemail = QStringLiteral("news@kub.de");

    QElapsedTimer timer;
    timer.start();
    TMessageGenerator generator;
    generator.SetText({QStringLiteral("Hallo <#EVorname> <#EName>,"), QStringLiteral("unser Newsletter für Mai.")});
    generator.LoadHtmlFile(dir.filePath(QStringLiteral("news.html")));
    generator.SetSenderData(TSenderMailData::FromSender(sender, QStringLiteral("Neuigkeiten im Mai")));
    generator.SetUserData(recipients);
    if (!generator.Prepare()) {
        std::fprintf(stderr, "%s\n", qPrintable(generator.ErrorText()));
        return 1;
    }
    const qint64 prepareMs = timer.restart();

    TMailMessage msg;
    qsizetype bytes = 0;
    int mails = 0;
    while (!generator.Done() && generator.BuildNext(msg)) {
        bytes += sendDotStuffed(msg);
        ++mails;
    }
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    std::printf("images: %lld, prepare: %lld ms\n", static_cast<long long>(generator.Images().size()),
                static_cast<long long>(prepareMs));
    std::printf("mails: %d in %.3f s: %.0f mails/s, %.1f MB/s (%.1f KB per mail)\n", mails, seconds, mails / seconds,
                static_cast<double>(bytes) / 1e6 / seconds, static_cast<double>(bytes) / 1024.0 / mails);
    std::printf("peak memory: %ld MB\n", peakMegabytes());
    return mails == kMails ? 0 : 1;
}
