#pragma once

#include "core/SendSlotSource.h"

// A send slot taken for a run that has not started yet. Unless the run is handed the slot
// (started), the slot goes back to its source when the lease ends, so a failure between
// taking a slot and starting the run never leaves one taken. Main thread only.
class SendSlotLease {
public:
    SendSlotLease(ISendSlotSource& source, PSendSlot slot) : m_source(source), m_slot(slot) {}
    ~SendSlotLease()
    {
        if (m_slot)
            m_source.ReleaseSendSlot(m_slot);
    }
    SendSlotLease(const SendSlotLease&) = delete;
    SendSlotLease& operator=(const SendSlotLease&) = delete;

    PSendSlot slot() const { return m_slot; }
    // Tells the source that run now holds the slot; the lease lets go of it. Call right
    // before run->start().
    void handTo(QThread* run)
    {
        m_source.SendRunStarted(m_slot, run);
        m_slot = nullptr;
    }

private:
    ISendSlotSource& m_source;
    PSendSlot m_slot;
};
