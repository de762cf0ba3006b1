#include "app/Main.h"
#include "core/LogListing.h"
#include "desktop/MessageBoxes.h"
#include "platform/AppPaths.h"
#include "platform/BusyGuard.h"
#include "platform/WindowMessages.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>

namespace {

class FakeListing : public ILogListing {
public:
    QStringList lines;
    bool result = true;
    bool throws = false;
    int calls = 0;
    bool ListLogFiles(QStringList& out) override
    {
        ++calls;
        if (throws)
            throw std::runtime_error("Zugriff verweigert");
        out = lines;
        return result;
    }
};

struct Shown {
    QString title;
    QString fileName;
};

// The main window with fakes for everything it reaches outside itself.
struct MainFormFixture : ::testing::Test {
    TestEnvironment env;
    MessageBoxRecorder boxes;
    FakeListing listing;
    QList<Shown> shownLogs;
    QList<HostedScreen> createdScreens;
    int senderChecks = 0;
    int listingCallsAtSenderCheck = -1;
    std::unique_ptr<TMainForm> form;

    void SetUp() override
    {
        env.writeStandardRegistry();
        form = std::make_unique<TMainForm>(seams());
    }

    TMainFormSeams seams()
    {
        TMainFormSeams s;
        s.logListing = &listing;
        s.createScreen = [this](HostedScreen screen, QWidget* host) {
            createdScreens.append(screen);
            return new QWidget(host);
        };
        s.openLogViewer = [this](const QString& title, const QString& fileName) {
            shownLogs.append({title, fileName});
        };
        s.firstShowSenderCheck = [this] {
            ++senderChecks;
            listingCallsAtSenderCheck = listing.calls;
        };
        return s;
    }

    void click(int index)
    {
        form->NavTV1->setCurrentItem(form->itemAt(index));
        form->NavTV1Click();
    }

    QStringList captions(int fromIndex) const
    {
        QStringList result;
        for (int i = fromIndex; QTreeWidgetItem* item = form->itemAt(i); ++i)
            result.append(item->text(0));
        return result;
    }

    void showOnce()
    {
        form->show();
        QApplication::processEvents();
    }
};

TEST_F(MainFormFixture, FixedNodesComeFirstInTheirPlaces)
{
    EXPECT_EQ(captions(0), (QStringList{QStringLiteral("kubNEWSLETTER"), QStringLiteral("Absenderdaten"),
                                        QStringLiteral("Empfängerdaten"), QStringLiteral("Protokolle")}));
    EXPECT_EQ(form->NavTV1->topLevelItemCount(), 2);
    EXPECT_EQ(form->itemAt(1)->parent(), form->itemAt(0));
    EXPECT_EQ(form->itemAt(2)->parent(), form->itemAt(0));
    EXPECT_EQ(form->NavTV1->indentation(), 19);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("kubNEWSLETTER V 1.2"));
    EXPECT_EQ(form->minimumSize(), QSize(780, 580));
}

TEST_F(MainFormFixture, TheTreeShowsAStatusFrameUntilItFirstGetsTheFocusThenABlackLine)
{
    TFlatTreeView* tree = form->NavTV1;
    auto leftAndRightEdge = [tree] {
        const QImage image = tree->grab().toImage();
        const int y = tree->height() / 2;
        return QList<QRgb>{image.pixel(0, y), image.pixel(tree->width() - 1, y)};
    };
    const QPalette colours = tree->palette();
    EXPECT_EQ(leftAndRightEdge(),
              (QList<QRgb>{colours.color(QPalette::Dark).rgb(), colours.color(QPalette::Light).rgb()}));

    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    ASSERT_TRUE(tree->hasFocus());
    EXPECT_EQ(leftAndRightEdge(), (QList<QRgb>{qRgb(0, 0, 0), qRgb(0, 0, 0)}));
    tree->clearFocus();
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(tree, &leave);
    EXPECT_EQ(leftAndRightEdge(), (QList<QRgb>{qRgb(0, 0, 0), qRgb(0, 0, 0)}));
}

TEST_F(MainFormFixture, LogNodesComeFromTheListingLinesThatHoldABar)
{
    listing.lines = {QStringLiteral("a|b"), QStringLiteral("nobar"), QStringLiteral("x|y|z")};
    form->RefreshLogTree();
    form->RefreshLogTree(); // a rebuild replaces the nodes
    EXPECT_EQ(captions(4), (QStringList{QStringLiteral("a"), QStringLiteral("x")}));
    EXPECT_EQ(form->itemAt(4)->parent(), form->itemAt(3));
    EXPECT_EQ(form->itemAt(4)->data(0, Qt::UserRole).toString(), QStringLiteral("b"));
    EXPECT_EQ(form->itemAt(5)->data(0, Qt::UserRole).toString(), QStringLiteral("y|z"));
    EXPECT_FALSE(form->itemAt(4)->icon(0).isNull());

    // The send logs changed: the window message rebuilds the nodes at once.
    listing.lines = {QStringLiteral("News 08.12.2026 #1|News_08122026_1.log")};
    EXPECT_TRUE(WindowMessages::send(WindowMessages::WM_LOGSCHANGED));
    EXPECT_EQ(captions(4), QStringList{QStringLiteral("News 08.12.2026 #1")});

    listing.result = false;
    form->RefreshLogTree();
    EXPECT_EQ(captions(4), QStringList());
    EXPECT_TRUE(boxes.boxes().isEmpty());
}

