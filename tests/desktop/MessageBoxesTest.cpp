#include "desktop/MessageBoxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

// What became of a window around one real box.
struct Seen {
    bool boxCame = false;
    bool visibleDuringBox = false;
};

// Shows a real box; once it is up, during() runs, the window's state is taken and the box's OK
// button is clicked.
Seen aroundBox(QWidget* window, const std::function<void()>& during = {})
{
    Seen seen;
    QTimer user;
    user.setInterval(10);
    QObject::connect(&user, &QTimer::timeout, &user, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        user.stop();
        seen.boxCame = true;
        seen.visibleDuringBox = window && window->isVisible();
        if (during)
            during();
        QTest::mouseClick(box->buttons().first(), Qt::LeftButton);
    });
    user.start();
    MessageBoxes::information(QStringLiteral("Hinweis"));
    return seen;
}

TEST(HiddenWhileBoxShows, TheWindowStepsAsideForTheBoxAndComesBack)
{
    struct Case {
        const char* what;
        bool registered;
        bool shownBefore;
        bool visibleDuringBox;
        bool visibleAfter;
    };
    const QList<Case> cases{
        {"a shown window that would cover the box hides, then shows again", true, true, false, true},
        {"a hidden one stays hidden", true, false, false, false},
        {"any other window is left alone", false, true, true, true},
    };
    for (const Case& c : cases) {
        QWidget window(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        std::unique_ptr<HiddenWhileBoxShows> hidden;
        if (c.registered)
            hidden = std::make_unique<HiddenWhileBoxShows>(&window);
        window.setVisible(c.shownBefore);
        const Seen seen = aroundBox(&window);
        ASSERT_TRUE(seen.boxCame) << c.what;
        EXPECT_EQ(seen.visibleDuringBox, c.visibleDuringBox) << c.what;
        EXPECT_EQ(window.isVisible(), c.visibleAfter) << c.what;
    }
}

TEST(HiddenWhileBoxShows, AWindowThatNoLongerAsksOrIsGoneIsNotShownAgain)
{
    QWidget released(nullptr, Qt::FramelessWindowHint);
    auto releasedGuard = std::make_unique<HiddenWhileBoxShows>(&released);
    released.show();
    ASSERT_TRUE(aroundBox(&released, [&] { releasedGuard.reset(); }).boxCame);
    EXPECT_FALSE(released.isVisible());

    struct Owned {
        QWidget window{nullptr, Qt::FramelessWindowHint};
        HiddenWhileBoxShows hidden{&window};
    };
    auto owned = std::make_unique<Owned>();
    owned->window.show();
    const QPointer<QWidget> watched = &owned->window;
    ASSERT_TRUE(aroundBox(&owned->window, [&] { owned.reset(); }).boxCame);
    EXPECT_TRUE(watched.isNull());
}

} // namespace
