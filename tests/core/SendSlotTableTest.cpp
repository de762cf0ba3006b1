#include "core/SendSlotTable.h"

#include "desktop/MessageBoxes.h"
#include "support/HeldThread.h"
#include "support/TestWait.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>
#include <stdexcept>

namespace {

// Stands in for the status window, which lives in a higher layer.
class FakeStatusWindow : public QWidget {
public:
    bool closed = false;
};

const QString kAllBusy = QStringLiteral(
    "Es werden bereits 10 Sendevorgänge ausgeführt!\r\n"
    "Ein erneuter Sendevorgang ist erst möglich, wenn ein anderer bereits laufender Vorgang beendet ist.");
const QString kStillActive = QStringLiteral("Es ist noch mindestens ein Sendevorgang aktiv!\r\n"
                                            "Beenden Sie zuerst den noch aktiven Sendevorgang.");

void closeWindow(const TSendSlot* slot)
{
    static_cast<FakeStatusWindow*>(slot->Form.data())->closed = true;
    slot->Form->hide();
}

void processDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class SendSlotTableTest : public ::testing::Test {
protected:
    PSendSlot acquire(SlotStatus& status) { return table.AcquireSendSlot(status); }
    PSendSlot acquire()
    {
        SlotStatus status = SlotStatus::NoWindow;
        PSendSlot slot = table.AcquireSendSlot(status);
        EXPECT_EQ(status, SlotStatus::Taken);
        return slot;
    }
    int slotIndex(PSendSlot slot) const { return slot ? int(slot - &table.slot(0)) : -1; }

    MessageBoxRecorder boxes;
    int created = 0;
    int failOnCreation = -1; // the creation (counted from 0) that throws
    TSendSlotTable table{{[this]() -> QWidget* {
                              if (created++ == failOnCreation)
                                  throw std::runtime_error("Fenster nicht erzeugt");
                              return new FakeStatusWindow;
                          },
                          [](const QWidget* window) { return static_cast<const FakeStatusWindow*>(window)->closed; }}};
};

} // namespace

TEST_F(SendSlotTableTest, TenSlotsThenTheEleventhIsRefusedAndFreedLowSlotsAreReusedFirst)
{
    for (int i = 0; i < MaxSendSlots; ++i) {
        PSendSlot slot = acquire();
        ASSERT_EQ(slotIndex(slot), i);
        EXPECT_EQ(slot->Ref, slot);
        ASSERT_TRUE(slot->Form);
        EXPECT_FALSE(slot->Form->isVisible());
    }
    SlotStatus status = SlotStatus::Taken;
    EXPECT_EQ(acquire(status), nullptr);
    EXPECT_EQ(status, SlotStatus::AllInUse);
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes()[0].text, kAllBusy);
    EXPECT_EQ(boxes.boxes()[0].icon, MsgIcon::Warning);

    const QPointer<QWidget> oldWindow = table.slot(3).Form;
    closeWindow(&table.slot(3));
    closeWindow(&table.slot(1));
    table.ReclaimFinishedSendSlots();
    processDeferredDeletes();
    EXPECT_TRUE(oldWindow.isNull());
    EXPECT_EQ(table.slot(3).Ref, nullptr);
    EXPECT_EQ(slotIndex(acquire()), 1);
    EXPECT_EQ(slotIndex(acquire()), 3);
}

TEST_F(SendSlotTableTest, WindowThatCannotBeCreatedLeavesEverySlotFree)
{
    acquire();
    failOnCreation = 1;
    SlotStatus status = SlotStatus::Taken;
    EXPECT_EQ(acquire(status), nullptr);
    EXPECT_EQ(status, SlotStatus::NoWindow);
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("#172 Fenster nicht erzeugt")});
    EXPECT_EQ(boxes.boxes()[0].icon, MsgIcon::Error);
    for (int i = 1; i < MaxSendSlots; ++i)
        EXPECT_EQ(table.slot(i).Ref, nullptr) << i;
    EXPECT_EQ(slotIndex(acquire()), 1);
}

