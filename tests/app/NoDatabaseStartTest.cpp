#include "app/KubNewsProgram.h"
#include "app/Main.h"
#include "desktop/MessageBoxes.h"
#include "platform/AppPaths.h"
#include "support/QtPrinters.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

TMainForm* findMainWindow()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* main = qobject_cast<TMainForm*>(window))
            return main;
    }
    return nullptr;
}

// What the user meets once the program has started without its database folder.
struct Seen {
    bool firstShowDone = false;
    QStringList boxesAtStart;
    bool senderCommand = true;
    bool recipientCommand = true;
    HostedScreen afterClick = HostedScreen::None;
    bool screenWidget = false;
    QStringList boxesAfterClick;
};

// The real start of the program with the database folder missing; once the first show has
// filled the log nodes, the Bearbeiten menu is opened and "Empfängerdaten" clicked with the
// mouse, then the window is closed.
TEST(StartWithoutDatabase, OneBoxThenBothCommandsDisabledAndNoScreenOpens)
{
    TestEnvironment env;
    const QString missing = env.root() + QStringLiteral("/Datenbank");
    env.writeStandardRegistry({}, QStringLiteral("\"DBPath\"=\"") + missing + u'"');
    ASSERT_FALSE(QFileInfo::exists(missing));
    // A send log: its node shows that the first show has run to its end.
    ASSERT_TRUE(QDir().mkpath(AppPaths::logFolder()));
    QFile log(AppPaths::logFolder() + QStringLiteral("/News_08122026_1.log"));
    ASSERT_TRUE(log.open(QIODevice::WriteOnly));
    log.close();

    MessageBoxRecorder boxes;
    QTemporaryDir runtime;
    KubNewsProgramSeams seams;
    seams.start.lockFile = runtime.filePath(QStringLiteral("kubNEWSLETTER.lock"));
    seams.start.pause = [](int) {};

    Seen seen;
    const QDeadlineTimer deadline(std::chrono::minutes(2));
    QTimer user;
    user.setInterval(20);
    QObject::connect(&user, &QTimer::timeout, &user, [&] {
        TMainForm* main = findMainWindow();
        if (!main || !main->isVisible())
            return;
        seen.firstShowDone = main->itemAt(4) != nullptr;
        if (!seen.firstShowDone && !deadline.hasExpired())
            return;
        user.stop();
        seen.boxesAtStart = boxes.texts();

        main->Bearbeiten1->popup(main->mapToGlobal(QPoint(5, 5)));
        seen.senderCommand = main->MainAbsender->isEnabled();
        seen.recipientCommand = main->MainEmpf->isEnabled();
        main->Bearbeiten1->hide();

        const QRect node = main->NavTV1->visualItemRect(main->itemAt(2));
        QTest::mouseClick(main->NavTV1->viewport(), Qt::LeftButton, {}, node.center());
        QApplication::processEvents();
        seen.afterClick = main->hostedScreen();
        seen.screenWidget = main->hostedWidget() != nullptr;
        seen.boxesAfterClick = boxes.texts();
        main->close();
    });
    user.start();
    EXPECT_EQ(RunKubNewsProgram(seams), 0);

    ASSERT_TRUE(seen.firstShowDone);
    ASSERT_EQ(seen.boxesAtStart.size(), 1) << seen.boxesAtStart.join(u'\n').toStdString();
    EXPECT_TRUE(seen.boxesAtStart.first().startsWith(QStringLiteral("#49 ")))
        << seen.boxesAtStart.first().toStdString();
    EXPECT_EQ(boxes.boxes().first().icon, MsgIcon::Error);
    EXPECT_FALSE(seen.senderCommand);
    EXPECT_FALSE(seen.recipientCommand);
    EXPECT_EQ(seen.afterClick, HostedScreen::None);
    EXPECT_FALSE(seen.screenWidget);
    EXPECT_EQ(seen.boxesAfterClick, seen.boxesAtStart);
    // Nothing was created in place of the missing folder.
    EXPECT_FALSE(QFileInfo::exists(missing));
}

} // namespace