TEST_F(MainFormFixture, AFailingListingIsReportedWithItsNumber)
{
    listing.throws = true;
    form->RefreshLogTree();
    ASSERT_EQ(boxes.texts(), QStringList{QStringLiteral("#427 Zugriff verweigert")});
    EXPECT_EQ(boxes.boxes().first().icon, MsgIcon::Error);
}

TEST_F(MainFormFixture, DoubleClickOpensOnlyReadableExistingLogs)
{
    QDir().mkpath(AppPaths::logFolder());
    QFile existing(AppPaths::logFolder() + QStringLiteral("/News_08122026_1.log"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    listing.lines = {QStringLiteral("News 08.12.2026 #1|News_08122026_1.log"),
                     QStringLiteral("Fehlerhaft (News_x_)|News_x.log"),
                     QStringLiteral("News 09.12.2026 #1|News_09122026_1.log"), QStringLiteral("|News_leer.log"),
                     QStringLiteral("Ohne Datei|")};
    form->RefreshLogTree();

    for (int index = 0; QTreeWidgetItem* item = form->itemAt(index); ++index) {
        form->NavTV1->setCurrentItem(item);
        form->NavTV1DblClick();
    }
    ASSERT_EQ(shownLogs.size(), 1);
    EXPECT_EQ(shownLogs[0].title, QStringLiteral("News 08.12.2026 #1"));
    EXPECT_EQ(shownLogs[0].fileName, AppPaths::logFolder() + QStringLiteral("/News_08122026_1.log"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Datei ") + AppPaths::logFolder() +
                                         QStringLiteral("/News_09122026_1.log konnte nicht gefunden werden!")});
    EXPECT_EQ(form->hostedScreen(), HostedScreen::None);
}

TEST_F(MainFormFixture, DatabaseUnavailableDisablesTheTwoCommandsAndOpensNoScreen)
{
    form->show();
    form->setDatabaseUnavailable(true);
    EXPECT_TRUE(form->MainAbsender->isEnabled()); // not updated before the menu opens

    form->Bearbeiten1->popup(form->mapToGlobal(QPoint(5, 5)));
    form->Bearbeiten1->hide();
    QStringList disabled;
    for (QMenu* menu : {form->Bearbeiten1, form->Erweitert1, form->Datensicherung1, form->Hilfe1}) {
        menu->popup(form->mapToGlobal(QPoint(5, 5)));
        menu->hide();
        for (const QAction* action : menu->actions()) {
            if (!action->isSeparator() && !action->isEnabled())
                disabled.append(action->text());
        }
    }
    EXPECT_EQ(disabled, (QStringList{QStringLiteral("Absenderdaten"), QStringLiteral("Empfängerdaten")}));

    // Neither does the tree open a screen; its two nodes are greyed.
    click(1);
    click(2);
    EXPECT_EQ(form->hostedScreen(), HostedScreen::None);
    EXPECT_TRUE(createdScreens.isEmpty());
    EXPECT_TRUE(form->itemAt(1)->isDisabled());
    EXPECT_TRUE(form->itemAt(2)->isDisabled());

    form->setDatabaseUnavailable(false);
    form->Bearbeiten1->popup(form->mapToGlobal(QPoint(5, 5)));
    form->Bearbeiten1->hide();
    EXPECT_TRUE(form->MainAbsender->isEnabled());
    EXPECT_TRUE(form->MainEmpf->isEnabled());
    click(2);
    EXPECT_EQ(form->hostedScreen(), HostedScreen::Recipients);
}

TEST_F(MainFormFixture, OneListScreenAtATime)
{
    click(1);
    const QPointer<QWidget> senders = form->hostedWidget();
    click(1);
    EXPECT_EQ(form->hostedWidget(), senders.data());
    click(0);
    click(3);
    EXPECT_EQ(form->hostedScreen(), HostedScreen::Senders);
    EXPECT_EQ(createdScreens, QList<HostedScreen>{HostedScreen::Senders});

    form->MainEmpf->trigger();
    EXPECT_TRUE(senders.isNull());
    EXPECT_EQ(form->hostedScreen(), HostedScreen::Recipients);
    EXPECT_EQ(form->NavTV1->currentItem(), form->itemAt(2));
    EXPECT_EQ(form->hostedWidget()->parentWidget(), form->FlatPanel3);
}

TEST_F(MainFormFixture, WhileBusyNoScreenSwitchAndNoClose)
{
    click(1);
    {
        BusyGuard busy(QStringLiteral("Datensicherung"));
        ASSERT_TRUE(busy.acquired());
        EXPECT_FALSE(BusyGuard(QStringLiteral("Import")).acquired());
        click(2);
        EXPECT_EQ(form->hostedScreen(), HostedScreen::Senders);
        form->show();
        EXPECT_FALSE(form->close());
        EXPECT_TRUE(form->isVisible());
        ASSERT_EQ(boxes.boxes().size(), 1);
        EXPECT_EQ(boxes.boxes().first().icon, MsgIcon::Warning);
        EXPECT_EQ(boxes.texts().first(), QStringLiteral("Der Vorgang \"Datensicherung\" läuft noch.\r\n"
                                                        "Bitte warten Sie, bis er abgeschlossen ist."));
    }
    EXPECT_TRUE(form->close());
    EXPECT_EQ(form->hostedScreen(), HostedScreen::None);
}

TEST_F(MainFormFixture, FirstShowRunsOnceWithTheSenderCheckBeforeTheLogNodes)
{
    listing.lines = {QStringLiteral("a|b")};
    showOnce();
    EXPECT_EQ(senderChecks, 1);
    EXPECT_EQ(listingCallsAtSenderCheck, 0);
    EXPECT_EQ(listing.calls, 1);
    EXPECT_TRUE(env.readRegistry().contains(QStringLiteral("\"Ver\"=\"1.2\"")));

    form->showMinimized();
    QApplication::processEvents();
    form->showNormal();
    QApplication::processEvents();
    EXPECT_EQ(senderChecks, 1);
    EXPECT_EQ(listing.calls, 1);
}

TEST(MainForm, AStoredVersionIsKept)
{
    TestEnvironment env;
    env.writeStandardRegistry(QStringLiteral("\"Ver\"=\"0.9\""));
    TMainForm form;
    form.show();
    QApplication::processEvents();
    EXPECT_TRUE(env.readRegistry().contains(QStringLiteral("\"Ver\"=\"0.9\"")));
    EXPECT_FALSE(env.readRegistry().contains(QStringLiteral("1.2")));
}

TEST(MainForm, MenusCarryTheirCaptionsAndImages)
{
    TestEnvironment env;
    env.writeStandardRegistry();
    TMainForm form;
    QStringList layout;
    for (QAction* top : form.menuBar()->actions()) {
        layout.append(top->text());
        for (QAction* item : top->menu()->actions()) {
            if (item->isSeparator()) {
                layout.append(QStringLiteral("  -"));
                continue;
            }
            layout.append(QStringLiteral("  ") + item->text());
            EXPECT_FALSE(item->icon().isNull() && !item->menu()) << item->text().toStdString();
            if (item->menu()) {
                for (QAction* sub : item->menu()->actions())
                    layout.append(QStringLiteral("    ") + sub->text());
            }
        }
    }
    EXPECT_EQ(layout, (QStringList{
                          QStringLiteral("Bearbeiten"),
                          QStringLiteral("  Absenderdaten"),
                          QStringLiteral("  Empfängerdaten"),
                          QStringLiteral("  -"),
                          QStringLiteral("  Beenden"),
                          QStringLiteral("Erweitert"),
                          QStringLiteral("  Protokolle..."),
                          QStringLiteral("  -"),
                          QStringLiteral("  Datensicherung"),
                          QStringLiteral("    Sichern"),
                          QStringLiteral("    Einspielen"),
                          QStringLiteral("  Einstellungen..."),
                          QStringLiteral("&Hilfe"),
                          QStringLiteral("  &Inhalt"),
                          QStringLiteral("  -"),
                          QStringLiteral("  In&fo..."),
                      }));
}

TEST(MainForm, PlacementIsKeptPerFormClassUnderTheCurrentUser)
{
    TestEnvironment env;
    env.writeStandardRegistry();
    {
        TMainForm form;
        form.showNormal();
        form.setGeometry(40, 50, 900, 640);
        QApplication::processEvents();
        EXPECT_TRUE(form.close());
    }
    const QString key =
        QStringLiteral("[HKEY_CURRENT_USER\\Software\\") + AppPaths::programBaseName() + QStringLiteral("\\TMainForm]");
    EXPECT_TRUE(env.readRegistry().contains(key)) << env.readRegistry().toStdString();

    TMainForm again;
    EXPECT_FALSE(again.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(again.size(), QSize(900, 640));
}

TEST(MainForm, StartsMaximisedWithoutASavedPlacement)
{
    TestEnvironment env;
    env.writeStandardRegistry();
    TMainForm form;
    EXPECT_TRUE(form.windowState() & Qt::WindowMaximized);
}

} // namespace
