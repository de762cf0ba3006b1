#include "core/Main.h"
#include "core/StartUp.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    StartUpSteps steps;
    steps.createMainWindow = [] { return new TMainForm(); };
    return RunStartUp(steps);
}
