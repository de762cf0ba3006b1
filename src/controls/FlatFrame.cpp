#include "controls/FlatFrame.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QComboBox>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

FlatFrame::FlatFrame(QWidget* control, QAbstractScrollArea* scrollArea, QWidget* viewport)
    : QObject(control), m_control(control), m_scrollArea(scrollArea), m_viewport(viewport),
      m_frameColor(control->palette().color(QPalette::Dark)), m_focused(control->hasFocus())
{
    control->installEventFilter(this);
    if (m_viewport)
        m_viewport->installEventFilter(this);
}

FlatFrame::FlatFrame(QAbstractScrollArea* control) : FlatFrame(control, control, control->viewport())
{
    m_ownFrameStyle = control->frameStyle();
    m_ownLineWidth = control->lineWidth();
    m_ownMidLineWidth = control->midLineWidth();
}

FlatFrame::FlatFrame(QComboBox* control) : FlatFrame(control, nullptr, nullptr) {}

void FlatFrame::detach()
{
    m_control->removeEventFilter(this);
    if (m_viewport)
        m_viewport->removeEventFilter(this);
}

void FlatFrame::setFrameColor(const QColor& color)
{
    if (color == m_frameColor)
        return;
    m_frameColor = color;
    repaintFrame();
}

void FlatFrame::setFrameFlat(bool flat)
{
    if (flat == m_frameFlat)
        return;
    m_frameFlat = flat;
    if (flat) {
        setFrameVisible(true);
        m_frameSides = kAllSides;
        m_frameStyle = m_frameFlatStyle;
    }
    repaintFrame();
}

void FlatFrame::setFrameFlatStyle(TFrameStyle style)
{
    if (style == m_frameFlatStyle)
        return;
    m_frameFlatStyle = style;
    repaintFrame();
}

void FlatFrame::setFrameFocusStyle(TFrameStyle style)
{
    if (style == m_frameFocusStyle)
        return;
    m_frameFocusStyle = style;
    repaintFrame();
}

void FlatFrame::setFrameSides(TSides sides)
{
    if (sides == m_frameSides)
        return;
    m_frameSides = sides;
    repaintFrame();
}

void FlatFrame::setFrameStyle(TFrameStyle style)
{
    if (style == m_frameStyle)
        return;
    m_frameStyle = style;
    repaintFrame();
}

void FlatFrame::setFrameVisible(bool visible)
{
    if (visible == m_frameVisible)
        return;
    m_frameVisible = visible;
    applyFrameShape();
    m_control->update();
}

void FlatFrame::setUpFlatLine(const QColor& color)
{
    // In this order: switching flat mode on takes the quiet style still at its default, fsStatus.
    setFrameColor(color);
    setFrameFlat(true);
    setFrameFlatStyle(TFrameStyle::fsFlat);
    setFrameFocusStyle(TFrameStyle::fsFlat);
    setFrameStyle(TFrameStyle::fsStatus);
    setFrameVisible(true);
}

void FlatFrame::applyFrameShape()
{
    if (!m_scrollArea) {
        static_cast<QComboBox*>(m_control)->setFrame(!m_frameVisible);
    } else if (m_frameVisible) {
        // A plain box of line width 2 reserves exactly the two pixels the frame painter covers.
        m_scrollArea->setFrameStyle(QFrame::Box | QFrame::Plain);
        m_scrollArea->setLineWidth(2);
        m_scrollArea->setMidLineWidth(0);
    } else {
        m_scrollArea->setFrameStyle(m_ownFrameStyle);
        m_scrollArea->setLineWidth(m_ownLineWidth);
        m_scrollArea->setMidLineWidth(m_ownMidLineWidth);
    }
}

void FlatFrame::updateFrame(bool viaMouse, bool inFocus)
{
    if (viaMouse)
        m_mouseOver = inFocus;
    if (!m_frameFlat)
        return;
    m_frameStyle = (m_focused || m_mouseOver) ? m_frameFocusStyle : m_frameFlatStyle;
    repaintFrame();
}

void FlatFrame::repaintFrame()
{
    if (m_repaintSuspended || !m_control->isVisible())
        return;
    m_control->repaint();
}

void FlatFrame::paint()
{
    if (!m_frameVisible)
        return;
    QPainter painter(m_control);
    const QColor color = m_viewport ? m_viewport->palette().color(m_viewport->backgroundRole())
                                    : m_control->palette().color(QPalette::Base);
    DrawControlFrame(painter, m_control->width(), m_control->height(), m_frameStyle, color, m_frameColor, m_frameSides,
                     FrameColors::fromPalette(m_control->palette()));
}

void FlatFrame::scrollByWheelSteps(QScrollBar* bar, int steps, int lines)
{
    bar->setValue(bar->value() + steps * lines);
}

bool FlatFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (m_viewport && watched == m_viewport) {
        if (event->type() != QEvent::Wheel)
            return false;
        // Whole notches only; high-resolution wheels deliver parts of one.
        m_wheelRemainder += static_cast<QWheelEvent*>(event)->angleDelta().y();
        const int notches = m_wheelRemainder / QWheelEvent::DefaultDeltasPerStep;
        m_wheelRemainder %= QWheelEvent::DefaultDeltasPerStep;
        if (notches != 0)
            scrollByWheelSteps(m_scrollArea->verticalScrollBar(), -notches, QApplication::wheelScrollLines());
        event->accept();
        return true;
    }
    switch (event->type()) {
    case QEvent::FocusIn:
        m_focused = true;
        updateFrame(false, true);
        break;
    case QEvent::FocusOut:
        m_focused = false;
        updateFrame(false, false);
        break;
    case QEvent::Enter:
        updateFrame(true, true);
        emit mouseEntered();
        break;
    case QEvent::Leave:
        updateFrame(true, false);
        emit mouseLeft();
        break;
    case QEvent::Resize:
        if (m_frameVisible)
            m_control->update();
        break;
    default:
        break;
    }
    return false;
}
