#pragma once

#include "mail/SendResult.h"

#include <QString>

// How a send run reaches its status window. Called only from the run's thread, in order; an
// implementation must not block on the main thread.
class ISendRunReporter {
public:
    virtual ~ISendRunReporter() = default;

    virtual void initProgress(int maximum) = 0;
    virtual void showStatus(const QString& text) = 0;
    virtual void stepProgress() = 0;
    // The user asked the run to stop; false when the run has no window.
    virtual bool cancelRequested() = 0;
    // The final result; detail is the system's reason when the run's log could not be written,
    // else empty.
    virtual void reportResult(SendResult result, const QString& detail) = 0;
};
