#include "controls/MenuLayout.h"

#include "controls/TextShortening.h"

namespace {

// A rectangle from its edges, right and bottom exclusive.
QRect span(int left, int top, int right, int bottom)
{
    return QRect(left, top, right - left, bottom - top);
}

struct Edges {
    int l, t, r, b;
    explicit Edges(const QRect& rect) : l(rect.left()), t(rect.top()), r(rect.left() + rect.width()), b(rect.top() + rect.height()) {}
};

// The selection of a drop-down item from x = from, inside the frame when there is one.
QList<MenuFill> selection(const Edges& e, int from, bool selectBorder)
{
    if (!selectBorder)
        return {{span(from, e.t, e.r - 1, e.b), MenuPaint::ColorSelect}};
    return {{span(from, e.t, e.r - 1, e.b), MenuPaint::Border},
            {span(from + 1, e.t + 1, e.r - 2, e.b - 1), MenuPaint::ColorSelect}};
}

// CharacterEnds of a caption as it is drawn: an "&" goes with the character after it, so the
// access key ("&x") and a literal "&" ("&&") are never cut apart.
QList<qsizetype> DrawnCharacterEnds(const QString& caption)
{
    QList<qsizetype> ends = CharacterEnds(caption);
    qsizetype start = 0;
    for (qsizetype i = 0; i + 1 < ends.size(); ++i) {
        if (ends[i] - start == 1 && caption[start] == u'&')
            ends.removeAt(i);
        start = ends[i];
    }
    return ends;
}

} // namespace

QList<MenuFill> BarItemFills(const QRect& item, MenuItemState state, MenuLookFlags look)
{
    if (state.disabled || !state.selected)
        return {{item, MenuPaint::MenuLine}};
    if (!look.selectBorder)
        return {{item, MenuPaint::Color}};
    const Edges e(item);
    return {{item, MenuPaint::Border}, {span(e.l + 1, e.t + 1, e.r - 1, e.b), MenuPaint::Color}};
}

QList<MenuFill> DropDownFills(const QRect& item, MenuItemState state, bool imageColumn, MenuLookFlags look)
{
    const Edges e(item);
    const bool selected = state.selected && !state.disabled;
    if (!imageColumn) {
        if (!selected)
            return {{item, MenuPaint::Color}};
        return selection(e, e.l + 1, look.selectBorder);
    }
    if (selected && look.imageSelect)
        return selection(e, e.l + 1, look.selectBorder);
    QList<MenuFill> fills{{span(e.l, e.t, e.l + kMenuImageColumn, e.b), MenuPaint::ImageBack}};
    if (selected)
        fills += selection(e, e.l + kMenuImageColumn + 1, look.selectBorder);
    else
        fills.append({span(e.l + kMenuImageColumn, e.t, e.r, e.b), MenuPaint::Color});
    return fills;
}

QString ShortenMenuCaption(const QString& caption, const std::function<bool(const QString&)>& fits)
{
    const QList<qsizetype> ends = DrawnCharacterEnds(caption);
    if (ends.isEmpty())
        return caption;
    const bool longCaption = ends.size() >= 7;
    const QString tail = longCaption ? QStringLiteral("...") : QStringLiteral(".");
    const auto shown = [&](qsizetype kept) -> QString { return caption.left(kept == 0 ? 0 : ends[kept - 1]) + tail; };
    qsizetype kept = ends.size() - (longCaption ? 3 : 1);
    QString result = shown(kept);
    while (kept > 1 && !fits(result))
        result = shown(--kept);
    return result;
}

MenuCaptionPlacement PlaceBarCaption(const QString& caption, int itemWidth, bool selectedWithBorder,
                                     const MenuTextWidth& width)
{
    const int textWidth = width(caption);
    // The frame of a selected item takes a pixel on either side.
    const int frame = selectedWithBorder ? 2 : 0;
    if (textWidth > itemWidth - frame) {
        const int maximum = itemWidth - 4 - frame;
        return {ShortenMenuCaption(caption, [&](const QString& text) { return width(text) <= maximum; }), 4};
    }
    const int room = itemWidth - textWidth;
    return {caption, room < 5 ? room : 4};
}

MenuCaptionPlacement PlaceDropDownCaption(const QString& caption, const QString& shortcut, int fitWidth,
                                          int rightEdge, const MenuTextWidth& width)
{
    const QString suffix = shortcut.isEmpty() ? QString() : QStringLiteral(" ") + shortcut;
    const int available = shortcut.isEmpty() ? fitWidth - 8 : fitWidth - 4;
    const auto fits = [&](const QString& text) { return width(text + suffix) <= available; };
    if (!fits(caption))
        return {ShortenMenuCaption(caption, fits), 4};
    const int room = rightEdge - width(caption + suffix);
    return {caption, room >= 0 && room <= 4 ? room : 4};
}

int DropDownFitWidth(int itemWidth, bool imageColumn)
{
    return imageColumn ? itemWidth - kMenuImageColumn : itemWidth + 4;
}

int SeparatorLineOffset(int itemHeight)
{
    return qBound(0, (itemHeight - 2) / 2, 4);
}
