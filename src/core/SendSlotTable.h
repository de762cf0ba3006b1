#pragma once

#include "core/SendSlotSource.h"

#include <QObject>

#include <array>
#include <functional>

class QTimer;

// How the slot table makes and reads status windows, which live in a higher layer. create may
// throw; the table owns what it returns.
struct StatusWindowFactory {
    std::function<QWidget*()> create;
    std::function<bool(const QWidget* window)> isClosed;
};

// The main window's ten send slots. A closed status window tells the main window
// (WMSendWindowClosed), which frees it a second later or at the next idle moment. The main
// window may close only while every slot is free. Main thread only; owned by the main window.
class TSendSlotTable final : public QObject, public ISendSlotSource {
    Q_OBJECT
public:
    explicit TSendSlotTable(StatusWindowFactory windows, QObject* parent = nullptr);
    ~TSendSlotTable() override; // frees every window still held

    void ClearSendSlots();
    PSendSlot AcquireSendSlot(SlotStatus& status) override;
    void SendRunStarted(PSendSlot slot, QThread* run) override;
    void ReleaseSendSlot(PSendSlot slot) override;

    // One warning per slot in use, each raising that slot's window; true when none is.
    bool AllSendSlotsFree();
    // Frees the windows that were closed, and the slots whose run has ended as well.
    void ReclaimFinishedSendSlots();
    // Window message 40868: the clean-up follows when Timer1 fires.
    void WMSendWindowClosed();
    // Whether the main window may close now.
    bool FormCloseQuery();

    const TSendSlot& slot(int index) const { return m_slots[size_t(index)]; }
    // Whether a run that is still sending writes this log file.
    bool IsLogOfRunningSend(const QString& logFile) const;
    QTimer* Timer1;

private:
    void Timer1Timer();
    void SendRunEnded(PSendSlot slot);
    void freeWindow(TSendSlot& slot);

    StatusWindowFactory m_windows;
    std::array<TSendSlot, MaxSendSlots> m_slots;
};
