#pragma once

#include <QList>
#include <QRect>
#include <QString>

#include <functional>

// The layout rules of the coloured menu look, free of painting: which rectangles of an item are
// filled with which of the look's colours, and where and how shortened its caption is drawn.
// Coordinates are those of the item's own rectangle.

// The width of a text as it is drawn: "&" marks the access key and takes no room.
using MenuTextWidth = std::function<int(const QString& text)>;

struct MenuItemState {
    bool selected = false;
    bool disabled = false;
};

// The colours of the look that fill parts of an item.
enum class MenuPaint { Color, ColorSelect, ImageBack, Border, MenuLine };

struct MenuFill {
    QRect rect;
    MenuPaint paint;
    bool operator==(const MenuFill&) const = default;
};

struct MenuLookFlags {
    bool imageSelect = true;
    bool selectBorder = true;
};

// The image column of a drop-down item is this wide; its text starts there.
inline constexpr int kMenuImageColumn = 20;

// Fills of a menu-bar item, in painting order. A disabled item never shows the selection.
QList<MenuFill> BarItemFills(const QRect& item, MenuItemState state, MenuLookFlags look);

// Fills of a drop-down item, in painting order; imageColumn: the menu shows images.
QList<MenuFill> DropDownFills(const QRect& item, MenuItemState state, bool imageColumn, MenuLookFlags look);

// Shortens a caption that does not fit: seven characters or more end in "..." and lose the
// characters before it while fits() says no, down to one character and "..."; shorter captions
// end in "." and shrink the same way, down to one character and "." ("." alone for a single
// character). Characters are grapheme clusters; an "&" counts with the character after it.
QString ShortenMenuCaption(const QString& caption, const std::function<bool(const QString&)>& fits);

// Where a caption is drawn inside its text rectangle, and what remains of it.
struct MenuCaptionPlacement {
    QString caption;
    int offset = 4;
    bool operator==(const MenuCaptionPlacement&) const = default;
};

// A menu-bar caption in an item of itemWidth pixels; selectedWithBorder: the item is drawn
// selected inside the one-pixel frame, which takes two pixels of the width.
MenuCaptionPlacement PlaceBarCaption(const QString& caption, int itemWidth, bool selectedWithBorder,
                                     const MenuTextWidth& width);

// A drop-down caption with its shortcut text (empty for none). fitWidth is what the caption and
// shortcut must fit in, rightEdge the text rectangle's right edge. Only the caption is shortened,
// but the fit always counts the shortcut with it.
MenuCaptionPlacement PlaceDropDownCaption(const QString& caption, const QString& shortcut, int fitWidth,
                                          int rightEdge, const MenuTextWidth& width);

// How far below an item's top its separator line is drawn: 4 pixels, or less in an item too low
// for the two-pixel line to show there.
int SeparatorLineOffset(int itemHeight);

// The fit width of a drop-down item's caption, from the item's width.
int DropDownFitWidth(int itemWidth, bool imageColumn);
