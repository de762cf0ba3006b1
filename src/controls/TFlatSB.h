#pragma once

#include <QAbstractButton>
#include <QColor>

// The program's push button: a flat button that already has the program's look when created
// (width 85, height 25, the program's face and frame colours, hand cursor, Verdana). Like a
// speed button it takes no keyboard focus. Forms may change the colours and the width; the
// send button of the recipient list is the accented one.
class TFlatSB : public QAbstractButton {
    Q_OBJECT
public:
    explicit TFlatSB(QWidget* parent = nullptr);
    explicit TFlatSB(const QString& caption, QWidget* parent = nullptr);

    // Face, frame, face while pressed, face under the mouse, and the lower and upper edge lines
    // drawn while pressed.
    QColor color() const { return m_color; }
    QColor colorBorder() const { return m_colorBorder; }
    QColor colorDown() const { return m_colorDown; }
    QColor colorFocused() const { return m_colorFocused; }
    QColor colorHighLight() const { return m_colorHighLight; }
    QColor colorShadow() const { return m_colorShadow; }
    void setColor(const QColor& color);
    void setColorBorder(const QColor& color);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_color;
    QColor m_colorBorder;
    QColor m_colorDown;
    QColor m_colorFocused;
    QColor m_colorHighLight;
    QColor m_colorShadow;
};
