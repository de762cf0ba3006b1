#include "desktop/CommandUpdater.h"

#include <QAction>
#include <QEventLoop>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QToolButton>
#include <QWidget>

#include <gtest/gtest.h>
#include <map>

namespace {

// A window with one command per way of being linked: a visible button, a hidden button, a
// submenu item, a top-level menu-bar item, and nothing.
struct CommandWindow {
    QWidget window;
    QMenuBar bar{&window};
    QMenu* submenu = bar.addMenu(QStringLiteral("Bearbeiten"));
    QToolButton shownButton{&window};
    QToolButton hiddenButton{&window};
    QAction onButton{QStringLiteral("button")};
    QAction onHiddenButton{QStringLiteral("hidden")};
    QAction inSubmenu{QStringLiteral("submenu")};
    QAction onMenuBar{QStringLiteral("bar")};
    QAction unlinked{QStringLiteral("nothing")};
    CommandUpdater updater;
    std::map<QString, int> runs;
    int idleRuns = 0;

    CommandWindow()
    {
        shownButton.setDefaultAction(&onButton);
        hiddenButton.setDefaultAction(&onHiddenButton);
        submenu->addAction(&inSubmenu);
        bar.addAction(&onMenuBar);
        for (QAction* action : {&onButton, &onHiddenButton, &inSubmenu, &onMenuBar, &unlinked})
            updater.addCommand(action, [this](QAction* a) { ++runs[a->text()]; });
        updater.setIdleHandler([this] { ++idleRuns; });
        window.show();
        hiddenButton.hide();
    }
};

TEST(CommandUpdater, IdleUpdatesOnlyCommandsShownOnVisibleControlsAndTheMenuBar)
{
    CommandWindow w;
    w.updater.runIdleUpdates();
    EXPECT_EQ(w.idleRuns, 1);
    EXPECT_EQ(w.runs[QStringLiteral("button")], 1);
    EXPECT_EQ(w.runs[QStringLiteral("bar")], 1);
    EXPECT_EQ(w.runs[QStringLiteral("hidden")], 0);
    EXPECT_EQ(w.runs[QStringLiteral("submenu")], 0);
    EXPECT_EQ(w.runs[QStringLiteral("nothing")], 0);
}

TEST(CommandUpdater, SubmenuItemsAreUpdatedWhenTheSubmenuOpens)
{
    CommandWindow w;
    w.submenu->popup(w.window.mapToGlobal(QPoint(10, 10)));
    EXPECT_EQ(w.runs[QStringLiteral("submenu")], 1);
    EXPECT_EQ(w.runs[QStringLiteral("button")], 0);
    w.submenu->hide();
}

TEST(CommandUpdater, RunsWhenTheEventLoopIsAboutToWait)
{
    CommandWindow w;
    QEventLoop loop;
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_GE(w.idleRuns, 1);
    EXPECT_GE(w.runs[QStringLiteral("button")], 1);
    EXPECT_EQ(w.runs[QStringLiteral("nothing")], 0);
}

TEST(CommandUpdater, DestroyedActionsAreSkipped)
{
    QWidget window;
    auto* action = new QAction(QStringLiteral("gone"));
    window.addAction(action);
    window.show();
    int runs = 0;
    CommandUpdater updater;
    updater.addCommand(action, [&](QAction*) { ++runs; });
    delete action;
    updater.runIdleUpdates();
    EXPECT_EQ(runs, 0);
}

} // namespace
