#include "mail/MessageGenerator.h"

#include "MailTestSupport.h"
#include "mail/GeneratorMailSource.h"
#include "mail/MessageGenerator.h"
#include "mail/SmtpDataStuffer.h"
#include "platform/TextCodec.h"

#include <QByteArrayList>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QStringBuilder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kLongLine = QStringLiteral("Lang") + QString(1500, QLatin1Char('x')) + QStringLiteral("Ende");

// A newsletter with placeholders, a euro sign, a line starting with ".", one long unbroken
// line and two pictures (one through a Windows path in another letter case).
const QString kPersonalHtml = QStringLiteral("<html><head><title>Newsletter</title></head>\n"
                                             "<body background=\"logo.gif\">\n"
                                             "<p><#EBFormel> <#EAnrede> <#EName>,</p>\n"
                                             "<img src=\"Bilder\\kopf.PNG\" alt=\"Kopf\">\n"
                                             "<p>Preis: 5 € – Grüße von <#AFirmenName></p>\n"
                                             ".Punkt am Zeilenanfang\n"
                                             "<p>") +
                              kLongLine + QStringLiteral("</p>\n</body></html>\n");
const QString kStaticHtml = QStringLiteral("<html><body><p>Grüße an alle</p><img src=\"logo.gif\"></body></html>\n");
const QString kPlainHtml = QStringLiteral("<html><body><p>Hallo <#EVorname>!</p></body></html>\n");
// Declares another charset than the one it is sent in, and names its picture unquoted.
const QString kDeclaredHtml =
    QStringLiteral("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">"
                   "<title>Preise</title></head>\n"
                   "<body><p>Preis: 5 € für <#EVorname></p><img src=logo.gif/></body></html>\n");
const QStringList kPersonalText = {QStringLiteral("Hallo <#EVorname> <#EName>,"), QStringLiteral("Preis 5 € für Sie."),
                                   QStringLiteral(".Punkt"), kLongLine, QStringLiteral("Ihr <#AVerfasserName>")};
const QStringList kStaticText = {QStringLiteral("Grüße aus Köln"), QStringLiteral("Zeile 2")};
const QString kSubject = QStringLiteral("Neuigkeiten für <#EVorname> – Mai");

QString cid(int n)
{
    return QStringLiteral("cid:00000000-0000-0000-0000-%1@testhost").arg(n, 12, 10, QLatin1Char('0'));
}

// What a recipient should read: the tokens replaced by hand, not by the engine under test.
QString personalised(QString text)
{
    return text.replace(QLatin1String("<#EBFormel>"), QStringLiteral("Sehr geehrte"))
        .replace(QLatin1String("<#EAnrede>"), QStringLiteral("Frau"))
        .replace(QLatin1String("<#EName>"), QStringLiteral("Weiß"))
        .replace(QLatin1String("<#EVorname>"), QStringLiteral("Änne"))
        .replace(QLatin1String("<#AFirmenName>"), QStringLiteral("Kub GmbH"))
        .replace(QLatin1String("<#AVerfasserName>"), QStringLiteral("Klaus Kub"));
}

TRecipientList recipients()
{
    TRecipientList list;
    TRecipientEntry first;
    first.Values[static_cast<size_t>(RecipientField::Anrede)] = QStringLiteral("Frau");
    first.Values[static_cast<size_t>(RecipientField::Name)] = QStringLiteral("Weiß");
    first.Values[static_cast<size_t>(RecipientField::Vorname)] = QStringLiteral("Änne");
    first.Values[static_cast<size_t>(RecipientField::BFormel)] = QStringLiteral("Sehr geehrte");
    first.Values[static_cast<size_t>(RecipientField::Email)] = QStringLiteral("aenne@example.org");
    TRecipientEntry second = first;
    second.Values[static_cast<size_t>(RecipientField::Email)] = QStringLiteral("bob@example.org");
    second.Values[static_cast<size_t>(RecipientField::Vorname)] = QStringLiteral("Bob");
    list.append(first);
    list.append(second);
    return list;
}

