#include "controls/MenuColor.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QStyleOptionMenuItem>

#include <gtest/gtest.h>

namespace {

// Colours that tell every part apart; "untouched" is what the image held before painting.
const QColor kUntouched(255, 0, 255);
const QColor kColor(200, 190, 150);
const QColor kColorSelect(110, 122, 148);
const QColor kImageBack(60, 160, 60);
const QColor kBorder(0, 0, 0);
const QColor kFont(20, 20, 120);
const QColor kFontSelect(255, 255, 255);
const QColor kMenuLine(200, 200, 40);
const QColor kImage(255, 0, 0);

// Not at the origin, so that coordinates relative to the item are checked.
const QRect kItem(7, 3, 160, 22);

enum class Kind { DropDown, Bar };

struct Look {
    bool imageSelect = true;
    bool selectBorder = true;
};

struct ItemOptions {
    Kind kind = Kind::DropDown;
    QStyle::State state = QStyle::State_Enabled;
    Look look;
    bool imageColumn = true;
    QString text = QStringLiteral("HHEE");
    QStyleOptionMenuItem::MenuItemType type = QStyleOptionMenuItem::Normal;
    bool withImage = false;
};

ItemOptions item(Kind kind, QStyle::State state, Look look = {})
{
    ItemOptions o;
    o.kind = kind;
    o.state = state;
    o.look = look;
    return o;
}

ItemOptions withoutImageColumn(ItemOptions o)
{
    o.imageColumn = false;
    return o;
}

ItemOptions ofType(QStyleOptionMenuItem::MenuItemType type, const QString& text)
{
    ItemOptions o;
    o.type = type;
    o.text = text;
    return o;
}

ItemOptions withImage()
{
    ItemOptions o;
    o.withImage = true;
    return o;
}

TMenuColors testColors(const Look& look)
{
    TMenuColors colors;
    colors.color = kColor;
    colors.colorSelect = kColorSelect;
    colors.imageBackColor = kImageBack;
    colors.borderColor = kBorder;
    colors.fontColor = kFont;
    colors.fontColorSelect = kFontSelect;
    colors.menuLineColor = kMenuLine;
    colors.imageSelect = look.imageSelect;
    colors.selectBorder = look.selectBorder;
    return colors;
}

QIcon solidImage()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(kImage);
    return QIcon(pixmap);
}

QImage paintItem(const ItemOptions& o)
{
    TMenuColor style;
    style.setColors(testColors(o.look));
    QStyleOptionMenuItem option;
    option.rect = kItem;
    option.state = o.state;
    option.text = o.text;
    option.menuItemType = o.type;
    option.maxIconWidth = o.imageColumn ? 20 : 0;
    option.font = QApplication::font();
    option.palette = QApplication::palette();
    if (o.withImage)
        option.icon = solidImage();
    QImage image(kItem.right() + 8, kItem.bottom() + 8, QImage::Format_RGB32);
    image.fill(kUntouched);
    QPainter painter(&image);
    style.drawControl(o.kind == Kind::Bar ? QStyle::CE_MenuBarItem : QStyle::CE_MenuItem, &option, &painter);
    painter.end();
    return image;
}

// A point relative to the item: x from its left edge, or from its right edge (exclusive) when
// negative; y from its top.
struct Probe {
    int x;
    int y;
    QColor expected;
};

QPoint at(const Probe& probe)
{
    const int x = probe.x >= 0 ? kItem.left() + probe.x : kItem.left() + kItem.width() + probe.x;
    return {x, kItem.top() + probe.y};
}

// Text is drawn smoothed: a pixel near the colour counts.
bool near(QRgb pixel, const QColor& color)
{
    return qAbs(qRed(pixel) - color.red()) <= 40 && qAbs(qGreen(pixel) - color.green()) <= 40 &&
           qAbs(qBlue(pixel) - color.blue()) <= 40;
}

