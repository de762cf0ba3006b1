#include "controls/FlatTreeView.h"

#include "support/TestWait.h"

#include <QApplication>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QHelpEvent>
#include <QImage>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>
#include <QTreeWidgetItem>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace {

void send(QWidget& widget, QEvent::Type type)
{
    if (type == QEvent::Enter) {
        QEnterEvent event(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QCoreApplication::sendEvent(&widget, &event);
    } else if (type == QEvent::FocusIn || type == QEvent::FocusOut) {
        QFocusEvent event(type);
        QCoreApplication::sendEvent(&widget, &event);
    } else {
        QEvent event(type);
        QCoreApplication::sendEvent(&widget, &event);
    }
}

void wheel(QWidget& viewport, int angle)
{
    QWheelEvent event(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, angle), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&viewport, &event);
}

TEST(FlatTreeView, FlatModeFollowsFocusAndMouse)
{
    TFlatTreeView tree;
    FlatFrame& frame = tree.frame();
    frame.setFrameFlat(true);
    EXPECT_EQ(frame.frameStyle(), TFrameStyle::fsStatus);
    const struct {
        QEvent::Type event;
        TFrameStyle expected;
    } steps[] = {
        {QEvent::Enter, TFrameStyle::fsLowered},   {QEvent::FocusIn, TFrameStyle::fsLowered},
        {QEvent::Leave, TFrameStyle::fsLowered}, // still focused
        {QEvent::FocusOut, TFrameStyle::fsStatus}, {QEvent::FocusIn, TFrameStyle::fsLowered},
        {QEvent::Enter, TFrameStyle::fsLowered},   {QEvent::FocusOut, TFrameStyle::fsLowered}, // mouse still over
        {QEvent::Leave, TFrameStyle::fsStatus},
    };
    for (const auto& step : steps) {
        send(tree, step.event);
        EXPECT_EQ(frame.frameStyle(), step.expected) << step.event;
    }
}

TEST(FlatTreeView, NavigationTreeShowsStatusUntilTheFirstChange)
{
    TFlatTreeView tree;
    int entered = 0;
    QObject::connect(&tree.frame(), &FlatFrame::mouseEntered, &tree, [&] { ++entered; });
    tree.frame().setUpFlatLine(Qt::black); // as the main window's navigation tree
    EXPECT_EQ(tree.frame().frameStyle(), TFrameStyle::fsStatus);
    send(tree, QEvent::Enter);
    EXPECT_EQ(entered, 1);
    EXPECT_EQ(tree.frame().frameStyle(), TFrameStyle::fsFlat);
    send(tree, QEvent::Leave);
    EXPECT_EQ(tree.frame().frameStyle(), TFrameStyle::fsFlat);
}

TEST(FlatTreeView, VisibilityAndFlatModeSwitchTheOwnBorder)
{
    TFlatTreeView tree;
    const int ownStyle = tree.frameStyle();
    FlatFrame& frame = tree.frame();
    frame.setFrameSides(TSide::sdLeft);
    EXPECT_FALSE(frame.frameVisible());
    frame.setFrameFlat(true);
    EXPECT_TRUE(frame.frameVisible());
    EXPECT_EQ(frame.frameSides(), kAllSides);
    EXPECT_EQ(tree.frameWidth(), 2);
    frame.setFrameFlat(false);
    EXPECT_TRUE(frame.frameVisible());
    frame.setFrameVisible(false);
    EXPECT_EQ(tree.frameStyle(), ownStyle);
}

TEST(FlatTreeView, PaintsTheFrameAroundTheScrollBars)
{
    TFlatTreeView tree;
    for (int i = 0; i < 40; ++i)
        tree.addTopLevelItem(new QTreeWidgetItem({QStringLiteral("Eintrag %1").arg(i)}));
    tree.frame().setFrameVisible(true);
    tree.frame().setFrameColor(QColor(255, 0, 0));
    tree.frame().setFrameSides(TSides(TSide::sdLeft) | TSide::sdTop);
    tree.resize(200, 120);
    tree.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    const QImage image = tree.grab().toImage();
    const QColor base = tree.viewport()->palette().color(tree.viewport()->backgroundRole());
    EXPECT_EQ(image.pixelColor(0, 60), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(100, 0), QColor(255, 0, 0));
    // Sides not drawn keep the control's colour in both rings.
    EXPECT_EQ(image.pixelColor(199, 60), base);
    EXPECT_EQ(image.pixelColor(198, 60), base);
    EXPECT_EQ(image.pixelColor(100, 119), base);
    ASSERT_TRUE(tree.verticalScrollBar()->isVisible());
    EXPECT_LE(tree.verticalScrollBar()->geometry().right(), 197);
}

