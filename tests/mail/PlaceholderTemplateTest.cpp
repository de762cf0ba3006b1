#include "mail/PlaceholderTemplate.h"

#include "mail/RecipientList.h"

#include <QRandomGenerator>
#include <QRegularExpression>

#include <gtest/gtest.h>
#include <optional>

namespace {

using RecipientValues = TPlaceholderTemplate::RecipientValues;
using SenderValues = TPlaceholderTemplate::SenderValues;

QString upperAscii(QString text)
{
    for (QChar& c : text) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 32);
    }
    return text;
}

// The rule as the original statement of it: search "<#" from the start of the whole text,
// replace up to the next ">", start again. Empty when it has not ended after many steps.
std::optional<QString> referenceFill(QString text, const RecipientValues& recipient, const SenderValues& sender)
{
    for (int step = 0; step < 2000; ++step) {
        const qsizetype start = text.indexOf(QLatin1String("<#"));
        if (start < 0)
            return text;
        const qsizetype end = text.indexOf(QLatin1Char('>'), start + 2);
        if (end < 0)
            return text;
        const QString token = upperAscii(text.mid(start, end - start + 1));
        QString value;
        for (int i = 0; i < kRecipientFieldCount && value.isEmpty(); ++i) {
            if (upperAscii(TRecipientList::PlaceholderNames()[i]) == token)
                value = recipient[i];
        }
        for (int i = 0; i < kSenderFieldCount && value.isEmpty(); ++i) {
            if (upperAscii(TSenderMailData::PlaceholderNames()[i]) == token)
                value = sender[i];
        }
        text.replace(start, end - start + 1, value);
    }
    return std::nullopt;
}

// An HTML template as the plain rule reads it: every token whose brackets a page shows as "<"
// and ">" rewritten as "<#" name ">". A token opened by a reference holds no markup.
QString withPlainBrackets(const QString& html)
{
    static const QRegularExpression token(
        QStringLiteral(R"(<#([\s\S]*?)(?:>|&gt;|&#0*62;|&#x0*3e;))"
                       R"(|(?:&lt;|&#0*60;|&#x0*3c;)#([ae][^<>]*?)(?:>|&gt;|&#0*62;|&#x0*3e;))"),
        QRegularExpression::CaseInsensitiveOption);
    QString plain;
    qsizetype copied = 0;
    for (const QRegularExpressionMatch& match : token.globalMatch(html)) {
        plain += html.mid(copied, match.capturedStart() - copied) + QStringLiteral("<#") + match.captured(1) +
                 match.captured(2) + QLatin1Char('>');
        copied = match.capturedEnd();
    }
    return plain + html.mid(copied);
}

RecipientValues recipientValues()
{
    RecipientValues values;
    values[static_cast<size_t>(RecipientField::Name)] = QStringLiteral("Müller");
    values[static_cast<size_t>(RecipientField::Vorname)] = QStringLiteral("Jürgen");
    values[static_cast<size_t>(RecipientField::Anrede)] = QStringLiteral("Herr");
    values[static_cast<size_t>(RecipientField::Firma)] = QStringLiteral("A|B GmbH");
    return values;
}

SenderValues senderValues()
{
    SenderValues values;
    values[static_cast<size_t>(SenderField::FirmenName)] = QStringLiteral("Kub & Co");
    values[static_cast<size_t>(SenderField::Subject)] = QStringLiteral("Hallo <#EVorname>");
    values[static_cast<size_t>(SenderField::UnsubscribeEMail)] = QStringLiteral("ab@kub.de");
    return values;
}

} // namespace

