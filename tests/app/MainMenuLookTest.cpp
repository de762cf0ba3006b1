#include "app/Main.h"
#include "controls/MenuColor.h"
#include "desktop/MessageBoxes.h"
#include "support/TestEnvironment.h"
#include "support/TestWait.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <gtest/gtest.h>
#include <memory>

namespace {

// The colour numbers 14348015 and 9730670 (red in the low byte).
const QColor kMenuBack(239, 238, 218);
const QColor kSelection(110, 122, 148);

QImage shot(QWidget* widget)
{
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QString colourAt(const QImage& image, int x, int y)
{
    return image.pixelColor(x, y).name();
}

bool anyPixelOf(const QImage& image, const QRect& area, const QColor& color)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixel(x, y) == color.rgb())
                return true;
    return false;
}

struct MainMenuLookTest : ::testing::Test {
    TestEnvironment env;
    MessageBoxRecorder boxes;
    std::unique_ptr<TMainForm> form;

    void SetUp() override
    {
        env.writeStandardRegistry();
        form = std::make_unique<TMainForm>();
        form->setWindowState(Qt::WindowNoState);
        form->resize(780, 580);
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }

    void TearDown() override
    {
        for (QMenu* menu : form->menuBar()->findChildren<QMenu*>())
            menu->hide();
    }

    // Opens a menu of the bar as a user does: a click on its bar item.
    void clickBarItem(QMenu* menu)
    {
        const QRect item = form->menuBar()->actionGeometry(menu->menuAction());
        QTest::mouseClick(form->menuBar(), Qt::LeftButton, {}, item.center());
        ASSERT_TRUE(waitUntil([menu] { return menu->isVisible(); }));
    }
};

TEST_F(MainMenuLookTest, BarAndMenusCarryTheLook)
{
    EXPECT_EQ(form->menuBar()->style(), form->MC1);
    for (QMenu* menu : {form->Bearbeiten1, form->Erweitert1, form->Datensicherung1, form->Hilfe1})
        EXPECT_EQ(menu->style(), form->MC1) << menu->objectName().toStdString();
}

TEST_F(MainMenuLookTest, UnselectedBarItemShowsTheBarColour)
{
    const QImage bar = shot(form->menuBar());
    const QColor barColour = form->MC1->colors().menuLineColor;
    EXPECT_EQ(barColour.name(), QApplication::palette().color(QPalette::Button).name());
    for (QMenu* menu : {form->Bearbeiten1, form->Hilfe1}) {
        const QRect item = form->menuBar()->actionGeometry(menu->menuAction());
        EXPECT_EQ(colourAt(bar, item.left() + 1, item.top() + 1), barColour.name()) << menu->title().toStdString();
    }
    // Beyond the last item as well.
    EXPECT_EQ(colourAt(bar, bar.width() - 2, bar.height() / 2), barColour.name());
}

TEST_F(MainMenuLookTest, ClickedMenuShowsItsColours)
{
    clickBarItem(form->Bearbeiten1);

    // The open menu's bar item: framed in black, filled with the menu colour.
    const QImage bar = shot(form->menuBar());
    const QRect barItem = form->menuBar()->actionGeometry(form->Bearbeiten1->menuAction());
    EXPECT_EQ(colourAt(bar, barItem.left(), barItem.top()), QColor(Qt::black).name());
    EXPECT_EQ(colourAt(bar, barItem.left() + 2, barItem.top() + 2), kMenuBack.name());

    const QImage menu = shot(form->Bearbeiten1);
    const QRect item = form->Bearbeiten1->actionGeometry(form->MainAbsender);
    // The image column beside the image, then the text area.
    EXPECT_EQ(colourAt(menu, item.left() + 19, item.top() + 1), kSelection.name());
    EXPECT_EQ(colourAt(menu, item.right() - 2, item.top() + 1), kMenuBack.name());
    // Not selected: no selection colour in the text area.
    EXPECT_FALSE(anyPixelOf(menu, QRect(item.left() + 20, item.top(), item.width() - 20, item.height()), kSelection));

    // Moving onto an item selects it beside the image column, framed in black.
    QTest::mouseMove(form->Bearbeiten1, item.center());
    ASSERT_TRUE(waitUntil([&] { return form->Bearbeiten1->activeAction() == form->MainAbsender; }));
    const QImage selected = shot(form->Bearbeiten1);
    EXPECT_EQ(colourAt(selected, item.left() + 10, item.top() + 1), kSelection.name());
    EXPECT_EQ(colourAt(selected, item.left() + 21, item.top()), QColor(Qt::black).name());
    EXPECT_EQ(colourAt(selected, item.left() + 22, item.top() + 1), kSelection.name());
}

TEST_F(MainMenuLookTest, SubMenuItemShowsItsArrow)
{
    clickBarItem(form->Erweitert1);
    const QImage menu = shot(form->Erweitert1);
    const QRect item = form->Erweitert1->actionGeometry(form->Datensicherung1->menuAction());
    const QRect arrowArea(item.right() - 10, item.top() + item.height() / 2 - 2, 6, 5);
    EXPECT_TRUE(anyPixelOf(menu, arrowArea, Qt::black));
    const QRect plain = form->Erweitert1->actionGeometry(form->Erweitert1->actions().first());
    EXPECT_FALSE(anyPixelOf(menu, arrowArea.translated(0, plain.top() - item.top()), Qt::black));
}

// Without a database its two commands are disabled; a user must see that in the open menu: their
// text engraved in the shadow colour, while "Beenden" stays black.
TEST_F(MainMenuLookTest, DisabledCommandsAreDrawnDisabled)
{
    form->setDatabaseUnavailable(true);
    clickBarItem(form->Bearbeiten1);
    ASSERT_FALSE(form->MainAbsender->isEnabled());
    ASSERT_FALSE(form->MainEmpf->isEnabled());
    const QImage menu = shot(form->Bearbeiten1);
    const QColor shadow = form->Bearbeiten1->palette().color(QPalette::Normal, QPalette::Dark);
    QAction* quit = form->Bearbeiten1->actions().last();
    ASSERT_EQ(quit->text(), QStringLiteral("Beenden"));
    struct Case {
        QAction* entry;
        QColor ink;
        QColor absent;
    };
    const QList<Case> cases{
        {form->MainAbsender, shadow, Qt::black},
        {form->MainEmpf, shadow, Qt::black},
        {quit, Qt::black, shadow},
    };
    for (const Case& c : cases) {
        const QRect item = form->Bearbeiten1->actionGeometry(c.entry);
        const QRect text(item.left() + 20, item.top(), item.width() - 20, item.height());
        EXPECT_TRUE(anyPixelOf(menu, text, c.ink)) << c.entry->text().toStdString();
        EXPECT_FALSE(anyPixelOf(menu, text, c.absent)) << c.entry->text().toStdString();
    }
}

} // namespace
