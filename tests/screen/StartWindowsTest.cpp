#include "acceptance/UserDriver.h"
#include "app/KubNewsProgram.h"
#include "app/Main.h"
#include "core/StartForm.h"
#include "screen/X11Facts.h"
#include "support/TestEnvironment.h"

#include <QAbstractButton>
#include <QDeadlineTimer>
#include <QDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

namespace {

// The top-level window of type W, if one exists.
template <class W> W* findTopLevel()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* found = qobject_cast<W*>(window))
            return found;
    }
    return nullptr;
}

// Asks the X server until the condition holds; false after the bound (a broken run only).
bool eventually(const std::function<bool()>& condition)
{
    const QDeadlineTimer deadline(UserDriver::kWaitMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return condition();
        QThread::msleep(50);
    }
    return true;
}

// The share of pixels in which the screen, where the window is, shows what the window draws.
double shareShownOnScreen(QWidget* window)
{
    const QImage drawn = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect place = window->geometry();
    const QImage screen = QGuiApplication::primaryScreen()
                              ->grabWindow(0, place.x(), place.y(), place.width(), place.height())
                              .toImage()
                              .convertToFormat(QImage::Format_RGB32);
    if (screen.size() != drawn.size())
        return 0;
    qint64 same = 0;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x)
            same += drawn.pixel(x, y) == screen.pixel(x, y);
    return double(same) / (qint64(drawn.width()) * drawn.height());
}

// A window as the window manager gets it: managed and mapped, with the caption it was given.
struct ManagedWindow {
    WId id = 0;
    QString caption;
};

void expectCaptionAtTheWindowManager(const ManagedWindow& window)
{
    ASSERT_TRUE(eventually([&] { return X11Facts::isViewable(window.id); })) << window.caption.toStdString();
    EXPECT_EQ(X11Facts::textProperty(window.id, QStringLiteral("_NET_WM_NAME")), window.caption);
    EXPECT_EQ(X11Facts::textProperty(window.id, QStringLiteral("WM_NAME")), window.caption);
}