// Whether any pixel of the area relative to the item is near the colour.
bool anyPixel(const QImage& image, const QRect& area, const QColor& color)
{
    const QRect absolute = area.translated(kItem.topLeft());
    for (int y = absolute.top(); y <= absolute.bottom(); ++y)
        for (int x = absolute.left(); x <= absolute.right(); ++x)
            if (near(image.pixel(x, y), color))
                return true;
    return false;
}

// The rightmost column of the item that holds a pixel near the colour; -1 for none.
int rightmostOf(const QImage& image, const QColor& color)
{
    for (int x = kItem.right(); x >= kItem.left(); --x)
        for (int y = kItem.top(); y <= kItem.bottom(); ++y)
            if (near(image.pixel(x, y), color))
                return x - kItem.left();
    return -1;
}

constexpr QStyle::State kSelected = QStyle::State_Enabled | QStyle::State_Selected;
constexpr QStyle::State kDisabled = QStyle::State_None;
constexpr QStyle::State kDisabledSelected = QStyle::State_Selected;
const int kLast = -1; // the item's last column

TEST(TMenuColor, FillsOfEachState)
{
    struct Case {
        const char* what;
        ItemOptions item;
        QList<Probe> probes;
    };
    const QList<Case> cases{
        {"drop-down, plain: image column, then the text area",
         item(Kind::DropDown, QStyle::State_Enabled),
         {{0, 0, kImageBack}, {19, 21, kImageBack}, {20, 0, kColor}, {kLast, 21, kColor}}},
        {"selected over the image column, framed",
         item(Kind::DropDown, kSelected, {true, true}),
         {{0, 5, kUntouched},
          {1, 0, kBorder},
          {1, 21, kBorder},
          {2, 1, kColorSelect},
          {kLast - 1, 5, kBorder},
          {kLast - 2, 20, kColorSelect},
          {kLast, 5, kUntouched}}},
        {"selected over the image column, no frame",
         item(Kind::DropDown, kSelected, {true, false}),
         {{0, 5, kUntouched}, {1, 0, kColorSelect}, {kLast - 1, 21, kColorSelect}, {kLast, 5, kUntouched}}},
        {"selected beside the image column, framed",
         item(Kind::DropDown, kSelected, {false, true}),
         {{0, 0, kImageBack},
          {19, 21, kImageBack},
          {20, 5, kUntouched},
          {21, 0, kBorder},
          {22, 1, kColorSelect},
          {kLast - 1, 0, kBorder},
          {kLast, 0, kUntouched}}},
        {"selected beside the image column, no frame",
         item(Kind::DropDown, kSelected, {false, false}),
         {{19, 5, kImageBack}, {20, 5, kUntouched}, {21, 0, kColorSelect}, {kLast, 0, kUntouched}}},
        {"disabled and selected shows no selection",
         item(Kind::DropDown, kDisabledSelected),
         {{1, 0, kImageBack}, {21, 0, kColor}, {kLast, 0, kColor}}},
        {"no image column, plain",
         withoutImageColumn(item(Kind::DropDown, QStyle::State_Enabled)),
         {{0, 0, kColor}, {kLast, 21, kColor}}},
        {"no image column, selected and framed",
         withoutImageColumn(item(Kind::DropDown, kSelected, {true, true})),
         {{0, 0, kUntouched}, {1, 0, kBorder}, {2, 1, kColorSelect}, {kLast, 0, kUntouched}}},
        {"no image column, disabled",
         withoutImageColumn(item(Kind::DropDown, kDisabled)),
         {{0, 0, kColor}, {kLast, 0, kColor}}},
        {"separator: the bump line from the text area on",
         ofType(QStyleOptionMenuItem::Separator, QString()),
         {{5, 4, kImageBack},
          {30, 3, kColor},
          {30, 4, QApplication::palette().color(QPalette::Light)},
          {30, 5, QApplication::palette().color(QPalette::Dark)},
          {30, 6, kColor}}},
        {"an image is drawn at 2, 2 over the column",
         withImage(),
         {{1, 1, kImageBack}, {2, 2, kImage}, {17, 17, kImage}, {18, 18, kImageBack}}},
        {"bar item, plain", item(Kind::Bar, QStyle::State_Enabled), {{0, 0, kMenuLine}, {kLast, 21, kMenuLine}}},
        {"bar item, selected and framed: open at the bottom",
         item(Kind::Bar, kSelected, {true, true}),
         {{0, 0, kBorder}, {0, 21, kBorder}, {1, 1, kColor}, {1, 21, kColor}, {kLast, 10, kBorder}}},
        {"bar item, selected without a frame",
         item(Kind::Bar, kSelected, {true, false}),
         {{0, 0, kColor}, {kLast, 21, kColor}}},
        {"bar item, disabled and selected", item(Kind::Bar, kDisabledSelected), {{0, 0, kMenuLine}, {1, 1, kMenuLine}}},
    };
    for (const Case& c : cases) {
        const QImage image = paintItem(c.item);
        for (const Probe& probe : c.probes)
            EXPECT_EQ(image.pixelColor(at(probe)).name(), probe.expected.name())
                << c.what << " at " << probe.x << ", " << probe.y;
    }
}

