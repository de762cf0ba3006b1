#pragma once

#include "controls/FramePainter.h"

#include <QColor>
#include <QFrame>
#include <QObject>

class QAbstractScrollArea;
class QComboBox;
class QScrollBar;

// The flat two-pixel frame that the tree view, the list boxes and the drive combo box share, and
// the wheel scrolling of the scrolling ones. Owned by its control (a child object); the control
// calls paint() from its event() after its base class has handled a Paint event of the control
// itself. The frame takes the control's own frame area, so the scroll bars stay inside it. Main
// thread only.
class FlatFrame : public QObject {
    Q_OBJECT
public:
    explicit FlatFrame(QAbstractScrollArea* control);
    // Painted inside the combo box, in place of the style's frame while visible.
    explicit FlatFrame(QComboBox* control);
    // The control's destructor calls this first: events that arrive while the control is torn
    // down must not reach the frame.
    void detach();

    QColor frameColor() const { return m_frameColor; }
    TSides frameSides() const { return m_frameSides; }
    TFrameStyle frameStyle() const { return m_frameStyle; }
    bool frameVisible() const { return m_frameVisible; }
    bool mouseOver() const { return m_mouseOver; }
    bool focused() const { return m_focused; }

    // Each setter stores a changed value and repaints the frame at once.
    void setFrameColor(const QColor& color);
    // Switching flat mode on makes the frame visible on all sides in the quiet style.
    void setFrameFlat(bool flat);
    void setFrameFlatStyle(TFrameStyle style);
    void setFrameFocusStyle(TFrameStyle style);
    void setFrameSides(TSides sides);
    void setFrameStyle(TFrameStyle style);
    // Hidden: the control shows its own style's border again.
    void setFrameVisible(bool visible);
    // The look of the program's flat trees: the frame visible in flat mode, a status frame until
    // the first focus change or mouse enter or leave, from then on a one-pixel line in color.
    void setUpFlatLine(const QColor& color);

    // While suspended, repaintFrame() does nothing (the file list suspends it while it reads).
    void setRepaintSuspended(bool suspended) { m_repaintSuspended = suspended; }

    // Follows focus and mouse in flat mode: the focus style while focused or under the mouse.
    void updateFrame(bool viaMouse, bool inFocus);
    void repaintFrame();
    void paint();

    // One wheel step moves the bar by lines rows; positive steps scroll down. The bar's own
    // range bounds the result, so a step up near the top stops at the top.
    static void scrollByWheelSteps(QScrollBar* bar, int steps, int lines);

signals:
    void mouseEntered();
    void mouseLeft();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    FlatFrame(QWidget* control, QAbstractScrollArea* scrollArea, QWidget* viewport);
    void applyFrameShape();

    QWidget* m_control;
    QAbstractScrollArea* m_scrollArea; // none for a combo box
    QWidget* m_viewport;
    QColor m_frameColor;
    bool m_frameFlat = false;
    TFrameStyle m_frameFlatStyle = TFrameStyle::fsStatus;
    TFrameStyle m_frameFocusStyle = TFrameStyle::fsLowered;
    TSides m_frameSides = kAllSides;
    TFrameStyle m_frameStyle = TFrameStyle::fsFlat;
    bool m_frameVisible = false;
    bool m_mouseOver = false;
    bool m_focused = false;
    bool m_repaintSuspended = false;
    int m_wheelRemainder = 0;
    int m_ownFrameStyle = 0;
    int m_ownLineWidth = 0;
    int m_ownMidLineWidth = 0;
};
