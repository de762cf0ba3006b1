// Starts as the program starts (UseGermanSystemLocale, then the application object) and prints
// what Qt's file dialog shows in its detail view for one file: its size and date columns, one
// per line, then LC_ALL and KUBNEWS_STARTED_LC_ALL as "NAME=value" as the start left them
// ("(unset)" when a variable is not set).
//   systemlocaleprobe FOLDER FILE
#include "platform/SystemLocale.h"

#include <QDir>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    UseGermanSystemLocale(argv);
    QGuiApplication app(argc, argv);
    if (argc != 3)
        return 2;
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString path = QDir(folder).filePath(QString::fromLocal8Bit(argv[2]));

    QFileSystemModel model;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &app, [&] {
        // The model lists a file first and reads its details in a thread of its own.
        if (model.size(model.index(path)) > 0)
            app.quit();
    });
    poll.start(10);
    QTimer::singleShot(60000, &app, [&app] { app.exit(1); });
    model.setRootPath(folder);
    if (app.exec() != 0)
        return 1;

    const QModelIndex file = model.index(path);
    auto variable = [](const char* name) {
        return qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray("(unset)");
    };
    std::printf("%s\n%s\nLC_ALL=%s\nKUBNEWS_STARTED_LC_ALL=%s\n",
                qPrintable(model.data(file.siblingAtColumn(1)).toString()),
                qPrintable(model.data(file.siblingAtColumn(3)).toString()), variable("LC_ALL").constData(),
                variable("KUBNEWS_STARTED_LC_ALL").constData());
    return 0;
}
