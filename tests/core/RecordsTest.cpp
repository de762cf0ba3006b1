#include "core/Records.h"

#include "core/DMTestDatabase.h"

#include <algorithm>
#include <gtest/gtest.h>

TEST(Records, DefaultsAndCaptions)
{
    const TEmpfDataRecord recipient;
    EXPECT_EQ(recipient.BFormel, QStringLiteral("Sehr geehrte(r)"));
    EXPECT_EQ(recipient.Status, 0);
    EXPECT_TRUE(recipient.Send);
    const TOptionData options;
    EXPECT_TRUE(options.DialUp);
    EXPECT_EQ(options.MailsPerConnection, 0);
    EXPECT_EQ(TEmpfaengerFelder().Items.at(8), QStringLiteral("Email"));
    EXPECT_EQ(TEmpfaengerFelder().Items.at(14), QStringLiteral("Begrüßungsformel"));
    EXPECT_EQ(TDBFiles().Items, (QStringList{QStringLiteral("Adressen.ADI"), QStringLiteral("Adressen.ADT"),
                                             QStringLiteral("Verfasser.ADI"), QStringLiteral("Verfasser.ADT")}));
}

TEST(Records, MailDataCutsToCapacity)
{
    TFDBData list;
    list.resize(1);
    TRecipientMailData& data = list[0];
    EXPECT_FALSE(data.Send);
    EXPECT_FALSE(data.Selected);
    data.setText(RecipientField::Land, QString(60, QChar(u'D')));
    EXPECT_EQ(data.text(RecipientField::Land), QStringLiteral("DDDDD"));
    data.setText(RecipientField::Name, QString(70, QChar(u'ä')));
    EXPECT_EQ(data.text(RecipientField::Name).size(), 70);
    // A cut through a surrogate pair drops the whole character.
    data.setText(RecipientField::PLZ, QString(14, QChar(u'1')) + QString::fromUtf8("\xF0\x9F\x98\x80"));
    EXPECT_EQ(data.text(RecipientField::PLZ), QString(14, QChar(u'1')));
}

// A record's capacity is the width its stored column accepts: a value of that many characters
// is written, one more is refused.
TEST(Records, CapacitiesAreTheStoredColumnWidths)
{
    NewsTestDatabase db(false);
    for (const RecipientFieldInfo& info : kRecipientFields) {
        const int capacity = TRecipientMailData::capacity(info.field);
        const QString insert = QStringLiteral("INSERT INTO Adressen (AbsenderID, %1) VALUES (1, ?)").arg(info.column);
        EXPECT_NO_THROW(db.connection.execute(QStringLiteral("Test"), insert, {QString(capacity, u'x')}))
            << info.column.toString().toStdString();
        EXPECT_THROW(db.connection.execute(QStringLiteral("Test"), insert, {QString(capacity + 1, u'x')}),
                     EDatabaseError)
            << info.column.toString().toStdString();
    }
}

// Each field's text is the record's member of that name.
TEST(Records, AFieldsTextIsTheMemberOfItsName)
{
    TEmpfDataRecord record;
    for (const RecipientFieldInfo& info : kRecipientFields)
        record.text(info.field) = info.column.toString();
    const QStringList members{record.Anrede, record.Name,     record.ZName, record.Strasse, record.PLZ,
                              record.Ort,    record.ZAdresse, record.Land,  record.Email,   record.Tel,
                              record.Fax,    record.Firma,    record.Titel, record.Vorname, record.BFormel};
    EXPECT_EQ(members, (QStringList{QStringLiteral("Anrede"), QStringLiteral("Name"), QStringLiteral("ZName"),
                                    QStringLiteral("Strasse"), QStringLiteral("PLZ"), QStringLiteral("Ort"),
                                    QStringLiteral("ZAdresse"), QStringLiteral("Land"), QStringLiteral("Email"),
                                    QStringLiteral("Tel"), QStringLiteral("Fax"), QStringLiteral("Firma"),
                                    QStringLiteral("Titel"), QStringLiteral("Vorname"), QStringLiteral("BFormel")}));
}

// The check that lists following the field table assert: every field once, in any order.
TEST(Records, AListNamesEveryFieldOnceOnlyWithNoneMissingOrRepeated)
{
    std::array<RecipientField, kRecipientFieldCount> all{};
    for (size_t i = 0; i < all.size(); ++i)
        all[i] = static_cast<RecipientField>(i);
    std::array<RecipientField, kRecipientFieldCount> reversed = all;
    std::reverse(reversed.begin(), reversed.end());
    std::array<RecipientField, kRecipientFieldCount> repeated = all;
    repeated.back() = RecipientField::Email;
    std::array<RecipientField, kRecipientFieldCount> beyond = all;
    beyond.back() = static_cast<RecipientField>(kRecipientFieldCount);
    std::array<RecipientField, kRecipientFieldCount - 1> missing{};
    std::copy(all.begin() + 1, all.end(), missing.begin());

    EXPECT_TRUE(namesEveryRecipientFieldOnce(all));
    EXPECT_TRUE(namesEveryRecipientFieldOnce(reversed));
    EXPECT_FALSE(namesEveryRecipientFieldOnce(repeated));
    EXPECT_FALSE(namesEveryRecipientFieldOnce(beyond));
    EXPECT_FALSE(namesEveryRecipientFieldOnce(missing));
    const std::pair<RecipientField, int> columns[] = {{RecipientField::Email, 150}};
    EXPECT_FALSE(namesEveryRecipientFieldOnce(columns, &std::pair<RecipientField, int>::first));
}
