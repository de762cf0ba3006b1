#include "mail/PlaceholderTemplate.h"

#include "mail/RecipientList.h"

#include <QRandomGenerator>

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
        EXPECT_EQ(TPlaceholderTemplate(in).Fill(recipient, sender), QString::fromUtf8(c.out)) << c.in;
    }
}

TEST(PlaceholderTemplate, AgreesWithTheRescanningRuleOnRandomTemplates)
{
    // Fragments that meet at every boundary a token can form across.
    const QStringList pieces = {QStringLiteral("<#"),       QStringLiteral("<"),       QStringLiteral("#"),
                                QStringLiteral(">"),        QStringLiteral("x"),       QStringLiteral("\r\n"),
                                QStringLiteral("<#EName>"), QStringLiteral("<#EOrt>"), QStringLiteral("EName>"),
                                QStringLiteral("<#AOrt>"),  QStringLiteral("<#aid>"),  QStringLiteral("Ort>")};
    QRandomGenerator random(7);
    auto randomText = [&](int maxPieces) -> QString {
        QString text;
        const int count = static_cast<int>(random.bounded(maxPieces + 1));
        for (int i = 0; i < count; ++i)
            text += pieces[static_cast<int>(random.bounded(pieces.size()))];
        return text;
    };
    int compared = 0;
    for (int round = 0; round < 6000; ++round) {
        RecipientValues recipient;
        SenderValues sender;
        recipient[static_cast<size_t>(RecipientField::Name)] = randomText(3);
        recipient[static_cast<size_t>(RecipientField::Ort)] = randomText(3);
        sender[static_cast<size_t>(SenderField::Ort)] = randomText(3);
        sender[static_cast<size_t>(SenderField::ID)] = randomText(3);
        const QString text = randomText(10);
        const std::optional<QString> expected = referenceFill(text, recipient, sender);
        if (!expected)
            continue; // the rescanning rule never ends here; Fill only has to end
        ++compared;
        // Without the depth limit's cut, as the rule itself may go deep before it ends.
        ASSERT_EQ(TPlaceholderTemplate(text, 100000).Fill(recipient, sender), *expected)
            << "text " << text.toStdString() << " Name " << recipient[1].toStdString() << " Ort "
            << recipient[5].toStdString() << " AOrt " << sender[3].toStdString() << " AID " << sender[12].toStdString();
    }
    EXPECT_GT(compared, 500); // the random texts must mostly be comparable
}

TEST(PlaceholderTemplate, SelfReferenceStaysSmall)
{
    RecipientValues recipient;
    SenderValues sender;
    recipient[static_cast<size_t>(RecipientField::Name)] = QStringLiteral("<#EOrt><#EOrt><#EOrt>");
    recipient[static_cast<size_t>(RecipientField::Ort)] = QStringLiteral("<#ETel><#ETel><#ETel><#ETel>");
    recipient[static_cast<size_t>(RecipientField::Tel)] = QStringLiteral("<#EName><#EFax><#EFax>");
    recipient[static_cast<size_t>(RecipientField::Fax)] = QStringLiteral("<#EOrt>xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx");
    const QString filled = TPlaceholderTemplate(QStringLiteral("<#EName>\r\n")).Fill(recipient, sender);
    EXPECT_FALSE(filled.contains(QLatin1String("<#")));
    EXPECT_LT(filled.size(), 2 * TPlaceholderTemplate::kNestedBudget);
}
