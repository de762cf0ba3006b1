#pragma once

#include "mail/MailMessage.h"

#include <QString>
#include <QStringList>

// Where a send run's mails come from: one personalised mail per recipient, in order. Filled on
// the main thread before the run starts; from then on used only by the run's thread.
class IMailSource {
public:
    virtual ~IMailSource() = default;

    // Once, after connecting: builds what every mail shares. False, with errorText(), when the
    // run cannot go on (for instance a picture that cannot be read).
    virtual bool prepare() = 0;
    // Builds the next recipient's mail into message(). False, with errorText(), when it cannot;
    // message() then keeps what it held.
    virtual bool buildNext() = 0;
    // The last recipient's mail has been built.
    virtual bool done() const = 0;
    virtual QString errorText() const = 0;
    // The mail built last; its Recipient is empty before the first successful buildNext().
    virtual const TMailMessage& message() const = 0;
    // The addresses of the recipients after the mail built last, in order.
    virtual QStringList remainingRecipients() const = 0;
};
