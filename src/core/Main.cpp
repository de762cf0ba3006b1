#include "core/Main.h"

TMainForm::TMainForm(QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("kubNEWSLETTER V 1.2"));
    resize(780, 580);
}
