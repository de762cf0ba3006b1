#include "platform/DbCollation.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

int sign(int v) { return (v > 0) - (v < 0); }

TEST(DbCollationTest, FoldsCaseUmlautsAndSharpS)
{
    struct Case {
        const char* a;
        const char* b;
        int expected;
    };
    const Case cases[] = {
        {"Ärger", "Bauer", -1},     {"Adam", "Ärger", -1},       {"de Vries", "Bauer", 1},
        {"de Vries", "Zorn", -1},   {"öl", "Ofen", 1},           {"Übel", "uber", -1},
        {"Strasse", "Straße", -1},  {"Straße", "Strassf", -1},   {"straße", "STRASSE", 1},
        {"Éclair", "Eclair", 1},    {"zebra", "Zebra", 1},       {"", "a", -1},
        {"Müller", "Muller", 1},    {"Mueller", "Müller", -1},   {"Same", "Same", 0},
    };
    for (const Case& c : cases) {
        const QString a = QString::fromUtf8(c.a);
        const QString b = QString::fromUtf8(c.b);
        EXPECT_EQ(sign(compareGerman(a, b)), c.expected) << c.a << " vs " << c.b;
        EXPECT_EQ(sign(compareGerman(b, a)), -c.expected) << c.b << " vs " << c.a;
    }
}

TEST(DbCollationTest, SortsGermanNames)
{
    QStringList names{QStringLiteral("Zorn"), QStringLiteral("de Vries"), QStringLiteral("Bauer"),
                      QString::fromUtf8("Ärger"), QStringLiteral("Adam")};
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) { return compareGerman(a, b) < 0; });
    EXPECT_EQ(names.join(QStringLiteral(", ")), QString::fromUtf8("Adam, Ärger, Bauer, de Vries, Zorn"));
}

// Texts made of pieces that fold alike or apart (ß and ss, Ä and a, a combining accent) and of
// bytes that are no valid UTF-8, put together so that many pairs share their start.
QList<QByteArray> mixedTexts()
{
    const QByteArray pieces[] = {"M", "m", "\xC3\xBC" /* ü */, "u", "\xC3\x9F" /* ß */, "ss", "s", "\xC3\x84" /* Ä */,
                                 "a", "e\xCC\x81" /* e + accent */, "-0", "-1", "\xE2\x82\xAC" /* € */,
                                 "\xC3" /* cut */, "\x9F" /* alone */, "\xE2\x82" /* cut */};
    QList<QByteArray> texts{QByteArray()};
    quint32 state = 12345;
    for (int n = 0; n < 400; ++n) {
        QByteArray text = texts.at(int(state % quint32(texts.size())));
        for (int k = 0; k < 3; ++k) {
            state = state * 1103515245u + 12345u;
            text += pieces[(state >> 16) % std::size(pieces)];
        }
        texts.append(text);
    }
    return texts;
}

int utf8Compare(const QByteArray& a, const QByteArray& b)
{
    return sign(compareGermanUtf8(a.constData(), a.size(), b.constData(), b.size()));
}

TEST(DbCollationTest, StoredTextsSortLikeTheTextsThemselves)
{
    const QList<QByteArray> texts = mixedTexts();
    for (const QByteArray& a : texts) {
        for (const QByteArray& b : texts) {
            const int order = utf8Compare(a, b);
            ASSERT_EQ(order, -utf8Compare(b, a)) << a.toHex().data() << " vs " << b.toHex().data();
            ASSERT_EQ(order == 0, a == b) << a.toHex().data() << " vs " << b.toHex().data();
            if (a.isValidUtf8() && b.isValidUtf8()) {
                ASSERT_EQ(order, sign(compareGerman(QString::fromUtf8(a), QString::fromUtf8(b))))
                    << a.toHex().data() << " vs " << b.toHex().data();
            }
        }
    }
    // A sorted list is in order pair by pair, malformed bytes and all.
    QList<QByteArray> sorted = texts;
    std::sort(sorted.begin(), sorted.end(), [](const QByteArray& a, const QByteArray& b) { return utf8Compare(a, b) < 0; });
    for (int i = 0; i < sorted.size(); ++i) {
        for (int j = i + 1; j < sorted.size(); ++j)
            ASSERT_LE(utf8Compare(sorted.at(i), sorted.at(j)), 0) << i << ", " << j;
    }
}

} // namespace
