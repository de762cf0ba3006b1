#include "addressbook/ScreenLook.h"

#include "addressbook/TypingLimit.h"
#include "controls/ColorNumber.h"
#include "controls/TFlatSB.h"

#include <QAction>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace ScreenLook {

namespace {

QString colourName(unsigned number)
{
    return colorFromNumber(number).name();
}

} // namespace

void styleSurface(QWidget* widget)
{
    widget->setAutoFillBackground(true);
    QPalette colours = widget->palette();
    colours.setColor(QPalette::Window, colorFromNumber(kBackground));
    colours.setColor(QPalette::WindowText, Qt::white);
    widget->setPalette(colours);
    QFont verdana(QStringLiteral("Verdana"));
    verdana.setPixelSize(11);
    widget->setFont(verdana);
}

QLabel* caption(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLabel* heading(const QString& text, QWidget* parent, bool accent)
{
    QLabel* label = caption(text, parent);
    QFont font = label->font();
    font.setBold(true);
    font.setUnderline(true);
    label->setFont(font);
    if (accent)
        label->setStyleSheet(QStringLiteral("color: ") + colourName(kAccent) + u';');
    return label;
}

QGridLayout* detailGrid(QWidget* parent)
{
    auto* grid = new QGridLayout(new QWidget(parent));
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(3);
    return grid;
}

QLineEdit* flatEdit(const QString& objectName, int limit, bool required, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(objectName);
    edit->setFixedHeight(19);
    // The same colour with and without the focus.
    edit->setStyleSheet(QStringLiteral("QLineEdit { background: ") + colourName(required ? kAccent : 0xFFFFFF) +
                        QStringLiteral("; color: black; border: 1px solid black; padding: 0 2px; "
                                       "lineedit-password-character: 42; }"));
    TTypingLimit::attach(edit, limit);
    return edit;
}

} // namespace ScreenLook
