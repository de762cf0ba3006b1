#include "core/CredentialCodec.h"

#include <gtest/gtest.h>

namespace {

quint32 fixedTicks()
{
    return 123456789u;
}

TEST(CredentialCodec, KnownVector)
{
    EXPECT_EQ(EncodeCredential(QStringLiteral("abc")), QStringLiteral("6348764094638376358364094"));
    EXPECT_EQ(DecodeCredential(QStringLiteral("6348764094638376358364094")), QStringLiteral("abc"));
}

TEST(CredentialCodec, GroupCountsFollowTheLength)
{
    struct Case {
        int length;
        int groups;
    };
    const Case cases[] = {{1, 5}, {3, 5}, {9, 5}, {10, 6}, {11, 6}, {50, 26}, {254, 128}, {255, 128}, {256, 128}};
    for (const Case& c : cases) {
        const QString value(c.length, QChar(u'x'));
        const QString encoded = EncodeCredential(value);
        EXPECT_EQ(encoded.size(), c.groups * 5) << c.length;
        EXPECT_EQ(DecodeCredential(encoded), value.left(255)) << c.length;
    }
}

TEST(CredentialCodec, RoundTripsEveryKindOfText)
{
    const QString values[] = {
        QStringLiteral("Grün"),
        QStringLiteral("Öl"),
        QStringLiteral("ö"),
        QStringLiteral("aÄbÖcÜdß"),
        QStringLiteral("xaÄbÖcÜdß"),
        QStringLiteral("pass word!"),
        QStringLiteral("€uro"),
        QString::fromUtf8("a\xF0\x9F\x98\x80"
                          "b"),
        QString::fromUtf8("\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80"),
        QString(50, QChar(u'ü')),
    };
    for (const QString& value : values)
        EXPECT_EQ(DecodeCredential(EncodeCredential(value)), value) << value.toStdString();
}

TEST(CredentialCodec, LongTextIsCutAtACharacterBoundary)
{
    const QString value = QString(127, QChar(u'ä')) + QStringLiteral("zz"); // 256 bytes of UTF-8
    const QString decoded = DecodeCredential(EncodeCredential(value));
    EXPECT_EQ(decoded, QString(127, QChar(u'ä')) + QStringLiteral("z"));
    const QString odd = QStringLiteral("z") + QString(130, QChar(u'ä'));
    const QString oddDecoded = DecodeCredential(EncodeCredential(odd));
    EXPECT_EQ(oddDecoded, QStringLiteral("z") + QString(127, QChar(u'ä')));
}

TEST(CredentialCodec, EmptyValues)
{
    setCredentialTickSource(fixedTicks);
    const QString encoded = EncodeCredential(QString());
    setCredentialTickSource(nullptr);
    EXPECT_EQ(encoded.size(), 25);
    EXPECT_EQ(encoded.left(5), QStringLiteral("%1").arg(0 + 256 * '1' + 38652));
    EXPECT_EQ(DecodeCredential(encoded), QString());
    EXPECT_EQ(DecodeCredential(QString()), QString());
}

TEST(CredentialCodec, BadDigitsRaiseTheConversionError)
{
    const struct {
        QString input;
        QString message;
    } cases[] = {
        {QStringLiteral("63487abcde"), QStringLiteral("'abcde' ist kein gültiger Integerwert")},
        {QStringLiteral("6348x"), QStringLiteral("'6348x' ist kein gültiger Integerwert")},
    };
    for (const auto& c : cases) {
        try {
            DecodeCredential(c.input);
            ADD_FAILURE() << "no error for " << c.input.toStdString();
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.message(), c.message);
        }
    }
}

TEST(CredentialCodec, DecodingCapsTheLengthAndReadsAtMost128Groups)
{
    // Length byte 200 but only five groups: just the nine decoded bytes can be the value.
    const int unit0 = 200 + 256 * 'a' + 38652;
    QString encoded = QString::number(unit0);
    for (int i = 0; i < 4; ++i)
        encoded += QString::number('b' + 256 * 'c' + 38652);
    EXPECT_EQ(DecodeCredential(encoded), QStringLiteral("abcbcbcbc"));

    const QString value(255, QChar(u'q'));
    EXPECT_EQ(DecodeCredential(EncodeCredential(value) + QStringLiteral("garbage")), value);
}

} // namespace
