#include "controls/DialogLook.h"

#include "controls/ColorNumber.h"

#include <QLabel>
#include <QScreen>

void applyDialogLook(QWidget* dialog)
{
    QFont font(QStringLiteral("Verdana"));
    font.setPointSize(8);
    dialog->setFont(font);
    dialog->setAutoFillBackground(true);
    QPalette colours = dialog->palette();
    colours.setColor(QPalette::Window, colorFromNumber(9730670));
    dialog->setPalette(colours);
}

QLabel* whiteLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(colours);
    return label;
}

void centreOnScreen(QWidget* window)
{
    if (const QScreen* screen = window->screen())
        window->move(screen->availableGeometry().center() - window->rect().center());
}
