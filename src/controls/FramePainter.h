#pragma once

#include <QColor>
#include <QFlags>

class QPainter;
class QPalette;

// Border styles of the flat-framed controls, in their stored order.
enum class TFrameStyle {
    fsNone,
    fsFlat,
    fsGroove,
    fsBump,
    fsLowered,
    fsButtonDown,
    fsRaised,
    fsButtonUp,
    fsStatus,
    fsPopup
};

enum class TSide { sdLeft = 1, sdTop = 2, sdRight = 4, sdBottom = 8 };
Q_DECLARE_FLAGS(TSides, TSide)
Q_DECLARE_OPERATORS_FOR_FLAGS(TSides)
inline constexpr TSides kAllSides = TSides::fromInt(15);

// A rectangle with exclusive right and bottom edges: (0, 0, 10, 5) covers 10 by 5 pixels.
struct FrameRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const FrameRect&) const = default;
};

// The system colours the border styles are built from.
struct FrameColors {
    QColor windowFrame;
    QColor btnShadow;
    QColor btnHighlight;
    QColor btnText;
    QColor light3D;
    QColor darkShadow3D;

    static FrameColors fromPalette(const QPalette& palette);
};

// The painter routines draw filled one-pixel spans, so the result is exact to the pixel whatever
// the painter's pen or antialiasing. Each returns the rectangle inside what it drew.
FrameRect DrawFrameSides(QPainter& painter, const FrameRect& rect, const QColor& ulColor, const QColor& lrColor,
                         TSides sides);
FrameRect DrawFrameRings(QPainter& painter, const FrameRect& rect, const QColor& ulColor, const QColor& lrColor,
                         int count, TSides sides);
FrameRect DrawBevelEdges(QPainter& painter, const FrameRect& rect, bool lowered, TSides sides,
                         const FrameColors& colors);
FrameRect DrawButtonEdges(QPainter& painter, const FrameRect& rect, bool down, TSides sides, const FrameColors& colors);
FrameRect DrawStyledBorder(QPainter& painter, const FrameRect& rect, TFrameStyle style, TSides sides,
                           const FrameColors& colors);

// Paints the two-pixel frame of a control of the given size: both rings in the control's colour,
// then the border of the style (a line in frameColor for fsFlat) on the chosen sides.
void DrawControlFrame(QPainter& painter, int width, int height, TFrameStyle frameStyle, const QColor& color,
                      const QColor& frameColor, TSides sides, const FrameColors& colors);
