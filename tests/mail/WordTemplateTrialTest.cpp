#include "MailTestSupport.h"
#include "mail/MessageGenerator.h"
#include "platform/TextCodec.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace {

// A newsletter saved as a web page by a word processor in Windows-1252: placeholders typed into
// the text (brackets as references, names split by spelling marks and language spans, tags
// wrapped over lines), its pictures in a folder "<name>-Dateien" named with "%20" in the page.
const QString kFolder = QStringLiteral("Newsletter März-Dateien");
const QString kPage = QStringLiteral("Newsletter März.htm");

using Reader = TestReader;

const std::vector<Reader> kReaders{
    {QStringLiteral("anna@example.com"), QStringLiteral("Frau"), QStringLiteral("Dr."), QStringLiteral("Anna"),
     QStringLiteral("Müller"), QStringLiteral("Müller GmbH"), QStringLiteral("Hauptstraße 5"), QStringLiteral("50667"),
     QStringLiteral("Köln"), QStringLiteral("Sehr geehrte")},
    {QStringLiteral("lukasz@example.com"), QStringLiteral("Herr"), QString(), QStringLiteral("Łukasz"),
     QStringLiteral("Wójcik"), QStringLiteral("Wójcik Ogrody"), QStringLiteral("ul. Długa 3"), QStringLiteral("80-827"),
     QStringLiteral("Gdańsk"), QStringLiteral("Sehr geehrter")},
};

const QString kFirmenName = QStringLiteral("Gärtnerei Blütenreich");

// The page filled in by hand: each placeholder as it stands in the file, replaced by the value
// followed by the tags inside it.
QString expectedPage(QString page, const Reader& reader)
{
    const std::vector<std::pair<QString, QString>> values{
        {QStringLiteral("&lt;#<span class=SpellE>ETitel</span>&gt;"), reader.titel + "<span class=SpellE></span>"},
        {QStringLiteral("&lt;#<span\r\nclass=SpellE>EVorname</span>&gt;"),
         reader.vorname + "<span\r\nclass=SpellE></span>"},
        {QStringLiteral("&lt;#<span\r\nclass=SpellE><span lang=EN-US style='mso-ansi-language:EN-US'>EFirma</span>"
                        "</span>&gt;"),
         reader.firma + "<span\r\nclass=SpellE><span lang=EN-US style='mso-ansi-language:EN-US'></span></span>"},
        {QStringLiteral("&lt;#EBFormel&gt;"), reader.bformel},
        {QStringLiteral("&lt;#EAnrede&gt;"), reader.anrede},
        {QStringLiteral("&lt;#EName&gt;"), reader.name},
        {QStringLiteral("&lt;#EStrasse&gt;"), reader.strasse},
        {QStringLiteral("&lt;#EPLZ&gt;"), reader.plz},
        {QStringLiteral("&lt;#EOrt&gt;"), reader.ort},
        {QStringLiteral("&lt;#AFirmenName&gt;"), kFirmenName},
    };
    for (const auto& [token, value] : values)
        page.replace(token, value);
    return page;
}

// Python's email package reads the mail: the HTML part and the Content-IDs of the picture parts.
QJsonObject decodedMail(const QByteArray& mail)
{
    static const char script[] = R"(import sys, json, email, email.policy
m = email.message_from_bytes(sys.stdin.buffer.read(), policy=email.policy.default)
out = {"html": "", "cids": []}
for part in m.walk():
    if part.get_content_type() == "text/html":
        out["html"] = part.get_content()
    elif part.get_content_maintype() == "image":
        out["cids"].append(part.get("Content-ID", "").strip("<>"))
print(json.dumps(out))
)";
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromUtf8(script)});
    python.write(mail);
    python.closeWriteChannel();
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        return {};
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

} // namespace

TEST(WordTemplateTrial, EveryMailShowsItsReadersValuesItsPictureAndNoPlaceholder)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkpath(kFolder));
    for (const QString& name : QStringList{kPage, kFolder + "/image001.png", kFolder + "/image002.png"})
        ASSERT_TRUE(QFile::copy(MailingFixture(QStringLiteral("word/") + name), dir.filePath(name)));
    QFile file(dir.filePath(kPage));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString page = TextCodec::fromWindows1252(file.readAll());
    ASSERT_TRUE(page.contains(QStringLiteral("Tag der offenen Tür")));

    TAbsenderDataRecord from;
    from.Firma = kFirmenName;
    from.Firmenemail = QStringLiteral("news@example.org");
    TRecipientList recipients;
    for (const Reader& reader : kReaders)
        recipients.append(RecipientEntryOf(reader));
    TMessageGenerator generator(std::make_unique<TSequenceIds>());
    generator.LoadHtmlFile(dir.filePath(kPage));
    generator.SetSenderData(TSenderMailData::FromSender(from, QStringLiteral("Einladung")));
    generator.SetUserData(recipients);
    ASSERT_TRUE(generator.Prepare()) << generator.ErrorText().toStdString();

    static const QRegularExpression opener(QStringLiteral("<#|&(lt|#0*60|#x0*3c);?#"),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression reference(QStringLiteral(R"re(src="cid:([^"]+)")re"));
    for (const Reader& reader : kReaders) {
        SCOPED_TRACE(reader.email.toStdString());
        TMailMessage msg;
        ASSERT_TRUE(generator.BuildNext(msg)) << generator.ErrorText().toStdString();
        const QJsonObject mail = decodedMail(RenderMail(msg));
        const QString html = mail.value(QStringLiteral("html")).toString();
        EXPECT_FALSE(html.contains(opener)) << html.toStdString();
        EXPECT_EQ(ComparableMailPage(html).toStdString(), ComparableMailPage(expectedPage(page, reader)).toStdString());
        // The picture the page shows goes with the mail, under the Content-ID its tag names.
        QStringList referenced;
        for (const QRegularExpressionMatch& match : reference.globalMatch(html))
            referenced.append(match.captured(1));
        QStringList carried;
        for (const QJsonValue& cid : mail.value(QStringLiteral("cids")).toArray())
            carried.append(cid.toString());
        EXPECT_FALSE(referenced.isEmpty()) << html.toStdString();
        for (const QString& cid : referenced)
            EXPECT_TRUE(carried.contains(cid)) << cid.toStdString();
    }
}
