#pragma once

#include "mail/MailSource.h"
#include "mail/MessageGenerator.h"

#include <memory>

// A send run's mails from its message generator, which the send workflow has filled on the
// main thread with the recipients among the rest. Owns the generator and the message object
// it fills; used by the run's thread.
class GeneratorMailSource final : public IMailSource {
public:
    explicit GeneratorMailSource(std::unique_ptr<TMessageGenerator> generator);

    bool prepare() override { return m_generator->Prepare(); }
    bool buildNext() override { return m_generator->BuildNext(m_message); }
    bool done() const override { return m_generator->Done(); }
    QString errorText() const override { return m_generator->ErrorText(); }
    const TMailMessage& message() const override { return m_message; }
    QStringList remainingRecipients() const override { return m_generator->PendingAddresses(); }

private:
    std::unique_ptr<TMessageGenerator> m_generator;
    TMailMessage m_message;
};
