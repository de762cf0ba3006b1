#include "SendRunFakes.h"

SmtpResult FakeTransport::connectToHost(const QString&, quint16)
{
    return answer(QStringLiteral("connect"));
}

SmtpResult FakeTransport::login(const QString&, const QString&)
{
    return answer(QStringLiteral("login"));
}

SmtpResult FakeTransport::send(const TMailMessage& mail)
{
    return answer(QStringLiteral("send ") + mail.Recipient);
}

SmtpResult FakeTransport::disconnect()
{
    return answer(QStringLiteral("disconnect"));
}

SmtpResult FakeTransport::answer(const QString& call)
{
    calls.append(call);
    QList<SmtpResult>& planned = script[call];
    return planned.isEmpty() ? SmtpResult{} : planned.takeFirst();
}

bool FakeSource::prepare()
{
    m_error = prepareError;
    return prepareError.isEmpty();
}

bool FakeSource::buildNext()
{
    if (m_next == failAt) {
        m_error = buildError;
        return false;
    }
    m_mail = mail;
    m_mail.Recipient = m_addresses.value(m_next);
    ++m_next;
    return true;
}
