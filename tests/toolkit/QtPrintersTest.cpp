#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

// The printers come with every test file; PrintToString is what a failure message shows.
TEST(QtPrinters, ShowTextReadablyWithItsControlCharactersEscaped)
{
    struct Case {
        QString value;
        std::string shown;
    };
    const Case cases[] = {
        {QString(), R"("")"},
        {QStringLiteral("Grüße aus Lübeck"), "\"Grüße aus Lübeck\""},
        {QStringLiteral("Zeile 1\r\nZeile 2\tEnde"), R"("Zeile 1\r\nZeile 2\tEnde")"},
        {QStringLiteral("Die Datei \"C:\\a.csv\""), R"("Die Datei \"C:\\a.csv\"")"},
        {QString(QChar(0)) + QChar(0x1B) + QChar(0x7F), R"("\x00\x1B\x7F")"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(testing::PrintToString(c.value), c.shown);
}

TEST(QtPrinters, ShowAListAsItsQuotedItems)
{
    EXPECT_EQ(testing::PrintToString(QStringList()), "{}");
    EXPECT_EQ(testing::PrintToString(QStringList{QStringLiteral("a"), QStringLiteral("b\n")}), R"({"a", "b\n"})");
    EXPECT_EQ(testing::PrintToString(QList<QStringList>{{QStringLiteral("x")}}), R"({ {"x"} })");
}

} // namespace
