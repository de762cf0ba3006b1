#include "SendRunFakes.h"

#include <QRegularExpression>

SmtpResult FakeTransport::connectToHost(const QString&, quint16, SmtpTls)
{
    const SmtpResult result = answer(QStringLiteral("connect"));
    m_connected = result.ok();
    return result;
}

SmtpResult FakeTransport::login(const QString&, const QString&)
{
    return answer(QStringLiteral("login"));
}

SmtpResult FakeTransport::send(const TMailMessage& mail, const NextMail& next)
{
    const QString call = QStringLiteral("send ") + mail.Recipient;
    const TMailMessage* following = pipelines ? next() : nullptr;
    const QString followingAddress = following ? following->Recipient : QString();
    const SmtpResult result = answer(call);
    if (following)
        calls.append(QStringLiteral("next ") + followingAddress);
    return result;
}

SmtpResult FakeTransport::disconnect()
{
    const SmtpResult result = answer(QStringLiteral("disconnect"));
    m_connected = false;
    return result;
}

SmtpResult FakeTransport::answer(const QString& call)
{
    calls.append(call);
    QList<SmtpResult>& planned = script[call];
    const SmtpResult result = planned.isEmpty() ? SmtpResult{} : planned.takeFirst();
    if (result.status == SmtpStatus::Failed || result.status == SmtpStatus::Cancelled)
        m_connected = false;
    return result;
}

SmtpSessionOptions LoopbackSessionOptions()
{
    SmtpSessionOptions options;
    options.timeouts = {10'000, 10'000, 10'000, 10'000, 10'000, 10'000, 10'000};
    options.localHostName = QStringLiteral("client.example.org");
    options.transcriptPath.clear();
    return options;
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
    m_mail.Body = bodyFor.value(m_mail.Recipient, mail.Body);
    ++m_next;
    return true;
}

QStringList LoggedAsSent(const QByteArray& log)
{
    static const QRegularExpression line(
        QStringLiteral("^  Versenden der Nachricht an \"(.*)\" \\.\\.\\. fertig\\.\r$"),
        QRegularExpression::MultilineOption);
    QStringList addresses;
    for (const QRegularExpressionMatch& match : line.globalMatch(QString::fromLatin1(log)))
        addresses.append(match.captured(1));
    return addresses;
}
