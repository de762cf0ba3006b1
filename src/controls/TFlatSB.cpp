#include "controls/TFlatSB.h"

#include "controls/ColorNumber.h"

#include <QPainter>

TFlatSB::TFlatSB(QWidget* parent) : TFlatSB(QString(), parent) {}

TFlatSB::TFlatSB(const QString& caption, QWidget* parent)
    : QAbstractButton(parent), m_color(colorFromNumber(14348015)), m_colorBorder(colorFromNumber(8623776)),
      m_colorDown(colorFromNumber(14805739)), m_colorFocused(Qt::white), m_colorHighLight(colorFromNumber(15113344)),
      m_colorShadow(colorFromNumber(10053222))
{
    setText(caption);
    resize(85, 25);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
    QFont verdana(QStringLiteral("Verdana"));
    verdana.setPixelSize(11);
    setFont(verdana);
}

void TFlatSB::setColor(const QColor& color)
{
    m_color = color;
    update();
}
void TFlatSB::setColorBorder(const QColor& color)
{
    m_colorBorder = color;
    update();
}
QSize TFlatSB::sizeHint() const
{
    const int textWidth = fontMetrics().horizontalAdvance(text()) + 16 + (icon().isNull() ? 0 : iconSize().width() + 4);
    return QSize(qMax(85, textWidth), 25);
}

void TFlatSB::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const bool pressed = isDown() || isChecked();
    const bool hovered = underMouse() && isEnabled();
    const QRect frame = rect().adjusted(0, 0, -1, -1);

    painter.fillRect(rect(), pressed ? m_colorDown : hovered ? m_colorFocused : m_color);
    painter.setPen(m_colorBorder);
    painter.drawRect(frame);
    if (pressed) {
        const QRect inner = frame.adjusted(1, 1, -1, -1);
        painter.setPen(m_colorShadow);
        painter.drawLine(inner.topLeft(), inner.topRight());
        painter.drawLine(inner.topLeft(), inner.bottomLeft());
        painter.setPen(m_colorHighLight);
        painter.drawLine(inner.bottomLeft(), inner.bottomRight());
        painter.drawLine(inner.topRight(), inner.bottomRight());
    }

    QRect content = rect().adjusted(4, 2, -4, -2);
    if (pressed)
        content.translate(1, 1);
    int alignment = Qt::AlignCenter;
    if (!icon().isNull()) {
        const QSize size = iconSize();
        const int textWidth = text().isEmpty() ? 0 : fontMetrics().horizontalAdvance(text()) + 4;
        const int left = content.left() + qMax(0, (content.width() - size.width() - textWidth) / 2);
        const QRect iconRect(QPoint(left, content.top() + (content.height() - size.height()) / 2), size);
        icon().paint(&painter, iconRect, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
        content.setLeft(iconRect.right() + 5);
        alignment = Qt::AlignVCenter | Qt::AlignLeft;
    }
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(content, alignment | Qt::TextShowMnemonic, text());
}
