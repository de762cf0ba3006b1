#include "controls/MenuColor.h"

#include "controls/ColorNumber.h"
#include "controls/FramePainter.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionMenuItem>

namespace {

constexpr int kImageSize = 16;

// A font taller than limit is set to height - 1 pixels, so the text stays inside the item.
void limitFontHeight(QFont& font, int limit, int height)
{
    if (QFontMetrics(font).height() > limit && height > 1)
        font.setPixelSize(height - 1);
}

MenuTextWidth drawnWidth(const QFont& font, QPaintDevice* device)
{
    return [metrics = QFontMetrics(font, device)](const QString& text) {
        return metrics.size(Qt::TextShowMnemonic | Qt::TextSingleLine, text).width();
    };
}

// A raised-then-sunken line along the top of rect, moved down into it.
void drawBump(QPainter& painter, const QRect& rect, const QPalette& palette)
{
    const QRect moved = rect.translated(0, SeparatorLineOffset(rect.height()));
    DrawStyledBorder(painter, {moved.left(), moved.top(), moved.left() + moved.width(), moved.top() + moved.height()},
                     TFrameStyle::fsBump, TSide::sdTop, FrameColors::fromPalette(palette));
}

void drawText(QPainter& painter, const QRect& rect, int flags, const QString& text, const QColor& color)
{
    painter.setPen(color);
    painter.drawText(rect, flags, text);
}

// The shadow colour of engraved text. The item's palette comes in its disabled group, whose
// colours are not the system's highlight and shadow.
QColor shadowColor(const QPalette& palette)
{
    return palette.color(QPalette::Normal, QPalette::Dark);
}

// The engraved text of a disabled item: first in the highlight colour one pixel right and down,
// then in the shadow colour. The font colour would make the item look enabled.
void drawEmbossed(QPainter& painter, const QRect& rect, int flags, const QString& text, const QPalette& palette)
{
    drawText(painter, rect.translated(1, 1), flags, text, palette.color(QPalette::Normal, QPalette::Light));
    drawText(painter, rect, flags, text, shadowColor(palette));
}

// The arrow of an item that opens a sub-menu, at the item's right edge.
void drawSubMenuArrow(QPainter& painter, const QRect& item, const QColor& color)
{
    const int tip = item.right() - 5;
    const int middle = item.top() + item.height() / 2;
    QPainterPath arrow;
    arrow.moveTo(tip - 4, middle - 4);
    arrow.lineTo(tip, middle);
    arrow.lineTo(tip - 4, middle + 4);
    arrow.closeSubpath();
    painter.fillPath(arrow, color);
}

} // namespace

TMenuColors TMenuColors::defaults(const QPalette& palette)
{
    TMenuColors colors;
    colors.color = colorFromNumber(14739951);
    colors.colorSelect = colorFromNumber(14277056);
    colors.imageBackColor = palette.color(QPalette::Button);
    colors.borderColor = colorFromNumber(8623776);
    colors.fontColor = palette.color(QPalette::WindowText);
    colors.fontColorSelect = palette.color(QPalette::HighlightedText);
    colors.menuLineColor = palette.color(QPalette::Button);
    return colors;
}

TMenuColor::TMenuColor(QObject* owner, QStyle* base)
    : QProxyStyle(base), m_colors(TMenuColors::defaults(QApplication::palette()))
{
    setParent(owner);
}

void TMenuColor::installOn(QMenuBar* bar)
{
    bar->setStyle(this);
    for (QMenu* menu : bar->findChildren<QMenu*>())
        menu->setStyle(this);
}

const QColor& TMenuColor::colorOf(MenuPaint paint) const
{
    switch (paint) {
    case MenuPaint::Color:
        return m_colors.color;
    case MenuPaint::ColorSelect:
        return m_colors.colorSelect;
    case MenuPaint::ImageBack:
        return m_colors.imageBackColor;
    case MenuPaint::Border:
        return m_colors.borderColor;
    case MenuPaint::MenuLine:
        break;
    }
    return m_colors.menuLineColor;
}

void TMenuColor::fill(QPainter& painter, const QList<MenuFill>& fills) const
{
    for (const MenuFill& part : fills)
        painter.fillRect(part.rect, colorOf(part.paint));
}

int TMenuColor::textFlags(const QStyleOptionMenuItem& item, const QWidget* widget) const
{
    const bool underline = proxy()->styleHint(SH_UnderlineShortcut, &item, widget);
    return Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine |
           (underline ? Qt::TextShowMnemonic : Qt::TextHideMnemonic);
}

