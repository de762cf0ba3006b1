#pragma once

#include <QPointer>
#include <QWidget>

class QThread;

inline constexpr int MaxSendSlots = 10;

// One of the ten places a send run takes: its status window and, while in use, itself.
struct TSendSlot {
    QPointer<QWidget> Form;   // the slot's status window, owned by the slot table
    TSendSlot* Ref = nullptr; // the slot itself while in use, else null
    bool Running = false;     // a send thread still works for this slot
    QString LogFile;          // the send log the slot's run writes; empty for none
};
using PSendSlot = TSendSlot*;

// What came of asking for a send slot.
enum class SlotStatus {
    Taken,    // a slot was taken and its window created (not shown)
    AllInUse, // every slot is in use; a warning has been shown
    NoWindow, // the window could not be created; an error box has been shown
};

// What the send workflow needs of the main window's send slots. Main thread only.
//
// The workflow takes a slot, sets up and shows its window, and hands the slot's window to the
// run. A slot stays in use until its window has been closed and its run has ended, so no later
// run can take a slot that an earlier run still reports through.
class ISendSlotSource {
public:
    virtual ~ISendSlotSource() = default;

    // Null unless the status is Taken.
    virtual PSendSlot AcquireSendSlot(SlotStatus& status) = 0;
    // Call right before run->start(): the slot is kept until run has finished.
    virtual void SendRunStarted(PSendSlot slot, QThread* run) = 0;
    // Hands back a slot whose run was never started; its window is freed.
    virtual void ReleaseSendSlot(PSendSlot slot) = 0;
};
