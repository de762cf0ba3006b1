#pragma once

#include "controls/MenuLayout.h"

#include <QColor>
#include <QProxyStyle>

class QMenuBar;
class QStyleOptionMenuItem;

// The colours and switches of the coloured menu look.
struct TMenuColors {
    QColor color;             // drop-down items; inside of a selected bar item
    QColor colorSelect;       // a selected drop-down item
    QColor imageBackColor;    // the image column of drop-down items
    QColor borderColor;       // the one-pixel frame around a selected item
    QColor fontColor;         // text, except that of a selected drop-down item and of disabled items
    QColor fontColorSelect;   // text of a selected drop-down item
    QColor menuLineColor;     // bar items that are not selected, and disabled ones
    bool imageSelect = true;  // the selection of a drop-down item covers its image column
    bool selectBorder = true; // a selected item is framed in borderColor

    // The look's defaults; its system colours are taken from palette.
    static TMenuColors defaults(const QPalette& palette);
};

// Paints menu bars and their drop-down menus in a flat, coloured look: coloured items and
// selection, an image column, embossed disabled items, bold default items, a bump line for
// separators and captions shortened to fit. It only paints; item sizes stay with the base style.
// A style does not pass to pop-up menus by itself: installOn() sets it on a bar and on every
// menu below it. The style must outlive the widgets it is set on. Main thread only.
class TMenuColor : public QProxyStyle {
    Q_OBJECT
public:
    // Colours from the application's palette; base: the application's style when none.
    explicit TMenuColor(QObject* owner = nullptr, QStyle* base = nullptr);

    const TMenuColors& colors() const { return m_colors; }
    // Stores the colours; what is painted changes at the next repaint.
    void setColors(const TMenuColors& colors) { m_colors = colors; }

    // Sets the style on bar and on every menu that exists below it now.
    void installOn(QMenuBar* bar);

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;

private:
    void drawBarItem(const QStyleOptionMenuItem& item, QPainter& painter, const QWidget* widget) const;
    void drawDropDownItem(const QStyleOptionMenuItem& item, QPainter& painter, const QWidget* widget) const;
    const QColor& colorOf(MenuPaint paint) const;
    void fill(QPainter& painter, const QList<MenuFill>& fills) const;
    int textFlags(const QStyleOptionMenuItem& item, const QWidget* widget) const;

    TMenuColors m_colors;
};