TEST(TMenuColor, TextColoursAndPlaces)
{
    const QRect textArea(24, 0, 130, 22);
    const QColor highlight = QApplication::palette().color(QPalette::Light);
    const QColor shadow = QApplication::palette().color(QPalette::Dark);
    struct Case {
        const char* what;
        ItemOptions item;
        QColor ink;
        QColor absent; // invalid: not checked
    };
    const QList<Case> cases{
        {"plain text in the font colour", item(Kind::DropDown, QStyle::State_Enabled), kFont, kFontSelect},
        {"selected text in the select colour", item(Kind::DropDown, kSelected), kFontSelect, kFont},
        {"disabled text is embossed: its highlight", item(Kind::DropDown, kDisabledSelected), highlight, QColor()},
        // A disabled item in the font colour would look like an enabled one.
        {"disabled text is embossed: its shadow, not the font colour", item(Kind::DropDown, kDisabled), shadow, kFont},
        {"disabled and selected text: shadow, not the font colour", item(Kind::DropDown, kDisabledSelected), shadow,
         kFont},
        {"disabled bar text: shadow, not the font colour", item(Kind::Bar, kDisabled), shadow, kFont},
        {"bar text in the font colour, also when selected", item(Kind::Bar, kSelected), kFont, kFontSelect},
    };
    for (const Case& c : cases) {
        const QImage image = paintItem(c.item);
        EXPECT_TRUE(anyPixel(image, textArea, c.ink)) << c.what;
        if (c.absent.isValid()) {
            EXPECT_FALSE(anyPixel(image, textArea, c.absent)) << c.what;
        }
    }

    // The shortcut is right-aligned four pixels inside the item's right edge.
    ItemOptions withShortcut;
    withShortcut.text = QStringLiteral("HHEE\tStrg+H");
    const int right = rightmostOf(paintItem(withShortcut), kFont);
    EXPECT_LE(right, kItem.width() - 5);
    EXPECT_GE(right, kItem.width() - 10);
}

TEST(TMenuColor, DefaultItemIsBoldAndSubMenuShowsItsArrow)
{
    const ItemOptions plain;
    const ItemOptions bold = ofType(QStyleOptionMenuItem::DefaultItem, plain.text);
    EXPECT_GT(rightmostOf(paintItem(bold), kFont), rightmostOf(paintItem(plain), kFont));

    const QImage image = paintItem(ofType(QStyleOptionMenuItem::SubMenu, QStringLiteral("HE")));
    EXPECT_TRUE(anyPixel(image, QRect(kItem.width() - 10, 8, 6, 6), kFont));
    EXPECT_FALSE(anyPixel(paintItem(plain), QRect(kItem.width() - 10, 8, 6, 6), kFont));
}

} // namespace