TEST(PlaceholderTemplate, FillsTokensAsTable)
{
    RecipientValues recipient = recipientValues();
    SenderValues sender = senderValues();
    recipient[static_cast<size_t>(RecipientField::Ort)] = QStringLiteral("<#EOrt> und <#EName>");
    recipient[static_cast<size_t>(RecipientField::Titel)] = QStringLiteral("<#EPLZ>");
    recipient[static_cast<size_t>(RecipientField::PLZ)] = QStringLiteral("<#ETitel>");
    recipient[static_cast<size_t>(RecipientField::Land)] = QStringLiteral("a\nb");

    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"Lieber <#EVorname> <#EName>,\r\n", "Lieber Jürgen Müller,\r\n"},
        {"<#evorname>|<#EVORNAME>|<#eVorName>\r\n", "Jürgen|Jürgen|Jürgen\r\n"},
        {"<#afirmenname>\r\n", "Kub & Co\r\n"},
        {"<#A(UN)SUBSCRIBEemail>\r\n", "ab@kub.de\r\n"},
        {"weg:<#EUnbekannt>:<#>:\r\n", "weg:::\r\n"},
        {"leer:<#EStrasse>:\r\n", "leer::\r\n"},
        {"<#ASubject>!\r\n", "Hallo Jürgen!\r\n"},
        {"Firma <#EFirma> Ende\r\n", "Firma A|B GmbH Ende\r\n"},
        {"vor <#EName\r\nweiter> nach\r\n", "vor  nach\r\n"},
        {"<#EName> und <#ohne Ende\r\n", "Müller und <#ohne Ende\r\n"},
        {"> <#EName> <\r\n", "> Müller <\r\n"},
        // A value that brings back its own token ends at the depth limit.
        {"[<#EOrt>] <#EName>\r\n", "[ und  und Müller und Müller und Müller] Müller\r\n"},
        {"[<#ETitel>]\r\n", "[]\r\n"},
        // A token that forms where a removed token leaves "<" before "#".
        {"<<#x>#EName>\r\n", "Müller\r\n"},
        {"<#ELand>\r\n", "a\r\nb\r\n"},
        {"\r\n", "\r\n"},
    };
    for (const auto& c : cases) {
        const QString in = QString::fromUtf8(c.in);
        EXPECT_EQ(TPlaceholderTemplate(in, TemplateKind::Text).Fill(recipient, sender), QString::fromUtf8(c.out))
            << c.in;
    }
}

// What a page shows as a placeholder is one: word processors write a typed "<#EName>" with
// its brackets as character references.
TEST(PlaceholderTemplate, HtmlTokensWrittenWithReferencesAsTable)
{
    RecipientValues recipient = recipientValues();
    recipient[static_cast<size_t>(RecipientField::Titel)] = QStringLiteral("&lt;#EName&gt;");
    const SenderValues sender = senderValues();

    const struct {
        const char* in;
        const char* html; // filled as an HTML template
        const char* text; // filled as a text template
    } cases[] = {
        {"<p>&lt;#EAnrede&gt; &lt;#EName&gt;,</p>\r\n", "<p>Herr Müller,</p>\r\n", nullptr},
        {"&LT;#EName&GT;|&Lt;#ename&gT;|&lT;#EnAmE&Gt;\r\n", "Müller|Müller|Müller\r\n", nullptr},
        {"&#60;#EName&#62;|&#060;#EName&#0062;|&#x3C;#EName&#x3E;|&#X03c;#EName&#x3e;\r\n",
         "Müller|Müller|Müller|Müller\r\n", nullptr},
        {"<font face=\"Arial\"><span>&lt;#EVorname&gt;</span></font>\r\n",
         "<font face=\"Arial\"><span>Jürgen</span></font>\r\n", nullptr},
        // Half written as references, half not.
        {"&lt;#EName>|<#EName&gt;|<#EName&#62;\r\n", "Müller|Müller|Müller\r\n", nullptr},
        // Names nothing: removed, like "<#EUnbekannt>".
        {"[&lt;#EUnbekannt&gt;][&lt;#a&gt;][&lt;#EVor\r\nname&gt;]\r\n", "[][][]\r\n", nullptr},
        // Not followed by "#A" or "#E", or with a reference that is no bracket: plain text.
        {"&lt;#include&gt; &lt;#&gt; &lt;EName&gt; &lt; #EName&gt; &amp;lt;#EName&amp;gt;\r\n", nullptr, nullptr},
        {"&lt#EName&gt; &#61;#EName&gt; &#x3d;#EName&gt;\r\n", nullptr, nullptr},
        // Markup inside: the letters are no word to the reader, so no token.
        {"&lt;#E<span lang=\"de-DE\">Name</span>&gt;\r\n", nullptr, nullptr},
        {"&lt;#<span class=SpellE>EName</span>&gt;\r\n", nullptr, nullptr},
        {"&lt;#EName&gt <b>x</b>\r\n", nullptr, nullptr},
        {"&lt;#EName <b>&lt;#EVorname&gt;</b>\r\n", "&lt;#EName <b>Jürgen</b>\r\n", nullptr},
        {"&lt;#EName<#EVorname>\r\n", "&lt;#ENameJürgen\r\n", "&lt;#ENameJürgen\r\n"},
        // "&gt;" and "&lt;" of the text itself stay.
        {"a &gt; b &lt; c &lt;#EName&gt; &gt;\r\n", "a &gt; b &lt; c Müller &gt;\r\n", nullptr},
        {"&lt;#ETitel&gt;\r\n", "&lt;#EName&gt;\r\n", nullptr}, // values are read as plain text
        {"&lt;#AFirmenName&gt; &lt;#ASubject&gt;\r\n", "Kub & Co Hallo Jürgen\r\n", nullptr},
        // "<#" opens as before and now also closes at "&gt;".
        {"<#E<b>Name</b>> <#EName&gt; <#x &lt;#EName&gt;\r\n", "Name</b>> Müller \r\n",
         "Name</b>> <#EName&gt; <#x &lt;#EName&gt;\r\n"},
    };
    for (const auto& c : cases) {
        const QString in = QString::fromUtf8(c.in);
        const QString html = c.html ? QString::fromUtf8(c.html) : in;
        // A text template fills only "<#...>"; where the case says nothing, it has none.
        const QString text = c.text ? QString::fromUtf8(c.text) : in;
        EXPECT_EQ(TPlaceholderTemplate(in, TemplateKind::Html).Fill(recipient, sender), html) << c.in;
        EXPECT_EQ(TPlaceholderTemplate(in, TemplateKind::Text).Fill(recipient, sender), text) << c.in;
    }
}

