#include "mailing/GeneratorMailSource.h"

GeneratorMailSource::GeneratorMailSource(std::unique_ptr<TMessageGenerator> generator, TRecipientList recipients)
    : m_generator(std::move(generator)), m_recipients(std::move(recipients))
{}

bool GeneratorMailSource::buildNext()
{
    if (!m_generator->BuildNext(m_message))
        return false;
    ++m_built;
    return true;
}

QStringList GeneratorMailSource::remainingRecipients() const
{
    QStringList addresses;
    for (qsizetype i = m_built; i < m_recipients.count(); ++i)
        addresses.append(m_recipients.at(i).Address);
    return addresses;
}
