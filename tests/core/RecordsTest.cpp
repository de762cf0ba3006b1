#include "core/Records.h"

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
    EXPECT_EQ(TDBFiles().Items,
              (QStringList{QStringLiteral("Adressen.ADI"), QStringLiteral("Adressen.ADT"),
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
    const int expected[] = {40, 70, 70, 50, 15, 50, 50, 5, 50, 40, 40, 70, 25, 50, 100};
    for (int k = 0; k < kRecipientFieldCount; ++k)
        EXPECT_EQ(TRecipientMailData::capacity(k), expected[k]);
}
