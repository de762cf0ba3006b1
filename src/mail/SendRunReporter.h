#pragma once

#include "mail/SendResult.h"

#include <QString>
#include <QStringList>

// How a send run ends, as its window shows it.
struct SendRunOutcome {
    SendResult result = SendResult::Done;
    // The reason shown below the result: the system's when the log could not be written, the
    // German one when the connection failed (a certificate, no encryption offered), else empty.
    QString detail{};
    // Only for LogIncomplete: the mails the server accepted, and those among them whose line the
    // log does not hold, so the run can be resumed without sending anything twice.
    int mailsSent = 0;
    QStringList unloggedRecipients{};
    // Only for LogIncomplete: the recipients of the run whose mail the server did not accept.
    int recipientsWithoutMail = 0;
    // The mails whose acceptance is not certain (no reply in turn to their end of data): not
    // counted as sent, not sent again; the user checks them before sending them again.
    QStringList uncertainRecipients{};
};

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
    // Last of all.
    virtual void reportResult(const SendRunOutcome& outcome) = 0;
};
