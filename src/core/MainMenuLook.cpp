#include "core/MainMenuLook.h"

#include "controls/ColorNumber.h"
#include "controls/MenuColor.h"

#include <QMainWindow>
#include <QMenuBar>

TMenuColor* InstallMainMenuLook(QMainWindow* window)
{
    auto* look = new TMenuColor(window);
    TMenuColors colors = look->colors();
    colors.color = colorFromNumber(14348015);
    colors.colorSelect = colorFromNumber(9730670);
    colors.imageBackColor = colorFromNumber(9730670);
    colors.borderColor = Qt::black;
    colors.fontColor = Qt::black;
    colors.fontColorSelect = Qt::white;
    colors.imageSelect = false;
    look->setColors(colors);
    look->installOn(window->menuBar());
    return look;
}
