#pragma once

#include <QString>

#include <functional>

class QWidget;
class TPStartForm;

// The program's start: single instance, first run, the splash window with its status lines, the
// main window, the database module, then the event loop until the main window has closed.
// Called once from main() with the QApplication already created. Returns the exit code.
struct StartUpSteps {
    // Creates the main window (not shown yet). Required.
    std::function<QWidget*()> createMainWindow;
    // Creates the database module for the main window; false ends the program before the main
    // window is shown (the step has shown its message). Unset: no database module.
    std::function<bool(QWidget* mainWindow)> createDatabaseModule;
    // Runs before the database module is created: puts the database folder right after a restore
    // that ended half-way. Unset: nothing.
    std::function<void()> recoverDatabase;
    // Runs once the first-run step has written the settings (creates the empty database).
    std::function<void()> afterFirstRun;
    // The splash's pauses; tests replace the sleeping.
    std::function<void(int milliseconds)> pause;
    // Called with the splash's status line each time it changes (tests).
    std::function<void(const QString& status)> statusShown;
    // The lock file that keeps a second instance out.
    QString lockFile;
    // Run the event loop (off in tests: RunStartUp then returns with the main window shown).
    bool runEventLoop = true;
};

int RunStartUp(const StartUpSteps& steps);

// Qt's own texts (dialogs, buttons, shortcut names) in German and German as the default locale;
// RunStartUp does this first. Once per process; later calls do nothing.
void InstallQtTranslations();
