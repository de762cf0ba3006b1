#include "app/KubNewsProgram.h"
#include "platform/FileSizeSignal.h"
#include "platform/SystemLocale.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // Before any thread: a log write past a file-size limit is then a full log, not the end.
    TurnFileSizeSignalIntoWriteError();
    UseGermanSystemLocale(argv);
    // The template preview's browser engine shares its GL contexts; set before the application.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    return RunKubNewsProgram();
}
