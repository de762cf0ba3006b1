#include "controls/TTACutLabel.h"

#include "controls/TextShortening.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>

TTACutLabel::TTACutLabel(QWidget* parent) : TTACutLabel(QString(), parent) {}

TTACutLabel::TTACutLabel(const QString& caption, QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    setCaption(caption);
}

void TTACutLabel::setAutoSize(bool on)
{
    m_autoSize = on;
    fitToText();
    update();
}

void TTACutLabel::setCaption(const QString& caption)
{
    setText(caption);
    fitToText();
}

void TTACutLabel::fitToText()
{
    if (m_autoSize)
        adjustSize();
    updateGeometry();
    update();
}

QString TTACutLabel::shownText() const
{
    const QString text = labelText();
    if (m_autoSize)
        return text;
    return shortenToWidth(text, fontMetrics(), contentsRect().width());
}

QSize TTACutLabel::sizeHint() const
{
    const QMargins margins = contentsMargins();
    const QSize textSize(fontMetrics().horizontalAdvance(labelText()), fontMetrics().height());
    return textSize.grownBy(margins);
}

QSize TTACutLabel::minimumSizeHint() const
{
    // A shortening label may be narrower than its text; that is what it is for.
    return m_autoSize ? sizeHint() : QSize(0, sizeHint().height());
}

void TTACutLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect area = contentsRect();
    style()->drawItemText(&painter, area, int(alignment()) | Qt::TextSingleLine, palette(), isEnabled(), shownText(),
                          foregroundRole());
}

void TTACutLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        fitToText();
}
