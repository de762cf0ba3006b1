#include "controls/MenuLayout.h"

#include <gtest/gtest.h>

namespace {

// Ten pixels a drawn character: an access-key "&" and combining marks take no room, "&&" draws one "&".
int fakeWidth(const QString& text)
{
    int width = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&') {
            if (i + 1 == text.size() || text[i + 1] != u'&')
                continue;
            ++i;
        }
        if (text[i].category() != QChar::Mark_NonSpacing)
            width += 10;
    }
    return width;
}

bool fitsIn(const QString& text, int maximum)
{
    return fakeWidth(text) <= maximum;
}

TEST(MenuLayout, ShorteningRule)
{
    struct Case {
        const char* what;
        QString caption;
        int maximum;
        QString expected;
    };
    const QList<Case> cases{
        {"seven characters: the last three become dots", QStringLiteral("Beenden"), 70, QStringLiteral("Been...")},
        {"seven characters shrink one at a time", QStringLiteral("Beenden"), 60, QStringLiteral("Bee...")},
        {"seven characters end at one and dots", QStringLiteral("Beenden"), 0, QStringLiteral("B...")},
        {"longer captions start from all but three", QStringLiteral("Einstellungen..."), 160,
         QStringLiteral("Einstellungen...")},
        {"longer captions shrink as well", QStringLiteral("Einstellungen..."), 90, QStringLiteral("Einste...")},
        {"six characters: the last becomes a dot", QStringLiteral("Inhalt"), 60, QStringLiteral("Inhal.")},
        {"six characters shrink one at a time", QStringLiteral("Inhalt"), 30, QStringLiteral("In.")},
        {"six characters end at one and a dot", QStringLiteral("Inhalt"), 0, QStringLiteral("I.")},
        {"two characters", QStringLiteral("OK"), 0, QStringLiteral("O.")},
        {"one character", QStringLiteral("X"), 0, QStringLiteral(".")},
        {"an empty caption stays empty", QString(), 0, QString()},
        {"a combining mark stays with its letter", QStringLiteral("Mu\u0308ller"), 50, QStringLiteral("Mu\u0308ll.")},
        {"a combining mark is never cut off", QStringLiteral("Mu\u0308ller"), 0, QStringLiteral("M.")},
        {"the access key stays with its letter", QStringLiteral("Daten&sicherung"), 85, QStringLiteral("Daten...")},
        {"a short caption keeps its access key whole", QStringLiteral("Ja&hr"), 30, QStringLiteral("Ja.")},
        {"an access key counts as one character", QStringLiteral("&Ansicht"), 0, QStringLiteral("&A...")},
        {"a literal ampersand stays whole", QStringLiteral("Ton && Bild"), 75, QStringLiteral("Ton ...")},
    };
    for (const Case& c : cases) {
        const QString shortened =
            ShortenMenuCaption(c.caption, [&](const QString& text) { return fitsIn(text, c.maximum); });
        EXPECT_EQ(shortened, c.expected) << c.what;
    }
}

TEST(MenuLayout, BarCaptionShortensToTheItemAndPlacesTheText)
{
    struct Case {
        const char* what;
        QString caption;
        int itemWidth;
        bool framed;
        MenuCaptionPlacement expected;
    };
    const QList<Case> cases{
        {"room to spare", QStringLiteral("Erweitert"), 120, false, {QStringLiteral("Erweitert"), 4}},
        {"little room: the text moves left", QStringLiteral("Erweitert"), 92, false, {QStringLiteral("Erweitert"), 2}},
        {"exactly as wide as the item", QStringLiteral("Erweitert"), 90, false, {QStringLiteral("Erweitert"), 0}},
        {"too wide: shortened to the item less 4", QStringLiteral("Erweitert"), 89, false,
         {QStringLiteral("Erwei..."), 4}},
        {"one pixel to spare", QStringLiteral("Erweitert"), 91, false, {QStringLiteral("Erweitert"), 1}},
        {"the frame takes two pixels", QStringLiteral("Erweitert"), 91, true, {QStringLiteral("Erwei..."), 4}},
        {"framed and fitting", QStringLiteral("Erweitert"), 92, true, {QStringLiteral("Erweitert"), 2}},
        {"the access key takes no room", QStringLiteral("&Hilfe"), 50, false, {QStringLiteral("&Hilfe"), 0}},
        {"two characters that never fit", QStringLiteral("Ab"), 3, false, {QStringLiteral("A."), 4}},
        {"one character that never fits", QStringLiteral("A"), 3, false, {QStringLiteral("."), 4}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PlaceBarCaption(c.caption, c.itemWidth, c.framed, fakeWidth), c.expected) << c.what;
}

TEST(MenuLayout, DropDownCaptionCountsTheShortcutButNeverCutsIt)
{
    struct Case {
        const char* what;
        QString caption;
        QString shortcut;
        int fitWidth;
        MenuCaptionPlacement expected;
    };
    // "Sichern Strg+S" is 140 pixels wide; with a shortcut the text may take the fit width less 4,
    // without one less 8.
    const QList<Case> cases{
        {"fits with its shortcut", QStringLiteral("Sichern"), QStringLiteral("Strg+S"), 144,
         {QStringLiteral("Sichern"), 4}},
        {"the shortcut makes it too wide", QStringLiteral("Sichern"), QStringLiteral("Strg+S"), 143,
         {QStringLiteral("Sic..."), 4}},
        {"shrinks the caption only", QStringLiteral("Sichern"), QStringLiteral("Strg+S"), 124,
         {QStringLiteral("Si..."), 4}},
        {"without a shortcut the margin is 8", QStringLiteral("Sichern"), QString(), 78,
         {QStringLiteral("Sichern"), 4}},
        {"without a shortcut, one pixel less", QStringLiteral("Sichern"), QString(), 77,
         {QStringLiteral("Sic..."), 4}},
    };
    for (const Case& c : cases) {
        const MenuCaptionPlacement placed = PlaceDropDownCaption(c.caption, c.shortcut, c.fitWidth, 500, fakeWidth);
        EXPECT_EQ(placed, c.expected) << c.what;
    }
    // The text's right edge close to the rectangle's right edge moves it left.
    EXPECT_EQ(PlaceDropDownCaption(QStringLiteral("Sichern"), {}, 200, 72, fakeWidth).offset, 2);
}

TEST(MenuLayout, SeparatorLineStaysInsideLowItems)
{
    EXPECT_EQ(SeparatorLineOffset(22), 4);
    EXPECT_EQ(SeparatorLineOffset(10), 4);
    EXPECT_EQ(SeparatorLineOffset(6), 2);
    EXPECT_EQ(SeparatorLineOffset(2), 0);
    EXPECT_EQ(SeparatorLineOffset(1), 0);
}

TEST(MenuLayout, FitWidthOfDropDownItems)
{
    EXPECT_EQ(DropDownFitWidth(150, true), 130);
    EXPECT_EQ(DropDownFitWidth(150, false), 154);
}

} // namespace
