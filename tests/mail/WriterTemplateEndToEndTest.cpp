#include "AiosmtpdServer.h"
#include "MailTestSupport.h"
#include "SendRunFakes.h"
#include "mail/GeneratorMailSource.h"
#include "mail/SendRun.h"
#include "mail/SmtpMailTransport.h"

#include <QFile>
#include <QJsonArray>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace {

// A newsletter saved as HTML by a word processor: the placeholders typed into its text stand
// there with their brackets as character references, and its pictures lie beside it.
constexpr char kTemplate[] = "Einladung.html";
constexpr char kLogo[] = "Einladung_html_8c1e0f3a7b2d4e91.png";
constexpr char kSignet[] = "Einladung_html_3f9a0c6e2b71d584.gif";

using Reader = TestReader;

const std::vector<Reader>& readers()
{
    static const std::vector<Reader> list{
        {QStringLiteral("anna@example.com"), QStringLiteral("Frau"), QStringLiteral("Dr."), QStringLiteral("Anna"),
         QStringLiteral("Müller-Lüdenscheidt"), QStringLiteral("Müller & Söhne GmbH"), QStringLiteral("Hauptstraße 5"),
         QStringLiteral("50667"), QStringLiteral("Köln"), QStringLiteral("Sehr geehrte")},
        {QStringLiteral("juergen@example.com"), QStringLiteral("Herr"), QString(), QStringLiteral("Jürgen"),
         QStringLiteral("Schmidt"), QString(), QStringLiteral("Am Anger 1"), QStringLiteral("04109"),
         QStringLiteral("Leipzig"), QStringLiteral("Lieber")},
        // Beyond ISO-8859-1: the part goes out as UTF-8.
        {QStringLiteral("lukasz@example.com"), QStringLiteral("Herr"), QString(), QStringLiteral("Łukasz"),
         QStringLiteral("Wójcik"), QStringLiteral("Wójcik Ogrody"), QStringLiteral("ul. Długa 3"),
         QStringLiteral("80-827"), QStringLiteral("Gdańsk"), QStringLiteral("Sehr geehrter")},
    };
    return list;
}

TSenderMailData senderData()
{
    TSenderMailData sender;
    sender.setText(SenderField::FirmenName, QStringLiteral("Gärtnerei Blütenreich"));
    sender.setText(SenderField::Strasse, QStringLiteral("Rosenweg 7"));
    sender.setText(SenderField::PLZ, QStringLiteral("53111"));
    sender.setText(SenderField::Ort, QStringLiteral("Bonn"));
    sender.setText(SenderField::Subject, QStringLiteral("Einladung zum Tag der offenen Tür"));
    sender.setText(SenderField::From, QStringLiteral("news@example.org"));
    return sender;
}

