#include "mail/PlaceholderTemplate.h"

#include "mail/RecipientList.h"

#include <QRandomGenerator>
#include <QRegularExpression>

#include <algorithm>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

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

// Markup as a browser skips it, for the pages of these tests: comments, declarations, end tags,
// script and style with their content, and tags whose quoted values follow "=". Atomic, so a
// token's pattern cannot end a tag at a ">" that a quoted value holds.
const QString kMarkup = []() -> QString {
    const QString tagRest = QStringLiteral(R"((?:=\s*"[^"]*"|=\s*'[^']*'|[^>])*(?:>|\z))");
    const QString raw = QStringLiteral(R"(<%1(?=[\s/>])%2[\s\S]*?(?=</%1[\s/>]|\z))");
    return QStringLiteral(R"((?><!--(?:-?>|[\s\S]*?(?:--!?>|\z))|<[!?][^>]*(?:>|\z)|</(?![a-z])[^>]*(?:>|\z)|)") +
           raw.arg(QStringLiteral("script"), tagRest) + QLatin1Char('|') + raw.arg(QStringLiteral("style"), tagRest) +
           QStringLiteral("|</?[a-z]") + tagRest + QLatin1Char(')');
}();

constexpr auto kHtmlOptions =
    QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption;

// Where each character of a page lies in markup, as the page reads from its start.
std::vector<bool> markupPositions(const QString& html)
{
    static const QRegularExpression markup(kMarkup, kHtmlOptions);
    std::vector<bool> inMarkup(static_cast<size_t>(html.size()), false);
    for (qsizetype i = 0; i < html.size();) {
        const QRegularExpressionMatch match =
            markup.match(html, i, QRegularExpression::NormalMatch, QRegularExpression::AnchorAtOffsetMatchOption);
        if (!match.hasMatch() || match.capturedLength() == 0) {
            ++i;
            continue;
        }
        std::fill_n(inMarkup.begin() + i, match.capturedLength(), true);
        i = match.capturedEnd();
    }
    return inMarkup;
}

// Markup a reader does not see inside a word: comments and the like, and the tags of
// formatting, language, spelling marks and bookmarks, or with a namespace.
bool showsNothing(const QString& markup)
{
    static const QRegularExpression tag(QStringLiteral("^</?([a-z][^\\s/>]*)"), kHtmlOptions);
    static const QStringList inlineTags = QStringLiteral("a abbr acronym b bdi bdo big cite code del dfn em font i "
                                                         "ins kbd mark nobr q s samp script small span strike strong "
                                                         "style sub sup tt u var wbr")
                                              .split(QLatin1Char(' '));
    const QRegularExpressionMatch match = tag.match(markup);
    return !match.hasMatch() || match.captured(1).contains(QLatin1Char(':')) ||
           inlineTags.contains(match.captured(1).toLower());
}

// An HTML template as the plain rule reads it: every token whose brackets a page shows as "<"
// and ">" rewritten as "<#" name ">". A "<#" opens a token anywhere; a reference to "<" only in
// the page's text, and then the page must show "#", A or E and a name of at most
// kMaxReferencedNameLength characters without blanks, "<" of text or references; the markup
// among them, which must show nothing and hold no "<#", follows the rewritten token.
QString withPlainBrackets(const QString& html)
{
    static const QRegularExpression plain(QStringLiteral(R"(<#([\s\S]*?)(?:>|&gt;|&#0*62;|&#x0*3e;))"), kHtmlOptions);
    static const QRegularExpression referenced(QStringLiteral(R"((?:&lt;|&#0*60;|&#x0*3c;)((?:%1|[^\s<&])*?))"
                                                              R"((?:>|&gt;|&#0*62;|&#x0*3e;))")
                                                   .arg(kMarkup),
                                               kHtmlOptions);
    static const QRegularExpression markup(kMarkup, kHtmlOptions);
    static const QRegularExpression name(QStringLiteral("^#[ae]"), kHtmlOptions);
    const std::vector<bool> inMarkup = markupPositions(html);
    QString reading;
    for (qsizetype i = 0; i < html.size();) {
        const auto at = [&](const QRegularExpression& pattern) {
            return pattern.match(html, i, QRegularExpression::NormalMatch,
                                 QRegularExpression::AnchorAtOffsetMatchOption);
        };
        if (const QRegularExpressionMatch match = at(plain); match.hasMatch()) {
            reading += QStringLiteral("<#") + match.captured(1) + QLatin1Char('>');
            i = match.capturedEnd();
            continue;
        }
        if (html.mid(i, 2) == QLatin1String("<#"))
            return reading + html.mid(i); // no ">" behind
        if (const QRegularExpressionMatch match = at(referenced); match.hasMatch() && !inMarkup[size_t(i)]) {
            QString visible = match.captured(1);
            QString kept;
            bool invisible = true;
            for (const QRegularExpressionMatch& tag : markup.globalMatch(visible)) {
                kept += tag.captured();
                invisible = invisible && showsNothing(tag.captured());
            }
            visible.remove(markup);
            if (visible.contains(name) && visible.size() <= 1 + TPlaceholderTemplate::kMaxReferencedNameLength &&
                invisible && !kept.contains(QLatin1String("<#"))) {
                reading += QStringLiteral("<#") + visible.mid(1) + QLatin1Char('>') + kept;
                i = match.capturedEnd();
                continue;
            }
        }
        reading += html[i++];
    }
    return reading;
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
        // Names nothing: removed, like "<#EUnbekannt>", with the markup inside kept.
        {"[&lt;#EUnbekannt&gt;][&lt;#a&gt;][&lt;#E<b>Unbekannt</b>&gt;]\r\n", "[][][<b></b>]\r\n", nullptr},
        // Not followed by "#A" or "#E", or with a reference that is no bracket: plain text.
        {"&lt;#include&gt; &lt;#&gt; &lt;EName&gt; &lt; #EName&gt; &amp;lt;#EName&amp;gt;\r\n", nullptr, nullptr},
        {"&lt#EName&gt; &#61;#EName&gt; &#x3d;#EName&gt; &lt;<b>x</b>#EName&gt;\r\n", nullptr, nullptr},
        // Split by markup where the formatting, the language or a spelling mark changes: the value
        // stands where the token began, its tags follow in their order.
        {"&lt;#<span class=SpellE>EName</span>&gt;\r\n", "Müller<span class=SpellE></span>\r\n", nullptr},
        {"&lt;#E<span lang=\"de-DE\">Name</span>&gt;\r\n", "Müller<span lang=\"de-DE\"></span>\r\n", nullptr},
        {"<span lang=DE style='mso-ansi-language:DE'>&lt;#<span class=SpellE>EVorname</span>&gt;</span>\r\n",
         "<span lang=DE style='mso-ansi-language:DE'>Jürgen<span class=SpellE></span></span>\r\n", nullptr},
        {"&lt;<b>#</b>E<font face=\"Arial\"><i>Na</i>me</font>&gt;\r\n",
         "Müller<b></b><font face=\"Arial\"><i></i></font>\r\n", nullptr},
        // A line end inside a tag, as both write long lines.
        {"&lt;#E<span\r\nlang=\"de-DE\">Vor</span><span\r\nstyle=\"color: #000\">name</span>&gt;\r\n",
         "Jürgen<span\r\nlang=\"de-DE\"></span><span\r\nstyle=\"color: #000\"></span>\r\n", nullptr},
        // Unbalanced markup inside: kept as it stands, so the page around stays as balanced.
        {"<b>&lt;#EVor</b><i>name&gt;</i> <u>&lt;#EName</u>&gt;\r\n", "<b>Jürgen</b><i></i> <u>Müller</u>\r\n",
         nullptr},
        // A ">" in a quoted value or a comment closes no token; comments and styles are markup.
        {"&lt;#E<font face=\"a>b\">Name</font>&gt; &lt;#E<!-- a > b -->Name&gt;\r\n",
         "Müller<font face=\"a>b\"></font> Müller<!-- a > b -->\r\n", nullptr},
        {"&lt;#E<style>b { }</style>Name&gt;\r\n", "Müller<style>b { }</style>\r\n", nullptr},
        // A blank, a reference or a "<" of the text breaks the name for the reader: no token.
        {"&lt;#E Name&gt; &lt;#E&nbsp;Name&gt; &lt;#E<b> </b>Name&gt; [&lt;#EVor\r\nname&gt;]\r\n", nullptr, nullptr},
        {"&lt;#E\xc2\xa0Name&gt; &lt;#EN&amp;&gt; &lt;#E<3&gt; &lt;#E<b Name&gt;\r\n", nullptr, nullptr},
        // Markup that breaks the line or shows something of its own breaks the name too; a word
        // processor's own tags and bookmarks do not.
        {"&lt;#EVor<br>name&gt; &lt;#EVor</p><p>name&gt; &lt;#E<img src=\"x.png\">Name&gt; &lt;#E<BR/>Name&gt;\r\n",
         nullptr, nullptr},
        {"&lt;#E<o:p></o:p>Name&gt; &lt;#E<st1:PersonName w:st=\"on\">Vorname</st1:PersonName>&gt; "
         "&lt;#E<a name=\"_GoBack\"></a>Name&gt; &lt;#E<![if !supportLists]>Name&gt;\r\n",
         "Müller<o:p></o:p> Jürgen<st1:PersonName w:st=\"on\"></st1:PersonName> Müller<a name=\"_GoBack\"></a> "
         "Müller<![if !supportLists]>\r\n",
         nullptr},
        // Another token's opener ends the search; that token is filled.
        {"&lt;#E<b>&lt;#EName&gt;</b> &lt;#E<i><#EVorname></i>\r\n", "&lt;#E<b>Müller</b> &lt;#E<i>Jürgen</i>\r\n",
         "&lt;#E<b>&lt;#EName&gt;</b> &lt;#E<i>Jürgen</i>\r\n"},
        // Markup that holds a "<#" token of its own.
        {"&lt;#E<a href=\"<#EVorname>\">Name</a>&gt;\r\n", "&lt;#E<a href=\"Jürgen\">Name</a>&gt;\r\n",
         "&lt;#E<a href=\"Jürgen\">Name</a>&gt;\r\n"},
        // In a tag, a comment, a script or a style a reference is no bracket a reader sees; "<#"
        // is a token everywhere.
        {"<img alt=\"&lt;#EName&gt;\"><!-- &lt;#EName&gt; <#EVorname> --><script>x=\"&lt;#EName&gt;\"</script>"
         "<style>p:after { content: \"&lt;#EName&gt;\" }</style>\r\n",
         "<img alt=\"&lt;#EName&gt;\"><!-- &lt;#EName&gt; Jürgen --><script>x=\"&lt;#EName&gt;\"</script>"
         "<style>p:after { content: \"&lt;#EName&gt;\" }</style>\r\n",
         "<img alt=\"&lt;#EName&gt;\"><!-- &lt;#EName&gt; Jürgen --><script>x=\"&lt;#EName&gt;\"</script>"
         "<style>p:after { content: \"&lt;#EName&gt;\" }</style>\r\n"},
        {"<!-- x --> &lt;#EName&gt; <!--> &lt;#EName&gt; <? x > &lt;#EName&gt; </style> &lt;#EName&gt;\r\n",
         "<!-- x --> Müller <!--> Müller <? x > Müller </style> Müller\r\n", nullptr},
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
        {"<p>&lt;#include&gt; &lt;#E<b>Name</b>&gt;</p>", true, false},
        {"<p>&lt;#include&gt; &lt;#E <b>Name</b>&gt; <!-- &lt;#EName&gt; --></p>", false, false},
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

// The name of a token opened by a reference is bounded, counted in the text the page shows, so
// a "&lt;#" of prose is not read far into the page; every placeholder name fits.
TEST(PlaceholderTemplate, HtmlReferencedNameIsBounded)
{
    const qsizetype bound = TPlaceholderTemplate::kMaxReferencedNameLength;
    QStringList names(TRecipientList::PlaceholderNames().begin(), TRecipientList::PlaceholderNames().end());
    names.append(QStringList(TSenderMailData::PlaceholderNames().begin(), TSenderMailData::PlaceholderNames().end()));
    for (const QString& placeholder : names)
        EXPECT_LE(placeholder.size() - 3 + 10, bound) << placeholder.toStdString(); // "<#", ">"; a margin
    const RecipientValues recipient = recipientValues();
    const SenderValues sender = senderValues();
    const QString atBound = QStringLiteral("E") + QString(bound - 1, QLatin1Char('x'));
    const QString split = QStringLiteral("E<b>") + QString(bound - 1, QLatin1Char('x')) + QStringLiteral("</b>");
    const struct {
        QString in;
        QString out;
    } cases[] = {
        {QStringLiteral("[&lt;#%1&gt;]").arg(atBound), QStringLiteral("[]")},
        {QStringLiteral("[&lt;#%1&gt;]").arg(split), QStringLiteral("[<b></b>]")},
        {QStringLiteral("[&lt;#%1y&gt;]").arg(atBound), QStringLiteral("[&lt;#%1y&gt;]").arg(atBound)},
        {QStringLiteral("[&lt;#%1y&gt;]").arg(split), QStringLiteral("[&lt;#%1y&gt;]").arg(split)},
        // A prose "&lt;#E" is passed, and the token behind it is filled.
        {QStringLiteral("&lt;#E") + QString(200, QLatin1Char('x')) + QStringLiteral("&lt;#EName&gt;&gt;"),
         QStringLiteral("&lt;#E") + QString(200, QLatin1Char('x')) + QStringLiteral("Müller&gt;")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TPlaceholderTemplate(c.in, TemplateKind::Html).Fill(recipient, sender), c.out) << c.in.toStdString();
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
    const QStringList pieces = {QStringLiteral("<#"),
                                QStringLiteral("&lt;#"),
                                QStringLiteral("&LT;"),
                                QStringLiteral("&#60;"),
                                QStringLiteral("&#x3C;"),
                                QStringLiteral("#"),
                                QStringLiteral(">"),
                                QStringLiteral("&gt;"),
                                QStringLiteral("&Gt;"),
                                QStringLiteral("&#062;"),
                                QStringLiteral("&#x3e;"),
                                QStringLiteral("<"),
                                QStringLiteral("<b>"),
                                QStringLiteral("</b>"),
                                QStringLiteral("<br>"),
                                QStringLiteral("<o:p>"),
                                QStringLiteral("<span class=SpellE>"),
                                QStringLiteral("<span\r\nlang=\"de-DE\">"),
                                QStringLiteral("<font face=\"a>b\">"),
                                QStringLiteral("<!-- c > d -->"),
                                QStringLiteral("<!--"),
                                QStringLiteral("-->"),
                                QStringLiteral("<style>"),
                                QStringLiteral("</style>"),
                                QStringLiteral("&"),
                                QStringLiteral("lt;"),
                                QStringLiteral("&nbsp;"),
                                QStringLiteral(" "),
                                QStringLiteral("E"),
                                QStringLiteral("a"),
                                QStringLiteral("Name"),
                                QStringLiteral("Ort"),
                                QStringLiteral("x"),
                                QStringLiteral("xxxxxxxxxxxxxxxxxxxx"),
                                QStringLiteral("\r\n"),
                                QStringLiteral("&lt;#EName&gt;"),
                                QStringLiteral("&lt;#<span class=SpellE>EName</span>&gt;"),
                                QStringLiteral("&lt;#eort>"),
                                QStringLiteral("<#AOrt&gt;"),
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
