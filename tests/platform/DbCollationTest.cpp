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

} // namespace
