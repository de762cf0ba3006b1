#include "core/StartUp.h"

#include "app/Main.h"
#include "core/StartForm.h"
#include "desktop/MessageBoxes.h"
#include "platform/AppPaths.h"
#include "platform/InstanceLock.h"
#include "support/FileModes.h"
#include "support/QtPrinters.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QPointer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Records what the start does, in order.
struct StartRecorder {
    TestEnvironment env;
    MessageBoxRecorder boxes;
    QTemporaryDir runtime;
    QStringList events;
    QPointer<QWidget> mainWindow;
    bool databaseOk = true;

    StartRecorder() { env.writeStandardRegistry(); }

    QString lockFile() const { return runtime.filePath(QStringLiteral("kubNEWSLETTER.lock")); }

    StartUpSteps steps()
    {
        StartUpSteps s;
        s.lockFile = lockFile();
        s.runEventLoop = false;
        s.createMainWindow = [this] {
            events.append(QStringLiteral("main window"));
            mainWindow = new TMainForm();
            return mainWindow.data();
        };
        s.createDatabaseModule = [this](QWidget* main) {
            events.append(main == mainWindow ? QStringLiteral("database") : QStringLiteral("database, wrong window"));
            return databaseOk;
        };
        s.pause = [this](int ms) { events.append(QStringLiteral("pause %1").arg(ms)); };
        s.statusShown = [this](const QString& status) { events.append(QStringLiteral("status '%1'").arg(status)); };
        return s;
    }

    ~StartRecorder() { delete mainWindow.data(); }
};

TEST(StartUp, SplashStatusLinesPausesAndStepsInOrder)
{
    StartRecorder r;
    EXPECT_EQ(RunStartUp(r.steps()), 0);
    EXPECT_EQ(r.events, (QStringList{
                            QStringLiteral("status ''"),
                            QStringLiteral("pause 150"),
                            QStringLiteral("status 'Dateien werden geladen...'"),
                            QStringLiteral("pause 150"),
                            QStringLiteral("main window"),
                            QStringLiteral("status 'Datenbank wird geöffnet...'"),
                            QStringLiteral("pause 150"),
                            QStringLiteral("database"),
                            QStringLiteral("status 'kubNEWSLETTER wird gestartet...'"),
                            QStringLiteral("pause 150"),
                        }));
    ASSERT_TRUE(r.mainWindow);
    EXPECT_TRUE(r.mainWindow->isVisible());
    EXPECT_TRUE(r.boxes.boxes().isEmpty());
    // The splash is gone once the main window shows.
    for (QWidget* window : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<TPStartForm*>(window)) << "splash still exists";
}

// The application title is the application's name; a display name would be appended to every
// window's caption (tests/screen shows what the window manager gets).
TEST(StartUp, TheApplicationTitleIsSetBeforeTheMainWindowIsCreated)
{
    StartRecorder r;
    QCoreApplication::setApplicationName(QString());
    QString titleAtMainWindow;
    StartUpSteps steps = r.steps();
    steps.createMainWindow = [&, create = steps.createMainWindow] {
        titleAtMainWindow = QCoreApplication::applicationName();
        return create();
    };
    ASSERT_EQ(RunStartUp(steps), 0);
    EXPECT_EQ(titleAtMainWindow, QStringLiteral("kubNEWSLETTER V1.2"));
    EXPECT_EQ(r.mainWindow->windowTitle(), QStringLiteral("kubNEWSLETTER V 1.2"));
}

TEST(StartUp, ASecondInstanceIsRefusedBeforeAnythingIsCreated)
{
    StartRecorder r;
    InstanceLock running(r.lockFile());
    ASSERT_TRUE(running.tryAcquire());

    EXPECT_EQ(RunStartUp(r.steps()), 0);
    EXPECT_TRUE(r.events.isEmpty()) << r.events.join(u", ").toStdString();
    ASSERT_EQ(r.boxes.boxes().size(), 1);
    EXPECT_EQ(r.boxes.boxes().first().text, QStringLiteral("Das Programm ist bereits aktiv!"));
    EXPECT_EQ(r.boxes.boxes().first().icon, MsgIcon::None);
    EXPECT_EQ(r.boxes.boxes().first().buttons, MsgButtons::Ok);
}

TEST(StartUp, TheWorkFolderIsNarrowedBeforeTheDatabaseOpens)
{
    StartRecorder r;
    ASSERT_TRUE(SetFileMode(AppPaths::workFolder(), 0755));
    int modeAtDatabase = -1;
    StartUpSteps steps = r.steps();
    steps.createDatabaseModule = [&](QWidget*) {
        modeAtDatabase = FileMode(AppPaths::workFolder());
        return true;
    };
    EXPECT_EQ(RunStartUp(steps), 0);
    EXPECT_EQ(modeAtDatabase, 0700);
}

TEST(StartUp, AnUnusableDatabaseSettingEndsBeforeTheMainWindowShows)
{
    StartRecorder r;
    r.databaseOk = false;
    EXPECT_NE(RunStartUp(r.steps()), 0);
    EXPECT_TRUE(r.mainWindow.isNull());
    EXPECT_EQ(r.events.last(), QStringLiteral("database"));
}

TEST(StartUp, ClosingTheMainWindowEndsTheProgramWhileOtherWindowsAreOpen)
{
    StartRecorder r;
    ASSERT_EQ(RunStartUp(r.steps()), 0);
    QWidget otherWindow;
    otherWindow.show();
    ASSERT_TRUE(r.mainWindow->close());
    // Closing frees the main window, which ends the event loop of the program.
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(r.mainWindow.isNull());
}

} // namespace