QString readUtf8(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The page as the reader of the template sees it filled in: every placeholder, written as it
// stands in the file, replaced by the reader's or the sender's value.
QString expectedPage(const QString& page, const Reader& reader, const TSenderMailData& sender)
{
    const std::vector<std::pair<const char*, QString>> values{
        // Split where the language or the font changed inside: the value, then the tags.
        {"&lt;#E<span lang=\"pl-PL\">Vorname</span>&gt;",
         reader.vorname + QStringLiteral("<span lang=\"pl-PL\"></span>")},
        {"&lt;#<font face=\"Liberation Serif,\nserif\">EStrasse</font>&gt;",
         reader.strasse + QStringLiteral("<font face=\"Liberation Serif,\nserif\"></font>")},
        {"&lt;#EFirma&gt;", reader.firma},
        {"&lt;#EAnrede&gt;", reader.anrede},
        {"&lt;#ETitel&gt;", reader.titel},
        {"&lt;#EVorname&gt;", reader.vorname},
        {"&lt;#EName&gt;", reader.name},
        {"&lt;#EStrasse&gt;", reader.strasse},
        {"&lt;#EPLZ&gt;", reader.plz},
        {"&lt;#EOrt&gt;", reader.ort},
        {"&lt;#EBFormel&gt;", reader.bformel},
        {"&lt;#EEmail&gt;", reader.email},
        {"&lt;#AFirmenName&gt;", sender.text(SenderField::FirmenName)},
        {"&lt;#AStrasse&gt;", sender.text(SenderField::Strasse)},
        {"&lt;#APLZ&gt;", sender.text(SenderField::PLZ)},
        {"&lt;#AOrt&gt;", sender.text(SenderField::Ort)},
    };
    QString expected = page;
    for (const auto& [token, value] : values)
        expected.replace(QLatin1String(token), value);
    return expected;
}

// The start and end tags of a page in their order, as Python's HTML parser reads them.
QStringList parsedTags(const QString& page)
{
    static const char script[] = R"(import sys
from html.parser import HTMLParser
class Tags(HTMLParser):
    def handle_starttag(self, tag, attrs): print("<" + tag, *(f"{k}={v}" for k, v in attrs))
    def handle_endtag(self, tag): print("</" + tag)
    def handle_startendtag(self, tag, attrs): print("<" + tag + "/", *(f"{k}={v}" for k, v in attrs))
parser = Tags(convert_charrefs=True)
parser.feed(sys.stdin.buffer.read().decode("utf-8"))
parser.close()
)";
    QProcess parser;
    parser.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromUtf8(script)});
    parser.write(page.toUtf8());
    parser.closeWriteChannel();
    if (!parser.waitForFinished(60000) || parser.exitCode() != 0)
        return {QStringLiteral("the HTML parser failed")};
    return QString::fromUtf8(parser.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

TEST(WriterTemplateEndToEnd, EveryMailShowsItsReadersValuesAndNoPlaceholder)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString templateFile = folder.filePath(QLatin1String(kTemplate));
    ASSERT_TRUE(QFile::copy(MailingFixture(QStringLiteral("writer/") + QLatin1String(kTemplate)), templateFile));
    ASSERT_TRUE(
        QFile::copy(MailingFixture(QStringLiteral("vorlage/bilder/Kopf.png")), folder.filePath(QLatin1String(kLogo))));
    ASSERT_TRUE(
        QFile::copy(MailingFixture(QStringLiteral("vorlage/logo.gif")), folder.filePath(QLatin1String(kSignet))));
    const QString page = readUtf8(templateFile);
    ASSERT_TRUE(page.contains(QLatin1String("&lt;#EName&gt;")));

    AiosmtpdServer server({});
    ASSERT_NE(server.port(), 0) << server.startError().toStdString();
    const TSenderMailData sender = senderData();
    auto generator = std::make_unique<TMessageGenerator>();
    generator->LoadHtmlFile(templateFile);
    generator->SetSenderData(sender);
    TRecipientList recipients;
    for (const Reader& reader : readers())
        recipients.append(RecipientEntryOf(reader));
    generator->SetUserData(recipients);

    SendRunSettings settings;
    settings.Host = QStringLiteral("127.0.0.1");
    settings.Port = server.port();
    settings.ProgressMax = int(recipients.count());
    settings.LogFileName = folder.filePath(QStringLiteral("newsletter.log"));
    SmtpMailTransport transport(LoopbackSessionOptions());
    GeneratorMailSource source(std::move(generator));
    RecordingReporter reporter;
    ASSERT_EQ(SendRun(settings, transport, source, reporter).execute(), SendResult::Done);

    const QList<QJsonObject> messages = server.messages();
    ASSERT_EQ(messages.size(), int(readers().size()));
    const QJsonArray pictures{
        QJsonObject{{QStringLiteral("path"), folder.filePath(QLatin1String(kLogo))},
                    {QStringLiteral("name"), QLatin1String(kLogo)}},
        QJsonObject{{QStringLiteral("path"), folder.filePath(QLatin1String(kSignet))},
                    {QStringLiteral("name"), QLatin1String(kSignet)}},
    };
    // Every spelling of a placeholder's opening bracket that a page can show as "<".
    static const QRegularExpression opener(QStringLiteral("<#|&(lt|#0*60|#x0*3c);?#"),
                                           QRegularExpression::CaseInsensitiveOption);
    for (size_t i = 0; i < readers().size(); ++i) {
        const Reader& reader = readers()[i];
        const QJsonObject& m = messages[qsizetype(i)];
        SCOPED_TRACE(reader.email.toStdString());
        EXPECT_EQ(m[QStringLiteral("rcpt_tos")].toArray(), QJsonArray{reader.email});
        EXPECT_TRUE(m[QStringLiteral("defects")].toArray().isEmpty());
        // The body Python's email package decodes: the HTML part, as the mail has no text part.
        const QString html = m[QStringLiteral("body")].toString();
        EXPECT_FALSE(html.contains(opener)) << html.toStdString();
        EXPECT_FALSE(html.contains(QLatin1String("#E"))) << html.toStdString();
        EXPECT_TRUE(html.contains(reader.bformel + QStringLiteral("\r\n<span lang=\"de-DE\">") + reader.anrede +
                                  QStringLiteral("</span> ") + reader.name + QStringLiteral(",")))
            << html.toStdString();
        EXPECT_EQ(ComparableMailPage(html).toStdString(),
                  ComparableMailPage(expectedPage(page, reader, sender)).toStdString());
        // The tags of a split placeholder stay: the mail parses into the template's tags.
        EXPECT_EQ(parsedTags(ComparableMailPage(html)), parsedTags(ComparableMailPage(page)));
        EXPECT_TRUE(PassesMimeCheck(m[QStringLiteral("raw")].toString().toLatin1(),
                                    {{QStringLiteral("shape"), QStringLiteral("multipart/related(text/html,image/png,"
                                                                              "image/gif)")},
                                     {QStringLiteral("subject"), sender.text(SenderField::Subject)},
                                     {QStringLiteral("images"), pictures}}));
    }
}