// A part with a token is filled per recipient; one without is encoded once.
TEST(PlaceholderTemplate, HtmlPartHasPlaceholdersWhenItHoldsATokenOfEitherForm)
{
    const struct {
        const char* in;
        bool html;
        bool text;
    } cases[] = {
        {"<p>&lt;#EName&gt;</p>", true, false},
        {"<p>&#x3c;#aOrt&#62;</p>", true, false},
        {"<p>&lt;#include&gt; &lt;#E<b>Name</b>&gt;</p>", false, false},
        {"<p><#EName></p>", true, true},
        {"<p>ohne Ende <#</p", true, true},
        {"<p>&lt;#EName</p>", false, false},
    };
    for (const auto& c : cases) {
        const QString in = QString::fromUtf8(c.in);
        EXPECT_EQ(TPlaceholderTemplate(in, TemplateKind::Html).HasPlaceholders(), c.html) << c.in;
        EXPECT_EQ(TPlaceholderTemplate(in, TemplateKind::Text).HasPlaceholders(), c.text) << c.in;
    }
}

namespace {

// Fills random texts of the pieces, with values of the pieces in two recipient and two sender
// fields, and compares each with the rescanning rule applied to the text's plain reading. Most
// texts must be comparable: the rule itself does not end on some of them.
::testing::AssertionResult agreesOnRandomTexts(const QStringList& pieces, quint32 seed, int rounds, TemplateKind kind,
                                               QString (*plainReading)(const QString&))
{
    QRandomGenerator random(seed);
    auto randomText = [&](int maxPieces) -> QString {
        QString text;
        const int count = static_cast<int>(random.bounded(maxPieces + 1));
        for (int i = 0; i < count; ++i)
            text += pieces[static_cast<int>(random.bounded(pieces.size()))];
        return text;
    };
    int compared = 0;
    for (int round = 0; round < rounds; ++round) {
        RecipientValues recipient;
        SenderValues sender;
        recipient[static_cast<size_t>(RecipientField::Name)] = randomText(3);
        recipient[static_cast<size_t>(RecipientField::Ort)] = randomText(3);
        sender[static_cast<size_t>(SenderField::Ort)] = randomText(3);
        sender[static_cast<size_t>(SenderField::ID)] = randomText(3);
        const QString text = randomText(10);
        const std::optional<QString> expected = referenceFill(plainReading(text), recipient, sender);
        if (!expected)
            continue; // the rescanning rule never ends here; Fill only has to end
        ++compared;
        // Without the depth limit's cut, as the rule itself may go deep before it ends.
        const QString filled = TPlaceholderTemplate(text, kind, 100000).Fill(recipient, sender);
        if (filled != *expected)
            return ::testing::AssertionFailure()
                   << "text " << text.toStdString() << " Name " << recipient[1].toStdString() << " Ort "
                   << recipient[5].toStdString() << " AOrt " << sender[3].toStdString() << " AID "
                   << sender[12].toStdString() << ": " << filled.toStdString() << " instead of "
                   << expected->toStdString();
    }
    if (compared < rounds / 12)
        return ::testing::AssertionFailure() << "only " << compared << " texts comparable";
    return ::testing::AssertionSuccess();
}

} // namespace

