#include "core/StartUp.h"

#include "core/FirstRun.h"
#include "core/StartForm.h"
#include "desktop/MessageBoxes.h"
#include "platform/InstanceLock.h"
#include "platform/PrivateFiles.h"

#include <QApplication>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QThread>
#include <QTranslator>
#include <QWidget>

#include <memory>

namespace {

constexpr int kSplashPause = 150;

} // namespace

// The program's own numbers and dates are German by the default locale; Qt's dialogs take theirs
// from the system locale, which main() has made German (UseGermanSystemLocale).
void InstallQtTranslations()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const QString& catalog : {QStringLiteral("qt_de"), QStringLiteral("qtwebengine_de")}) {
        auto* translator = new QTranslator(qApp);
        if (translator->load(catalog, folder))
            QCoreApplication::installTranslator(translator);
        else
            delete translator;
    }
}

int RunStartUp(const StartUpSteps& steps)
{
    InstallQtTranslations();
    InstanceLock lock(steps.lockFile.isEmpty() ? InstanceLock::defaultPath() : steps.lockFile);
    // Only another instance stops the start; a runtime folder that cannot be written does not.
    if (!lock.tryAcquire() && lock.heldByOtherInstance()) {
        MessageBoxes::plain(QStringLiteral("Das Programm ist bereits aktiv!"));
        return 0;
    }

    PrivateFiles::narrowProgramFolders();
    const FirstRunResult firstRun = PrepareFirstRun();
    if (firstRun.failed)
        MessageBoxes::error(QStringLiteral("Die Einstellungen konnten nicht angelegt werden!\r\n") + firstRun.error);
    else if (firstRun.registryWritten && steps.afterFirstRun)
        steps.afterFirstRun();

    const auto pause = steps.pause ? steps.pause : [](int ms) { QThread::msleep(ms); };
    auto splash = std::make_unique<TPStartForm>();
    auto status = [&](const QString& text) {
        splash->showStatus(text);
        if (steps.statusShown)
            steps.statusShown(splash->Label1->text());
        pause(kSplashPause);
    };
    splash->show();
    status(QString());
    status(QStringLiteral("Dateien werden geladen..."));
    // The application title. As the application's name it leaves every window's caption alone:
    // a display name would be appended to each caption by the platform.
    QCoreApplication::setApplicationName(QStringLiteral("kubNEWSLETTER V1.2"));

    // Closing the main window ends the program, even while other top-level windows are open.
    QPointer<QWidget> mainWindow = steps.createMainWindow();
    mainWindow->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(mainWindow, &QObject::destroyed, qApp, [] { QCoreApplication::quit(); });

    status(QStringLiteral("Datenbank wird geöffnet..."));
    if (steps.recoverDatabase)
        steps.recoverDatabase();
    if (steps.createDatabaseModule && !steps.createDatabaseModule(mainWindow)) {
        delete mainWindow;
        return 1;
    }
    status(QStringLiteral("kubNEWSLETTER wird gestartet..."));
    splash.reset();

    mainWindow->show();
    if (!steps.runEventLoop)
        return 0;
    const int exitCode = QApplication::exec();
    delete mainWindow;
    return exitCode;
}