TEST(FlatTreeView, WheelScrollsByLinesAndStopsAtTheTop)
{
    QApplication::setWheelScrollLines(3);
    TFlatTreeView tree;
    for (int i = 0; i < 60; ++i)
        tree.addTopLevelItem(new QTreeWidgetItem({QStringLiteral("Eintrag %1").arg(i)}));
    tree.resize(200, 120);
    tree.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    QScrollBar* bar = tree.verticalScrollBar();
    ASSERT_GT(bar->maximum(), 10);
    wheel(*tree.viewport(), -120);
    EXPECT_EQ(bar->value(), 3);
    wheel(*tree.viewport(), -240);
    EXPECT_EQ(bar->value(), 9);
    bar->setValue(2);
    wheel(*tree.viewport(), 120); // fewer rows than one step above: to the very top
    EXPECT_EQ(bar->value(), 0);
    wheel(*tree.viewport(), -60); // half a notch does nothing yet
    EXPECT_EQ(bar->value(), 0);
    wheel(*tree.viewport(), -60);
    EXPECT_EQ(bar->value(), 3);
}

TEST(FlatTreeView, OutlinesTheSelectedItemOnlyWithoutFocus)
{
    QWidget window;
    auto* other = new QLineEdit(&window);
    auto* tree = new TFlatTreeView(&window);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(other);
    layout->addWidget(tree);
    tree->addTopLevelItem(new QTreeWidgetItem({QStringLiteral("Absender")}));
    tree->addTopLevelItem(new QTreeWidgetItem({QStringLiteral("Empfänger")}));
    tree->setSelectionPen(QPen(QColor(0, 200, 0)));
    window.resize(200, 200);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    other->setFocus();
    tree->setCurrentItem(tree->topLevelItem(1));
    ASSERT_FALSE(tree->hasFocus());
    EXPECT_TRUE(tree->selectionOutlineRect().isEmpty()); // hideSelection is on by default
    tree->setHideSelection(false);
    const QRect outline = tree->selectionOutlineRect();
    ASSERT_FALSE(outline.isEmpty());
    EXPECT_TRUE(tree->visualItemRect(tree->topLevelItem(1)).contains(outline));
    const QImage image = tree->viewport()->grab().toImage();
    EXPECT_EQ(image.pixelColor(outline.topLeft()), QColor(0, 200, 0));
    EXPECT_EQ(image.pixelColor(outline.bottomRight()), QColor(0, 200, 0));
    EXPECT_NE(image.pixelColor(outline.center()), QColor(0, 200, 0));
    tree->setFocus();
    ASSERT_TRUE(tree->hasFocus());
    EXPECT_TRUE(tree->selectionOutlineRect().isEmpty());
}

} // namespace

namespace {

// Asks the tree for the tool tip at the item, as hovering does.
QString toolTipAt(TFlatTreeView& tree, QTreeWidgetItem* item)
{
    QToolTip::hideText();
    EXPECT_TRUE(waitUntil([] { return !QToolTip::isVisible(); })) << "the previous tool tip stays";
    const QPoint pos = tree.visualItemRect(item).center();
    QHelpEvent help(QEvent::ToolTip, pos, tree.viewport()->mapToGlobal(pos));
    QCoreApplication::sendEvent(tree.viewport(), &help);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
}

TEST(FlatTreeView, ANameCutShortShowsInFullAsToolTip)
{
    TFlatTreeView tree;
    tree.setHeaderHidden(true);
    tree.resize(120, 200);
    auto* logs = new QTreeWidgetItem(&tree, QStringList{QStringLiteral("Protokolle")});
    auto* first = new QTreeWidgetItem(logs, QStringList{QStringLiteral("News 10.12.2026 #1 Zeitung Nord")});
    auto* second = new QTreeWidgetItem(logs, QStringList{QStringLiteral("News 10.12.2026 #2 Zeitung Nord")});
    tree.expandAll();
    tree.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));

    EXPECT_EQ(toolTipAt(tree, first), first->text(0));
    EXPECT_EQ(toolTipAt(tree, second), second->text(0));
    EXPECT_EQ(toolTipAt(tree, logs), QString()) << "a name that fits needs no tool tip";
    tree.resize(400, 200);
    EXPECT_EQ(toolTipAt(tree, first), QString());
}

} // namespace
