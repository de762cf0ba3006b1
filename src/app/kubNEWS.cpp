#include "app/KubNewsProgram.h"
#include "platform/SystemLocale.h"

#include <QApplication>

int main(int argc, char** argv)
{
    UseGermanSystemLocale(argv);
    // The template preview's browser engine shares its GL contexts; set before the application.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    return RunKubNewsProgram();
}
