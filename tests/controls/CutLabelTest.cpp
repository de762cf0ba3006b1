#include "controls/TFlatSB.h"
#include "controls/TKubDBText.h"
#include "controls/TTACutLabel.h"

#include <QFontMetrics>

#include <functional>
#include <gtest/gtest.h>

namespace {

QString dots(const QString& kept)
{
    return kept + QStringLiteral("...");
}

// A label that shortens, with the given width for its text.
struct FixedLabel {
    TTACutLabel label;
    explicit FixedLabel(const QString& caption)
    {
        label.setAutoSize(false);
        label.setContentsMargins(0, 0, 0, 0);
        label.setCaption(caption);
    }
    int width(const QString& text) const { return label.fontMetrics().horizontalAdvance(text); }
    QString shownAt(int width)
    {
        label.resize(width, 20);
        return label.shownText();
    }
};

TEST(TTACutLabel, FourCharacterTextLosesCharactersUntilItFits)
{
    FixedLabel f(QStringLiteral("WWWW"));
    ASSERT_LT(f.width(dots(QStringLiteral("WWW"))), f.width(QStringLiteral("WWWW")));
    struct Case {
        const char* what;
        std::function<int()> width;
        QString expected;
    };
    const QList<Case> cases{
        {"exactly as wide as the text", [&] { return f.width(QStringLiteral("WWWW")); }, QStringLiteral("WWWW")},
        {"three characters fit exactly", [&] { return f.width(dots(QStringLiteral("WWW"))); },
         dots(QStringLiteral("WWW"))},
        {"one pixel short of three", [&] { return f.width(dots(QStringLiteral("WWW"))) - 1; },
         dots(QStringLiteral("WW"))},
        {"one pixel short of two", [&] { return f.width(dots(QStringLiteral("WW"))) - 1; }, dots(QStringLiteral("W"))},
        {"one pixel short of one", [&] { return f.width(dots(QStringLiteral("W"))) - 1; }, QStringLiteral("...")},
        {"no width at all", [] { return 0; }, QStringLiteral("...")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(f.shownAt(c.width()), c.expected) << c.what;
}

TEST(TTACutLabel, ShortTextsAutoSizeAndEmptyTextStayWhole)
{
    FixedLabel three(QStringLiteral("WMW"));
    EXPECT_EQ(three.shownAt(1), QStringLiteral("WMW"));
    FixedLabel empty{QString()};
    EXPECT_EQ(empty.shownAt(0), QString());

    TTACutLabel autoSized(QStringLiteral("Ein ziemlich langer Firmenname GmbH & Co. KG"));
    ASSERT_TRUE(autoSized.autoSize());
    EXPECT_GE(autoSized.width(), autoSized.fontMetrics().horizontalAdvance(autoSized.caption()));
    autoSized.resize(20, 20);
    EXPECT_EQ(autoSized.shownText(), autoSized.caption());
}

TEST(TTACutLabel, ShorteningNeverSplitsACharacter)
{
    // u + combining diaeresis, a character outside the basic plane, and a precomposed umlaut.
    const QString text = QStringLiteral("Gru\u0308ße 😀 an Jörg und Jürgen 😀😀");
    FixedLabel f(text);
    for (int width = 0; width <= f.width(text); ++width) {
        const QString shown = f.shownAt(width);
        if (shown == text)
            continue;
        ASSERT_TRUE(shown.endsWith(QStringLiteral("...")));
        const QString kept = shown.chopped(3);
        ASSERT_TRUE(text.startsWith(kept));
        ASSERT_FALSE(kept.endsWith(QChar(0xD83D))) << "split surrogate pair at width " << width;
        const QChar next = text.at(kept.size());
        ASSERT_FALSE(next.isMark() || next.isLowSurrogate()) << "split character at width " << width;
    }
}

TEST(TTACutLabel, CaptionIsPlainTextNeverMarkup)
{
    TTACutLabel label(QStringLiteral("<b>Müller &amp; Söhne</b>"));
    EXPECT_EQ(label.textFormat(), Qt::PlainText);
    EXPECT_EQ(label.shownText(), QStringLiteral("<b>Müller &amp; Söhne</b>"));
    EXPECT_GE(label.width(), label.fontMetrics().horizontalAdvance(QStringLiteral("<b>Müller &amp; Söhne</b>")));
}

class FakeField : public TFieldTextSource {
public:
    QString value;
    QString displayText() const override { return value; }
    void set(const QString& text)
    {
        value = text;
        emit changed();
    }
};

TEST(TKubDBText, FollowsItsFieldAndShortensIt)
{
    TKubDBText label;
    label.setAutoSize(false);
    label.resize(60, 20);
    EXPECT_EQ(label.caption(), QString());

    FakeField field;
    field.value = QStringLiteral("Ort");
    label.setSource(&field);
    EXPECT_EQ(label.shownText(), QStringLiteral("Ort"));

    field.set(QStringLiteral("Garmisch-Partenkirchen im schönen Werdenfelser Land"));
    EXPECT_EQ(label.caption(), field.value);
    EXPECT_TRUE(label.shownText().endsWith(QStringLiteral("...")));
    EXPECT_LE(label.fontMetrics().horizontalAdvance(label.shownText()), 60);

    label.setSource(nullptr);
    EXPECT_EQ(label.caption(), QString());
}

TEST(TKubDBText, ADestroyedSourceLeavesTheLabelEmpty)
{
    TKubDBText label;
    {
        FakeField field;
        field.value = QStringLiteral("Hamburg");
        label.setSource(&field);
        EXPECT_EQ(label.caption(), QStringLiteral("Hamburg"));
    }
    EXPECT_EQ(label.caption(), QString());
    EXPECT_EQ(label.source(), nullptr);
}

TEST(TFlatSB, ComesWithTheProgramsLook)
{
    TFlatSB button(QStringLiteral("Schließen"));
    EXPECT_EQ(button.size(), QSize(85, 25));
    // The colour numbers 14348015, 8623776, 14805739, 15113344 and 10053222 (red in the low byte).
    EXPECT_EQ(button.color(), QColor(239, 238, 218));
    EXPECT_EQ(button.colorBorder(), QColor(160, 150, 131));
    EXPECT_EQ(button.colorDown(), QColor(235, 234, 225));
    EXPECT_EQ(button.colorFocused(), QColor(Qt::white));
    EXPECT_EQ(button.colorHighLight(), QColor(128, 156, 230));
    EXPECT_EQ(button.colorShadow(), QColor(102, 102, 153));
    EXPECT_EQ(button.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(button.font().family(), QStringLiteral("Verdana"));
    EXPECT_EQ(button.font().pixelSize(), 11);
    EXPECT_EQ(button.focusPolicy(), Qt::NoFocus);
}

TEST(TFlatSB, PaintsInEveryStateWithoutAStyle)
{
    TFlatSB button(QStringLiteral("Senden"));
    button.setCheckable(true);
    for (bool checked : {false, true}) {
        button.setChecked(checked);
        const QImage image = button.grab().toImage();
        EXPECT_EQ(image.pixelColor(3, 20), checked ? QColor(235, 234, 225) : QColor(239, 238, 218)) << checked;
        EXPECT_EQ(image.pixelColor(0, 0), QColor(160, 150, 131));
    }
}

} // namespace
