#pragma once

#include "mail/MailSource.h"
#include "mail/MessageGenerator.h"
#include "mail/RecipientList.h"

#include <memory>

// A send run's mails from its message generator, which the send workflow has filled on the
// main thread, and the recipient list it was given. Owns the generator and the message object
// it fills; used by the run's thread.
class GeneratorMailSource final : public IMailSource {
public:
    GeneratorMailSource(std::unique_ptr<TMessageGenerator> generator, TRecipientList recipients);

    bool prepare() override { return m_generator->Prepare(); }
    bool buildNext() override;
    bool done() const override { return m_generator->Done(); }
    QString errorText() const override { return m_generator->ErrorText(); }
    const TMailMessage& message() const override { return m_message; }
    QStringList remainingRecipients() const override;

private:
    std::unique_ptr<TMessageGenerator> m_generator;
    TRecipientList m_recipients;
    qsizetype m_built = 0;
    TMailMessage m_message;
};