// The real program under a real window manager, started with its database folder missing.
struct StartWithoutDatabase : ::testing::Test {
    TestEnvironment env;
    QTemporaryDir runtime;
    UserDriver user;
    std::atomic<bool> splashBackAfterBox{false};

    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb")) << "runs under Xvfb with openbox";
    }

    // The real program with the given database settings, while walk() plays the user on a
    // thread of its own; returns the program's exit code.
    int runProgram(const QString& databaseValues, const std::function<void()>& walk)
    {
        env.writeStandardRegistry({}, databaseValues);
        std::atomic<bool> walked{false};
        std::thread script([&] {
            walk();
            user.endProgram([] { return static_cast<QWidget*>(findTopLevel<TMainForm>()); });
            walked = true;
        });
        KubNewsProgramSeams seams;
        seams.start.lockFile = runtime.filePath(QStringLiteral("kubNEWSLETTER.lock"));
        // A box comes while the database opens; the splash shows again for the last status line.
        seams.start.statusShown = [this](const QString& status) {
            if (status == QStringLiteral("kubNEWSLETTER wird gestartet..."))
                splashBackAfterBox = findTopLevel<TPStartForm>() && findTopLevel<TPStartForm>()->isVisible();
        };
        const int exitCode = RunKubNewsProgram(seams);
        while (!walked)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        script.join();
        EXPECT_TRUE(user.inputsArrived()) << "an input missed its widget";
        return exitCode;
    }

    // A box of the start: mapped, on top of the stack, not covered by the splash, with the
    // keyboard, and the screen shows all of it.
    void walkBoxInFront(const QString& textStart, const QString& caption)
    {
        QString text;
        QMessageBox* box = user.waitForMessageBox(&text);
        ASSERT_TRUE(box);
        EXPECT_TRUE(text.startsWith(textStart)) << text.toStdString();
        const WId boxId = user.onGui([box] { return box->winId(); });
        const WId splashId =
            user.onGui([] { return findTopLevel<TPStartForm>() ? findTopLevel<TPStartForm>()->winId() : WId(0); });
        ASSERT_NE(splashId, WId(0)) << "the splash is there while the start shows its box";

        ASSERT_TRUE(
            eventually([&] { return X11Facts::isViewable(boxId) && X11Facts::stackingOrder().contains(boxId); }));
        const bool covered = eventually([&] {
            const QList<WId> stack = X11Facts::stackingOrder();
            const bool splashBelow = !X11Facts::isViewable(splashId) || stack.indexOf(splashId) < stack.indexOf(boxId);
            return splashBelow && stack.last() == boxId;
        });
        EXPECT_TRUE(covered) << "the box is not on top of the window manager's stack";
        // Enter goes to the box.
        EXPECT_TRUE(eventually([&] { return X11Facts::activeWindow() == boxId; })) << "the box has not the keyboard";
        EXPECT_TRUE(eventually([&] { return user.onGui([box] { return shareShownOnScreen(box); }) > 0.95; }))
            << "the screen does not show the whole box";
        user.snapshotScreen(QString::fromUtf8(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        EXPECT_EQ(X11Facts::textProperty(boxId, QStringLiteral("_NET_WM_NAME")), caption);
        ASSERT_TRUE(user.answer(box, QStringLiteral("OK")));
    }

    // The main window and a dialog carry their own captions, nothing appended.
    void walkCaptions()
    {
        ASSERT_TRUE(user.waitUntil([] { return findTopLevel<TMainForm>() && findTopLevel<TMainForm>()->isVisible(); }));
        TMainForm* main = user.onGui([] { return findTopLevel<TMainForm>(); });
        expectCaptionAtTheWindowManager(
            {user.onGui([main] { return main->winId(); }), QStringLiteral("kubNEWSLETTER V 1.2")});

        // The disabled commands as the menu shows them.
        QMenu* edit = user.onGui([main] { return main->Bearbeiten1; });
        QMenuBar* bar = user.onGui([main] { return main->menuBar(); });
        user.clickAt(bar, user.onGui([bar, edit] { return bar->actionGeometry(edit->menuAction()).center(); }));
        ASSERT_TRUE(user.waitUntil([edit] { return edit->isVisible(); }));
        user.snapshotScreen(QStringLiteral("disabled-commands"));
        user.key(edit, Qt::Key_Escape);
        ASSERT_TRUE(user.waitUntil([edit] { return !edit->isVisible(); }));

        ASSERT_TRUE(user.chooseMenu(main, QStringLiteral("Hilfe"), QStringLiteral("Info...")));
        QDialog* about = user.waitForModal<QDialog>();
        ASSERT_TRUE(about);
        expectCaptionAtTheWindowManager({user.onGui([about] { return about->winId(); }), QStringLiteral("Info")});
        user.snapshotScreen(QStringLiteral("info"));
        QAbstractButton* close = user.button(about, QStringLiteral("Schließen"));
        ASSERT_TRUE(close);
        user.click(close);
        ASSERT_TRUE(user.waitForNoModal());

        ASSERT_TRUE(user.chooseMenu(main, QStringLiteral("Erweitert"), QStringLiteral("Einstellungen...")));
        QDialog* options = user.waitForModal<QDialog>();
        ASSERT_TRUE(options);
        expectCaptionAtTheWindowManager(
            {user.onGui([options] { return options->winId(); }), QStringLiteral("Einstellungen")});
        user.onGui([options] { options->reject(); });
        ASSERT_TRUE(user.waitForNoModal());
    }
};

TEST_F(StartWithoutDatabase, TheBoxIsInFrontOfTheSplashAndEveryWindowKeepsItsCaption)
{
    const QString missing = env.root() + QStringLiteral("/Datenbank");
    ASSERT_FALSE(QFileInfo::exists(missing));
    const int exitCode = runProgram(QStringLiteral("\"DBPath\"=\"") + missing + u'"', [this] {
        walkBoxInFront(QStringLiteral("#49 "), QStringLiteral("Fehler"));
        if (!HasFailure())
            walkCaptions();
    });
    EXPECT_EQ(exitCode, 0);
    EXPECT_TRUE(splashBackAfterBox);
}

// Without the setting of the database folder the start's box ends the program.
TEST_F(StartWithoutDatabase, TheBoxThatEndsTheStartIsInFrontOfTheSplashToo)
{
    const int exitCode = runProgram(QString(), [this] {
        walkBoxInFront(QStringLiteral("Werte für den Datenbankzugriff konnten nicht gelesen werden!"),
                       QStringLiteral("Fehler"));
    });
    EXPECT_NE(exitCode, 0);
    EXPECT_EQ(findTopLevel<TMainForm>(), nullptr);
}

} // namespace