TEST(PlaceholderTemplate, AgreesWithTheRescanningRuleOnRandomTemplates)
{
    // Fragments that meet at every boundary a token can form across.
    const QStringList pieces = {QStringLiteral("<#"),       QStringLiteral("<"),       QStringLiteral("#"),
                                QStringLiteral(">"),        QStringLiteral("x"),       QStringLiteral("\r\n"),
                                QStringLiteral("<#EName>"), QStringLiteral("<#EOrt>"), QStringLiteral("EName>"),
                                QStringLiteral("<#AOrt>"),  QStringLiteral("<#aid>"),  QStringLiteral("Ort>")};
    EXPECT_TRUE(agreesOnRandomTexts(pieces, 7, 6000, TemplateKind::Text, [](const QString& text) { return text; }));
}

TEST(PlaceholderTemplate, HtmlAgreesWithTheRescanningRuleOnItsPlainReading)
{
    // Brackets in every spelling, markup, and names that meet them at every boundary.
    const QStringList pieces = {QStringLiteral("<#"),         QStringLiteral("&lt;#"),
                                QStringLiteral("&LT;"),       QStringLiteral("&#60;"),
                                QStringLiteral("&#x3C;"),     QStringLiteral("#"),
                                QStringLiteral(">"),          QStringLiteral("&gt;"),
                                QStringLiteral("&Gt;"),       QStringLiteral("&#062;"),
                                QStringLiteral("&#x3e;"),     QStringLiteral("<"),
                                QStringLiteral("<b>"),        QStringLiteral("&"),
                                QStringLiteral("lt;"),        QStringLiteral("E"),
                                QStringLiteral("a"),          QStringLiteral("Name"),
                                QStringLiteral("Ort"),        QStringLiteral("x"),
                                QStringLiteral("\r\n"),       QStringLiteral("&lt;#EName&gt;"),
                                QStringLiteral("&lt;#eort>"), QStringLiteral("<#AOrt&gt;"),
                                QStringLiteral("<#aid>")};
    EXPECT_TRUE(agreesOnRandomTexts(pieces, 11, 10000, TemplateKind::Html, withPlainBrackets));
}

TEST(PlaceholderTemplate, SelfReferenceStaysSmall)
{
    RecipientValues recipient;
    SenderValues sender;
    recipient[static_cast<size_t>(RecipientField::Name)] = QStringLiteral("<#EOrt><#EOrt><#EOrt>");
    recipient[static_cast<size_t>(RecipientField::Ort)] = QStringLiteral("<#ETel><#ETel><#ETel><#ETel>");
    recipient[static_cast<size_t>(RecipientField::Tel)] = QStringLiteral("<#EName><#EFax><#EFax>");
    recipient[static_cast<size_t>(RecipientField::Fax)] = QStringLiteral("<#EOrt>xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx");
    const QString filled =
        TPlaceholderTemplate(QStringLiteral("<#EName>\r\n"), TemplateKind::Text).Fill(recipient, sender);
    EXPECT_FALSE(filled.contains(QLatin1String("<#")));
    EXPECT_LT(filled.size(), 2 * TPlaceholderTemplate::kNestedBudget);
}