TSenderMailData sender(const QString& subject = kSubject)
{
    TAbsenderDataRecord record;
    record.Firma = QStringLiteral("Kub GmbH");
    record.Firmenemail = QStringLiteral("news@kub.de");
    record.Verfasser = QStringLiteral("Klaus Kub");
    return TSenderMailData::FromSender(record, subject);
}

class Generator : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        QDir().mkpath(m_dir.filePath(QStringLiteral("bilder")));
        for (const char* name : {"logo.gif", "bilder/Kopf.png"})
            ASSERT_TRUE(QFile::copy(MailingFixture(QStringLiteral("vorlage/") + QLatin1String(name)),
                                    m_dir.filePath(QLatin1String(name))));
    }

    QString writeHtml(const QString& name, const QString& text, bool windows1252 = false)
    {
        QFile file(m_dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(windows1252 ? TextCodec::toWindows1252(text) : text.toUtf8());
        return file.fileName();
    }

    // A prepared generator with the deterministic id source.
    std::unique_ptr<TMessageGenerator> make(const QStringList& text, const QString& htmlFile,
                                            const TSenderMailData& from = sender())
    {
        auto generator = std::make_unique<TMessageGenerator>(std::make_unique<TSequenceIds>());
        generator->SetText(text);
        if (!htmlFile.isEmpty())
            generator->LoadHtmlFile(htmlFile);
        generator->SetSenderData(from);
        generator->SetUserData(recipients());
        EXPECT_TRUE(generator->Prepare()) << generator->ErrorText().toStdString();
        return generator;
    }

    QJsonObject image(const char* name, const char* file) const
    {
        return {{QStringLiteral("name"), QLatin1String(name)},
                {QStringLiteral("path"), m_dir.filePath(QLatin1String(file))}};
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(Generator, LayoutsMatchGoldenFiles)
{
    const QString personal = writeHtml(QStringLiteral("newsletter.html"), kPersonalHtml);
    const QString fixed = writeHtml(QStringLiteral("statisch.html"), kStaticHtml, true);
    const QString plain = writeHtml(QStringLiteral("ohne_bilder.html"), kPlainHtml);
    const QString declared = writeHtml(QStringLiteral("erklaert.html"), kDeclaredHtml);
    const struct {
        const char* golden;
        QStringList text;
        QString html;
    } cases[] = {
        {"text_static.eml", kStaticText, {}},
        {"text_personal.eml", kPersonalText, {}},
        {"html_personal.eml", {}, plain},
        {"related_static.eml", {}, fixed},
        {"related_personal.eml", {}, personal},
        {"alternative_personal.eml", kPersonalText, plain},
        {"alternative_related.eml", kStaticText, personal},
        {"related_declared_charset.eml", {}, declared},
    };
    for (const auto& c : cases) {
        auto generator = make(c.text, c.html);
        TMailMessage msg;
        ASSERT_TRUE(generator->BuildNext(msg)) << generator->ErrorText().toStdString();
        EXPECT_TRUE(MatchesGolden(QLatin1String(c.golden), RenderMail(msg)));
    }
}

TEST_F(Generator, EveryLayoutPassesAnIndependentParser)
{
    const QString personal = writeHtml(QStringLiteral("newsletter.html"), kPersonalHtml);
    const QString fixed = writeHtml(QStringLiteral("statisch.html"), kStaticHtml, true);
    const QString plain = writeHtml(QStringLiteral("ohne_bilder.html"), kPlainHtml);
    const QString declared = writeHtml(QStringLiteral("erklaert.html"), kDeclaredHtml);
    const QString declaredHtml =
        personalised(kDeclaredHtml)
            .replace(QLatin1String("iso-8859-1"), QLatin1String("utf-8"))
            .replace(QLatin1String("src=logo.gif/"), QStringLiteral("src=\"%1\"/").arg(cid(1)));
    const QString personalHtml =
        personalised(kPersonalHtml)
            .replace(QLatin1String("\"logo.gif\""), QLatin1Char('"') + cid(1) + QLatin1Char('"'))
            .replace(QLatin1String("\"Bilder\\kopf.PNG\""), QLatin1Char('"') + cid(2) + QLatin1Char('"'));
    const QString personalText = personalised(kPersonalText.join(QLatin1Char('\n')));
    const QJsonArray twoImages = {image("logo.gif", "logo.gif"), image("Kopf.png", "bilder/Kopf.png")};
    const struct {
        QStringList text;
        QString html;
        QJsonObject expect;
    } cases[] = {
        {kPersonalText, {}, {{"shape", "text/plain"}, {"text", personalText}}},
        {kStaticText, {}, {{"shape", "text/plain"}, {"text", kStaticText.join(QLatin1Char('\n'))}}},
        {{}, plain, {{"shape", "text/html"}, {"html", personalised(kPlainHtml)}}},
        {{},
         fixed,
         {{"shape", "multipart/related(text/html,image/gif)"},
          {"html", QString(kStaticHtml).replace(QLatin1String("logo.gif"), cid(1))},
          {"images", QJsonArray{image("logo.gif", "logo.gif")}}}},
        {{},
         personal,
         {{"shape", "multipart/related(text/html,image/gif,image/png)"},
          {"html", personalHtml},
          {"images", twoImages}}},
        {kPersonalText,
         plain,
         {{"shape", "multipart/alternative(text/plain,text/html)"},
          {"text", personalText},
          {"html", personalised(kPlainHtml)}}},
        {kPersonalText,
         personal,
         {{"shape", "multipart/alternative(text/plain,multipart/related(text/html,image/gif,image/png))"},
          {"text", personalText},
          {"html", personalHtml},
          {"images", twoImages}}},
        {{},
         declared,
         {{"shape", "multipart/related(text/html,image/gif)"},
          {"html", declaredHtml},
          {"images", QJsonArray{image("logo.gif", "logo.gif")}}}},
    };
    for (const auto& c : cases) {
        auto generator = make(c.text, c.html);
        TMailMessage msg;
        ASSERT_TRUE(generator->BuildNext(msg));
        QJsonObject expect = c.expect;
        expect.insert(QStringLiteral("subject"), kSubject);
        EXPECT_TRUE(PassesMimeCheck(RenderMail(msg), expect)) << c.expect.value("shape").toString().toStdString();
    }
}

TEST_F(Generator, MailsOfARunShareImagesButNotBoundaries)
{
    auto generator = make(kStaticText, writeHtml(QStringLiteral("newsletter.html"), kPersonalHtml));
    TMailMessage first, second;
    ASSERT_TRUE(generator->BuildNext(first));
    EXPECT_FALSE(generator->Done());
    ASSERT_TRUE(generator->BuildNext(second));
    EXPECT_TRUE(generator->Done());

    EXPECT_EQ(first.Recipient, QStringLiteral("aenne@example.org"));
    EXPECT_EQ(second.Recipient, QStringLiteral("bob@example.org"));
    EXPECT_EQ(second.Subject, kSubject); // never personalised
    EXPECT_NE(first.HeaderLines, second.HeaderLines);
    const QByteArray firstMail = RenderMail(first), secondMail = RenderMail(second);
    for (const QString& id : {cid(1), cid(2)}) {
        const QByteArray header = "content-id: <" + id.mid(4).toLatin1() + ">";
        EXPECT_TRUE(firstMail.contains(header));
        EXPECT_TRUE(secondMail.contains(header));
    }

    // The static text part and the picture parts are the same bytes in both mails, not copies.
    const auto shared = [&](const QByteArray& chunk) {
        for (const QByteArray& other : second.Body) {
            if (other.constData() == chunk.constData())
                return true;
        }
        return false;
    };
    int sharedChunks = 0;
    for (const QByteArray& chunk : first.Body)
        sharedChunks += shared(chunk) ? 1 : 0;
    EXPECT_EQ(sharedChunks, 3); // the text part and both pictures
}

TEST_F(Generator, WireFormsMadeOnceEqualStuffingEachMail)
{
    // Lines starting with "." in a static and in a personalised part, and pictures.
    const QString html = writeHtml(QStringLiteral("punkte.html"), kPersonalHtml);
    const QStringList text = {QStringLiteral(".NET ohne Platzhalter"), QStringLiteral(".")};
    for (const QStringList& textTemplate : {text, kPersonalText}) {
        auto generator = make(textTemplate, html);
        TMailMessage first, second;
        ASSERT_TRUE(generator->BuildNext(first));
        ASSERT_TRUE(generator->BuildNext(second));
        for (const TMailMessage* msg : {&first, &second}) {
            ASSERT_EQ(msg->BodyWire.size(), msg->Body.size());
            SmtpDataStuffer plain, prepared;
            QByteArray fromText;
            SmtpWire fromWire;
            for (const QByteArray& chunk : msg->Body)
                plain.append(chunk, fromText);
            plain.finish(fromText);
            prepared.appendBody(*msg, fromWire);
            prepared.finish(fromWire.tail());
            EXPECT_EQ(fromWire.joined(), fromText);
        }
        // What every mail shares is made once: the same bytes in both mails.
        int shared = 0;
        for (qsizetype i = 0; i < first.BodyWire.size(); ++i)
            shared += !first.BodyWire[i].isNull() && first.BodyWire[i].constData() == second.BodyWire[i].constData();
        EXPECT_EQ(shared, textTemplate == text ? 3 : 2) << "the pictures and a static text part";
    }
}

TEST_F(Generator, TheDeclaredCharsetFollowsEachMailsCharset)
{
    const QString html =
        writeHtml(QStringLiteral("meta.html"),
                  QStringLiteral("<html><head><meta charset=\"utf-8\"></head><body><#EName></body></html>\n"));
    TRecipientList list;
    for (const char* name : {"Weiß", "Łukasiewicz", "Łoś", "Groß"}) {
        TRecipientEntry entry;
        entry.Values[static_cast<size_t>(RecipientField::Email)] = QStringLiteral("x@example.org");
        entry.Values[static_cast<size_t>(RecipientField::Name)] = QString::fromUtf8(name);
        list.append(entry);
    }
    TMessageGenerator generator(std::make_unique<TSequenceIds>());
    generator.LoadHtmlFile(html);
    generator.SetSenderData(sender());
    generator.SetUserData(list);
    ASSERT_TRUE(generator.Prepare());
    for (const char* charset : {"iso-8859-1", "utf-8", "utf-8", "iso-8859-1"}) {
        TMailMessage msg;
        ASSERT_TRUE(generator.BuildNext(msg));
        EXPECT_EQ(msg.HeaderLines[1], "content-type: text/html; charset=" + QByteArray(charset));
        EXPECT_TRUE(
            msg.Body.join().startsWith(QByteArray("<html><head><meta charset=3D=22" + QByteArray(charset) + "=22>")))
            << msg.Body.join().toStdString();
    }
}

TEST_F(Generator, StaticPartsEndWithAnEmptyLineAndPersonalisedOnesDoNot)
{
    TMailMessage msg;
    auto fixed = make({QStringLiteral("ohne Platzhalter")}, {});
    ASSERT_TRUE(fixed->BuildNext(msg));
    EXPECT_EQ(msg.Body.join(), QByteArray("ohne Platzhalter\r\n\r\n"));
    auto personal = make({QStringLiteral("mit <#EVorname>")}, {});
    ASSERT_TRUE(personal->BuildNext(msg));
    EXPECT_EQ(msg.Body.join(), QByteArray("mit =C4nne\r\n"));
    EXPECT_EQ(msg.HeaderLines, (QByteArrayList{"MIME-Version: 1.0", "content-type: text/plain; charset=iso-8859-1",
                                               "content-transfer-encoding: quoted-printable"}));
}

TEST_F(Generator, RefusesToBuildWithoutItsMaterial)
{
    TMailMessage msg;
    msg.Recipient = QStringLiteral("vorher@example.org");
    const struct {
        QStringList text;
        TSenderMailData from;
        bool withRecipients;
        int code;
        const char* error;
    } cases[] = {
        {kStaticText, sender(), false, 1, "no userdata available or not prepared"},
        {{}, sender(), true, 2, "no messagebody available or not prepared"},
        {kStaticText, sender(QString()), true, 3, "empty subject and/or empty sender"},
        {kStaticText, TSenderMailData(), true, 3, "empty subject and/or empty sender"},
    };
    for (const auto& c : cases) {
        TMessageGenerator generator(std::make_unique<TSequenceIds>());
        generator.SetText(c.text);
        generator.SetSenderData(c.from);
        if (c.withRecipients)
            generator.SetUserData(recipients());
        ASSERT_TRUE(generator.Prepare());
        EXPECT_FALSE(generator.BuildNext(msg));
        EXPECT_EQ(generator.ErrorCode(), c.code);
        EXPECT_EQ(generator.ErrorText(), QLatin1String(c.error));
        EXPECT_FALSE(generator.Done());
        EXPECT_EQ(msg.Recipient, QStringLiteral("vorher@example.org"));
    }
    TMessageGenerator unprepared(std::make_unique<TSequenceIds>());
    unprepared.SetText(kStaticText);
    unprepared.SetSenderData(sender());
    unprepared.SetUserData(recipients());
    EXPECT_FALSE(unprepared.BuildNext(msg));
    EXPECT_EQ(unprepared.ErrorCode(), 1);
}

TEST_F(Generator, KeepsTheSetUpItWasGivenLast)
{
    TMessageGenerator generator(std::make_unique<TSequenceIds>());
    generator.SetText({QStringLiteral("erster Text")});
    generator.SetText({});
    generator.LoadHtmlFile(m_dir.filePath(QStringLiteral("fehlt.html")));
    generator.SetUserData(recipients());
    generator.SetUserData(TRecipientList());
    generator.SetSenderData(sender());
    ASSERT_TRUE(generator.Prepare());
    EXPECT_TRUE(generator.HtmlBaseDir().isEmpty());
    EXPECT_EQ(generator.RecipientCount(), 2);
    TMailMessage msg;
    ASSERT_TRUE(generator.BuildNext(msg));
    EXPECT_EQ(msg.Body.join(), QByteArray("erster Text\r\n\r\n"));
}

// A run names the recipients it did not reach from the generator's own position: the mail
// source keeps no list of its own that could tell another story.
TEST(GeneratorMailSource, RemainingRecipientsAreThoseTheGeneratorHasNotBuilt)
{
    const QString aenne = QStringLiteral("aenne@example.org");
    const QString bob = QStringLiteral("bob@example.org");
    struct Case {
        const char* name;
        QString subject;
        int builds;
        bool built;
        QStringList remaining;
    };
    const QList<Case> cases{
        {"none built", kSubject, 0, true, {aenne, bob}},
        {"one built", kSubject, 1, true, {bob}},
        {"all built", kSubject, 2, true, {}},
        {"a build that fails", QString(), 1, false, {aenne, bob}},
    };
    for (const Case& c : cases) {
        auto generator = std::make_unique<TMessageGenerator>(std::make_unique<TSequenceIds>());
        generator->SetText(kStaticText);
        generator->SetSenderData(sender(c.subject));
        generator->SetUserData(recipients());
        GeneratorMailSource source(std::move(generator));
        ASSERT_TRUE(source.prepare()) << c.name;
        for (int i = 0; i < c.builds; ++i)
            EXPECT_EQ(source.buildNext(), c.built) << c.name;
        EXPECT_EQ(source.remainingRecipients(), c.remaining) << c.name;
        EXPECT_EQ(source.done(), c.remaining.isEmpty()) << c.name;
    }
}
