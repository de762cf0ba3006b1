#include "controls/FramePainter.h"

#include "controls/ControlText.h"

#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

// One distinct colour per role, so a pixel map tells which role painted each pixel.
const QHash<QChar, QColor>& roleColors()
{
    static const QHash<QChar, QColor> colors{{'W', QColor(10, 0, 0)}, {'S', QColor(20, 0, 0)}, {'H', QColor(30, 0, 0)},
                                             {'T', QColor(40, 0, 0)}, {'L', QColor(50, 0, 0)}, {'D', QColor(60, 0, 0)},
                                             {'F', QColor(70, 0, 0)}, {'C', QColor(80, 0, 0)}, {'.', QColor(90, 0, 0)}};
    return colors;
}

QColor role(char c)
{
    return roleColors().value(QLatin1Char(c));
}

FrameColors testColors()
{
    return {role('W'), role('S'), role('H'), role('T'), role('L'), role('D')};
}

QStringList pixelMap(const QImage& image)
{
    QStringList rows;
    for (int y = 0; y < image.height(); ++y) {
        QString row;
        for (int x = 0; x < image.width(); ++x)
            row += roleColors().key(image.pixelColor(x, y), QLatin1Char('?'));
        rows << row;
    }
    return rows;
}

struct FrameCase {
    const char* name;
    TFrameStyle style;
    TSides sides;
    QStringList expected;
};

TEST(FramePainter, ControlFramesMatchTheirPixelMaps)
{
    const TSides leftTop = TSides(TSide::sdLeft) | TSide::sdTop;
    const TSides topRight = TSides(TSide::sdTop) | TSide::sdRight;
    const FrameCase cases[] = {
        {"none", TFrameStyle::fsNone, kAllSides, {"CCCCCC", "CCCCCC", "CC..CC", "CCCCCC", "CCCCCC"}},
        {"flat left+top", TFrameStyle::fsFlat, leftTop, {"FFFFFF", "FCCCCC", "FC..CC", "FCCCCC", "FCCCCC"}},
        {"status", TFrameStyle::fsStatus, kAllSides, {"SSSSSH", "SCCCCH", "SC..CH", "SCCCCH", "HHHHHH"}},
        {"popup", TFrameStyle::fsPopup, kAllSides, {"HHHHHS", "HCCCCS", "HC..CS", "HCCCCS", "SSSSSS"}},
        {"lowered", TFrameStyle::fsLowered, kAllSides, {"SSSSSH", "STTTLH", "ST..LH", "SLLLLH", "HHHHHH"}},
        {"raised", TFrameStyle::fsRaised, kAllSides, {"LLLLLT", "LHHHST", "LH..ST", "LSSSST", "TTTTTT"}},
        {"button down", TFrameStyle::fsButtonDown, kAllSides, {"TTTTTT", "TSSSST", "TS..ST", "TSSSST", "TTTTTT"}},
        {"button up", TFrameStyle::fsButtonUp, kAllSides, {"HHHHHD", "HLLLSD", "HL..SD", "HSSSSD", "DDDDDD"}},
        {"groove", TFrameStyle::fsGroove, kAllSides, {"SSSSSH", "SHHHSH", "SH..SH", "SSSSSH", "HHHHHH"}},
        {"bump", TFrameStyle::fsBump, kAllSides, {"HHHHHS", "HSSSHS", "HS..HS", "HHHHHS", "SSSSSS"}},
        {"groove top+right", TFrameStyle::fsGroove, topRight, {"SSSSSH", "HHHHSH", "CC..SH", "CCCCSH", "CCCCSH"}},
    };
    for (const FrameCase& c : cases) {
        QImage image(6, 5, QImage::Format_RGB32);
        image.fill(role('.'));
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing); // spans stay exact whatever the hints
        DrawControlFrame(painter, 6, 5, c.style, role('C'), role('F'), c.sides, testColors());
        painter.end();
        EXPECT_EQ(pixelMap(image), c.expected) << c.name;
    }
}

TEST(FramePainter, BordersReturnTheRectangleInsideThem)
{
    QImage image(10, 10, QImage::Format_RGB32);
    QPainter painter(&image);
    const FrameRect outer{0, 0, 10, 8};
    const FrameColors colors = testColors();
    EXPECT_EQ(DrawStyledBorder(painter, outer, TFrameStyle::fsNone, kAllSides, colors), outer);
    EXPECT_EQ(DrawStyledBorder(painter, outer, TFrameStyle::fsGroove, kAllSides, colors), (FrameRect{2, 2, 8, 6}));
    EXPECT_EQ(DrawStyledBorder(painter, outer, TFrameStyle::fsStatus, TSides(TSide::sdBottom), colors),
              (FrameRect{0, 0, 10, 7}));
    EXPECT_EQ(DrawStyledBorder(painter, outer, TFrameStyle::fsLowered, TSides(TSide::sdLeft) | TSide::sdTop, colors),
              (FrameRect{2, 2, 10, 8}));
    EXPECT_EQ(DrawFrameRings(painter, outer, Qt::red, Qt::red, 0, kAllSides), outer);
    EXPECT_EQ(DrawFrameRings(painter, outer, Qt::red, Qt::red, 3, kAllSides), (FrameRect{3, 3, 7, 5}));
}

TEST(ControlText, CharacterHelpers)
{
    EXPECT_EQ(CountChar(QLatin1Char('/'), QString()), 0);
    EXPECT_EQ(CountChar(QLatin1Char('/'), QStringLiteral("/a/b/")), 3);
    EXPECT_EQ(LastChar(QString()), QChar());
    EXPECT_EQ(LastChar(QStringLiteral("ab/")), QLatin1Char('/'));
    const struct {
        int n;
        const char* expected;
    } copies[] = {{1, "/"}, {2, "/home/"}, {3, "/home/anna/"}, {4, "/home/anna/Vorlagen"}, {9, "/home/anna/Vorlagen"}};
    for (const auto& c : copies)
        EXPECT_EQ(CopyThroughNthChar(QStringLiteral("/home/anna/Vorlagen"), 1, QLatin1Char('/'), c.n),
                  QString::fromLatin1(c.expected))
            << c.n;
    EXPECT_EQ(FontItemHeight(QFont()), QFontMetrics(QFont()).height() + 2);
}

TEST(ControlText, ShortenPathKeepsTheRootAndTheLastName)
{
    const QFontMetrics metrics{QFont()};
    const QString path = QStringLiteral("/home/anna/Dokumente/Newsletter/Vorlagen");
    EXPECT_EQ(ShortenPath(path, metrics, metrics.horizontalAdvance(path)), path);
    const QString fits = QStringLiteral("/.../Newsletter/Vorlagen");
    EXPECT_EQ(ShortenPath(path, metrics, metrics.horizontalAdvance(fits)), fits);
    const QString tight = QStringLiteral("/.../Vorlagen");
    EXPECT_EQ(ShortenPath(path, metrics, metrics.horizontalAdvance(tight)), tight);
    EXPECT_LE(metrics.horizontalAdvance(ShortenPath(path, metrics, 20)), 20);
}

} // namespace
