#include "controls/FramePainter.h"

#include <QPainter>
#include <QPalette>

namespace {

void fillSpan(QPainter& painter, int x, int y, int width, int height, const QColor& color)
{
    if (width > 0 && height > 0)
        painter.fillRect(x, y, width, height, color);
}

void fillPixel(QPainter& painter, int x, int y, const QColor& color)
{
    fillSpan(painter, x, y, 1, 1, color);
}

struct EdgeColors {
    QColor outerUL, outerLR, innerUL, innerLR;
};

FrameRect drawTwoRings(QPainter& painter, const FrameRect& rect, const EdgeColors& edge, TSides sides)
{
    const FrameRect inner = DrawFrameRings(painter, rect, edge.outerUL, edge.outerLR, 1, sides);
    return DrawFrameRings(painter, inner, edge.innerUL, edge.innerLR, 1, sides);
}

FrameRect drawEtched(QPainter& painter, const FrameRect& r, const QColor& ul, const QColor& lr, TSides sides)
{
    const bool left = sides & TSide::sdLeft, top = sides & TSide::sdTop;
    const bool right = sides & TSide::sdRight, bottom = sides & TSide::sdBottom;
    // Corner pixels where a drawn side meets a missing one, so the two lines end cleanly.
    if (right)
        fillPixel(painter, r.right - 1, r.top, lr);
    if (top && !right)
        fillPixel(painter, r.right - 1, r.top, ul);
    if (bottom)
        fillPixel(painter, r.left, r.bottom - 1, lr);
    if (left && !bottom)
        fillPixel(painter, r.left, r.bottom - 1, ul);
    if (top && !left)
        fillPixel(painter, r.left, r.top + 1, lr);
    if (left && !top)
        fillPixel(painter, r.left + 1, r.top, lr);
    if (bottom && !right)
        fillPixel(painter, r.right - 1, r.bottom - 2, ul);
    if (right && !bottom)
        fillPixel(painter, r.right - 2, r.bottom - 1, ul);
    DrawFrameSides(painter, {r.left + 1, r.top + 1, r.right, r.bottom}, lr, lr, sides);
    DrawFrameSides(painter, {r.left, r.top, r.right - 1, r.bottom - 1}, ul, ul, sides);
    return {r.left + (left ? 2 : 0), r.top + (top ? 2 : 0), r.right - (right ? 2 : 0), r.bottom - (bottom ? 2 : 0)};
}

} // namespace

FrameColors FrameColors::fromPalette(const QPalette& palette)
{
    return {palette.color(QPalette::WindowText), palette.color(QPalette::Dark),     palette.color(QPalette::Light),
            palette.color(QPalette::ButtonText), palette.color(QPalette::Midlight), palette.color(QPalette::Shadow)};
}

FrameRect DrawFrameSides(QPainter& painter, const FrameRect& rect, const QColor& ulColor, const QColor& lrColor,
                         TSides sides)
{
    const int l = rect.left, t = rect.top, r = rect.right, b = rect.bottom;
    if (sides & TSide::sdLeft)
        fillSpan(painter, l, t, 1, b - t, ulColor);
    if (sides & TSide::sdTop)
        fillSpan(painter, l, t, r - l, 1, ulColor);
    if (sides & TSide::sdRight)
        fillSpan(painter, r - 1, t, 1, b - t, lrColor);
    if (sides & TSide::sdBottom)
        fillSpan(painter, l, b - 1, r - l, 1, lrColor);
    return {l + (sides & TSide::sdLeft ? 1 : 0), t + (sides & TSide::sdTop ? 1 : 0),
            r - (sides & TSide::sdRight ? 1 : 0), b - (sides & TSide::sdBottom ? 1 : 0)};
}

FrameRect DrawFrameRings(QPainter& painter, const FrameRect& rect, const QColor& ulColor, const QColor& lrColor,
                         int count, TSides sides)
{
    FrameRect result = rect;
    for (int i = 0; i < count; ++i)
        result = DrawFrameSides(painter, result, ulColor, lrColor, sides);
    return result;
}

FrameRect DrawBevelEdges(QPainter& painter, const FrameRect& rect, bool lowered, TSides sides, const FrameColors& c)
{
    const EdgeColors edge = lowered ? EdgeColors{c.btnShadow, c.btnHighlight, c.btnText, c.light3D}
                                    : EdgeColors{c.light3D, c.btnText, c.btnHighlight, c.btnShadow};
    return drawTwoRings(painter, rect, edge, sides);
}

FrameRect DrawButtonEdges(QPainter& painter, const FrameRect& rect, bool down, TSides sides, const FrameColors& c)
{
    const EdgeColors edge = down ? EdgeColors{c.btnText, c.btnText, c.btnShadow, c.btnShadow}
                                 : EdgeColors{c.btnHighlight, c.darkShadow3D, c.light3D, c.btnShadow};
    return drawTwoRings(painter, rect, edge, sides);
}

FrameRect DrawStyledBorder(QPainter& painter, const FrameRect& rect, TFrameStyle style, TSides sides,
                           const FrameColors& c)
{
    switch (style) {
    case TFrameStyle::fsNone:
        return rect;
    case TFrameStyle::fsFlat:
        return DrawFrameSides(painter, rect, c.windowFrame, c.windowFrame, sides);
    case TFrameStyle::fsGroove:
        return drawEtched(painter, rect, c.btnShadow, c.btnHighlight, sides);
    case TFrameStyle::fsBump:
        return drawEtched(painter, rect, c.btnHighlight, c.btnShadow, sides);
    case TFrameStyle::fsLowered:
        return DrawBevelEdges(painter, rect, true, sides, c);
    case TFrameStyle::fsButtonDown:
        return DrawButtonEdges(painter, rect, true, sides, c);
    case TFrameStyle::fsRaised:
        return DrawBevelEdges(painter, rect, false, sides, c);
    case TFrameStyle::fsButtonUp:
        return DrawButtonEdges(painter, rect, false, sides, c);
    case TFrameStyle::fsStatus:
        return DrawFrameSides(painter, rect, c.btnShadow, c.btnHighlight, sides);
    case TFrameStyle::fsPopup:
        return DrawFrameSides(painter, rect, c.btnHighlight, c.btnShadow, sides);
    }
    return rect;
}

void DrawControlFrame(QPainter& painter, int width, int height, TFrameStyle frameStyle, const QColor& color,
                      const QColor& frameColor, TSides sides, const FrameColors& colors)
{
    const FrameRect outer{0, 0, width, height};
    DrawFrameRings(painter, outer, color, color, 2, kAllSides);
    if (frameStyle == TFrameStyle::fsFlat)
        DrawFrameSides(painter, outer, frameColor, frameColor, sides);
    else
        DrawStyledBorder(painter, outer, frameStyle, sides, colors);
}
