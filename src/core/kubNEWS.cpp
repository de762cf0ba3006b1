#include "core/Main.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TMainForm mainForm;
    mainForm.show();
    return QApplication::exec();
}