void TMenuColor::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                             const QWidget* widget) const
{
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    switch (element) {
    case CE_MenuBarItem:
        if (item) {
            drawBarItem(*item, *painter, widget);
            return;
        }
        break;
    case CE_MenuItem:
        if (item) {
            drawDropDownItem(*item, *painter, widget);
            return;
        }
        break;
    case CE_MenuBarEmptyArea:
        painter->fillRect(option->rect, m_colors.menuLineColor);
        return;
    default:
        break;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

void TMenuColor::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                               const QWidget* widget) const
{
    if (element == PE_PanelMenu) {
        painter->fillRect(option->rect, m_colors.color);
        return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void TMenuColor::drawBarItem(const QStyleOptionMenuItem& item, QPainter& painter, const QWidget* widget) const
{
    const MenuItemState state{item.state.testFlag(State_Selected), !item.state.testFlag(State_Enabled)};
    const bool framed = state.selected && !state.disabled && m_colors.selectBorder;
    painter.save();
    fill(painter, BarItemFills(item.rect, state, {m_colors.imageSelect, m_colors.selectBorder}));
    if (state.disabled && item.text == QLatin1String("-")) {
        drawBump(painter, item.rect, item.palette);
        painter.restore();
        return;
    }
    QFont font = item.font;
    if (item.menuItemType == QStyleOptionMenuItem::DefaultItem)
        font.setBold(true);
    const int height = item.rect.height();
    const bool plainSelected = state.selected && !state.disabled && !m_colors.selectBorder;
    limitFontHeight(font, framed ? height - 1 : plainSelected ? height : height - 2, height);
    painter.setFont(font);
    const MenuCaptionPlacement placed =
        PlaceBarCaption(item.text, item.rect.width(), framed, drawnWidth(font, painter.device()));
    const QRect textRect = item.rect.translated(placed.offset, 0);
    const int flags = textFlags(item, widget);
    if (state.disabled)
        drawEmbossed(painter, textRect, flags, placed.caption, item.palette);
    else
        drawText(painter, textRect, flags, placed.caption, m_colors.fontColor);
    painter.restore();
}

void TMenuColor::drawDropDownItem(const QStyleOptionMenuItem& item, QPainter& painter, const QWidget* widget) const
{
    const MenuItemState state{item.state.testFlag(State_Selected), !item.state.testFlag(State_Enabled)};
    const bool selected = state.selected && !state.disabled;
    // A menu whose items carry images has the image column.
    const bool imageColumn = item.maxIconWidth > 0;
    const QRect& rect = item.rect;
    const QRect textRect = imageColumn ? rect.adjusted(kMenuImageColumn, 0, 0, 0) : rect;
    const QColor textColor = state.disabled ? shadowColor(item.palette)
                             : selected     ? m_colors.fontColorSelect
                                            : m_colors.fontColor;

    painter.save();
    fill(painter, DropDownFills(rect, state, imageColumn, {m_colors.imageSelect, m_colors.selectBorder}));
    if (item.menuItemType == QStyleOptionMenuItem::Separator) {
        drawBump(painter, textRect, item.palette);
    } else {
        QFont font = item.font;
        if (item.menuItemType == QStyleOptionMenuItem::DefaultItem)
            font.setBold(true);
        limitFontHeight(font, textRect.height() - 2, textRect.height());
        painter.setFont(font);
        // The shortcut follows the caption after a tab.
        const qsizetype tab = item.text.indexOf(u'\t');
        const QString caption = tab < 0 ? item.text : item.text.left(tab);
        const QString shortcut = tab < 0 ? QString() : item.text.mid(tab + 1);
        const MenuCaptionPlacement placed =
            PlaceDropDownCaption(caption, shortcut, DropDownFitWidth(rect.width(), imageColumn), rect.width(),
                                 drawnWidth(font, painter.device()));
        const int flags = textFlags(item, widget);
        const int rightFlags = (flags & ~Qt::AlignLeft) | Qt::AlignRight;
        const QRect captionRect = textRect.translated(placed.offset, 0);
        const QRect shortcutRect = textRect.translated(-4, 0);
        if (state.disabled) {
            drawEmbossed(painter, captionRect, flags, placed.caption, item.palette);
            if (!shortcut.isEmpty())
                drawEmbossed(painter, shortcutRect, rightFlags, shortcut, item.palette);
        } else {
            drawText(painter, captionRect, flags, placed.caption, textColor);
            if (!shortcut.isEmpty())
                drawText(painter, shortcutRect, rightFlags, shortcut, textColor);
        }
        if (item.menuItemType == QStyleOptionMenuItem::SubMenu)
            drawSubMenuArrow(painter, rect, textColor);
    }
    if (imageColumn && !item.icon.isNull()) {
        const QPixmap image = item.icon.pixmap(QSize(kImageSize, kImageSize), painter.device()->devicePixelRatio(),
                                               state.disabled ? QIcon::Disabled : QIcon::Normal);
        painter.drawPixmap(rect.left() + 2, rect.top() + 2, image);
    }
    painter.restore();
}