TEST_F(SendSlotTableTest, ReleasedSlotIsFreeAgain)
{
    PSendSlot slot = acquire();
    const QPointer<QWidget> window = slot->Form;
    table.ReleaseSendSlot(slot);
    processDeferredDeletes();
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(slot->Ref, nullptr);
    EXPECT_TRUE(table.FormCloseQuery());
    EXPECT_TRUE(boxes.boxes().isEmpty());
}

TEST_F(SendSlotTableTest, MainWindowStaysOpenWhileTwoRunsAreShown)
{
    acquire()->Form->show();
    acquire()->Form->show();
    EXPECT_FALSE(table.FormCloseQuery());
    EXPECT_EQ(boxes.texts(), (QStringList{kStillActive, kStillActive}));
    boxes.clear();
    closeWindow(&table.slot(0));
    closeWindow(&table.slot(1));
    EXPECT_TRUE(table.FormCloseQuery());
    EXPECT_TRUE(boxes.boxes().isEmpty());
}

TEST_F(SendSlotTableTest, RunWhoseWindowWasClosedKeepsItsSlotUntilItEnds)
{
    PSendSlot slot = acquire();
    HeldThread run;
    table.SendRunStarted(slot, &run);
    run.start();
    closeWindow(slot);
    table.ReclaimFinishedSendSlots();
    processDeferredDeletes();
    EXPECT_TRUE(slot->Form.isNull());
    EXPECT_EQ(slot->Ref, slot);
    // No later run can take the slot the running one still holds, and the program cannot end.
    EXPECT_EQ(slotIndex(acquire()), 1);
    closeWindow(&table.slot(1));
    EXPECT_FALSE(table.FormCloseQuery());
    EXPECT_EQ(boxes.texts(), QStringList{kStillActive});

    run.release.release();
    ASSERT_TRUE(run.wait(30'000));
    QCoreApplication::processEvents();
    EXPECT_EQ(slot->Ref, nullptr);
    boxes.clear();
    EXPECT_TRUE(table.FormCloseQuery());
    EXPECT_TRUE(boxes.boxes().isEmpty());
}

TEST_F(SendSlotTableTest, ClosedWindowIsFreedWhenTheTimerFires)
{
    PSendSlot slot = acquire();
    const QPointer<QWidget> window = slot->Form;
    closeWindow(slot);
    table.WMSendWindowClosed();
    EXPECT_TRUE(table.Timer1->isActive());
    EXPECT_EQ(table.Timer1->interval(), 1000);
    // Bounded only so that a broken timer cannot hang the test.
    ASSERT_TRUE(waitUntil([slot] { return slot->Ref == nullptr; }, std::chrono::seconds(30)));
    EXPECT_TRUE(window.isNull());
    EXPECT_FALSE(table.Timer1->isActive());
}

TEST_F(SendSlotTableTest, ALogIsInUseOnlyWhileItsRunIsSending)
{
    PSendSlot slot = acquire();
    slot->LogFile = QStringLiteral("/tmp/kub/Log/News_10122026_1.log");
    const QString sameFile = QStringLiteral("/tmp/kub/Log/../Log/News_10122026_1.log");
    EXPECT_FALSE(table.IsLogOfRunningSend(sameFile)) << "no run has started";
    HeldThread run;
    table.SendRunStarted(slot, &run);
    run.start();
    EXPECT_TRUE(table.IsLogOfRunningSend(sameFile));
    EXPECT_FALSE(table.IsLogOfRunningSend(QStringLiteral("/tmp/kub/Log/News_10122026_2.log")));

    run.release.release();
    ASSERT_TRUE(run.wait(30'000));
    QCoreApplication::processEvents();
    EXPECT_FALSE(table.IsLogOfRunningSend(sameFile));
}
