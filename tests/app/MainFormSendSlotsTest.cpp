#include "app/Main.h"
#include "core/SendSlotTable.h"
#include "desktop/MessageBoxes.h"
#include "mailing/UserSpass.h"
#include "platform/WindowMessages.h"
#include "support/HeldThread.h"
#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

const QString kStillActive = QStringLiteral("Es ist noch mindestens ein Sendevorgang aktiv!\r\n"
                                            "Beenden Sie zuerst den noch aktiven Sendevorgang.");

// The main window with its status windows wired to it as the program does.
class MainFormSendSlots : public ::testing::Test {
protected:
    MainFormSendSlots()
    {
        env.writeStandardRegistry();
        TUserSP::setMainWindowLinks({[] { WindowMessages::send(WindowMessages::WM_SENDWINDOWCLOSED); },
                                     [] { WindowMessages::send(WindowMessages::WM_LOGSCHANGED); },
                                     {}});
    }
    ~MainFormSendSlots() override { TUserSP::setMainWindowLinks({}); }

    PSendSlot startShownRun()
    {
        SlotStatus status = SlotStatus::NoWindow;
        PSendSlot slot = form.sendSlots()->AcquireSendSlot(status);
        EXPECT_EQ(status, SlotStatus::Taken);
        window(slot)->Mode = 1;
        window(slot)->show();
        return slot;
    }
    static TUserSP* window(PSendSlot slot) { return static_cast<TUserSP*>(slot->Form.data()); }

    TestEnvironment env;
    MessageBoxRecorder boxes;
    TMainForm form;
};

} // namespace

TEST_F(MainFormSendSlots, RefusesToCloseWhileTwoSendsAreShown)
{
    PSendSlot first = startShownRun();
    PSendSlot second = startShownRun();
    EXPECT_FALSE(form.close());
    EXPECT_EQ(boxes.texts(), (QStringList{kStillActive, kStillActive}));

    boxes.clear();
    window(first)->close();
    window(second)->close();
    // The window message started the clean-up timer.
    EXPECT_TRUE(form.sendSlots()->Timer1->isActive());
    EXPECT_TRUE(form.close());
    EXPECT_TRUE(boxes.boxes().isEmpty());
}

TEST_F(MainFormSendSlots, RefusesToCloseWhileARunWithAClosedWindowStillSends)
{
    PSendSlot slot = startShownRun();
    HeldThread run;
    form.sendSlots()->SendRunStarted(slot, &run);
    run.start();
    window(slot)->close();
    EXPECT_FALSE(form.close());
    EXPECT_EQ(boxes.texts(), QStringList{kStillActive});

    run.release.release();
    ASSERT_TRUE(run.wait(30'000));
    QCoreApplication::processEvents();
    boxes.clear();
    EXPECT_TRUE(form.close());
    EXPECT_TRUE(boxes.boxes().isEmpty());
}
