#include "core/Records.h"

#include "core/DMTestDatabase.h"

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
