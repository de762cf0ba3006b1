#include "mail/SmtpMailTransport.h"

#include "mail/HeaderEncoding.h"
#include "mail/MailAddress.h"
#include "mail/MailDateClock.h"

#include <QLocale>

namespace {

void appendLine(QByteArray& block, const QByteArray& line)
{
    block += line;
    block += "\r\n";
}

} // namespace

QByteArray Rfc5322Date(const QDateTime& time)
{
    const QLocale c = QLocale::c();
    const int offset = time.offsetFromUtc() / 60;
    const int magnitude = qAbs(offset);
    return c.toString(time, QStringLiteral("ddd, d MMM yyyy HH:mm:ss ")).toLatin1() + (offset < 0 ? '-' : '+') +
           QByteArray::number(magnitude / 60).rightJustified(2, '0') +
           QByteArray::number(magnitude % 60).rightJustified(2, '0');
}

SmtpMailTransport::SmtpMailTransport(SmtpSessionOptions options, std::function<QDateTime()> now,
                                     std::unique_ptr<TUniqueIdSource> ids)
    : m_options(std::move(options)), m_now(std::move(now)), m_ids(std::move(ids))
{
    if (!m_now)
        m_now = [clock = MailDateClock()]() mutable { return clock.now(); };
    if (!m_ids)
        m_ids = std::make_unique<TSystemUniqueIdSource>();
}

SmtpMailTransport::~SmtpMailTransport() = default;

SmtpSession& SmtpMailTransport::session()
{
    if (!m_session) {
        m_session = std::make_unique<SmtpSession>(m_options);
        m_session->setWaitHook(m_stopWaiting);
    }
    return *m_session;
}

void SmtpMailTransport::setWaitHook(std::function<bool()> stopWaiting)
{
    m_stopWaiting = std::move(stopWaiting);
    if (m_session)
        m_session->setWaitHook(m_stopWaiting);
}

SmtpResult SmtpMailTransport::connectToHost(const QString& host, quint16 port, SmtpTls tls)
{
    return session().connectToHost(host, port, tls);
}

bool SmtpMailTransport::isConnected() const
{
    return m_session && m_session->isConnected();
}

bool SmtpMailTransport::offersAuthentication() const
{
    return m_session && m_session->offersAuthentication();
}

QString SmtpMailTransport::tlsProtocol() const
{
    return m_session ? m_session->tlsProtocol() : QString();
}

SmtpResult SmtpMailTransport::login(const QString& user, const QString& password)
{
    return session().login(user, password);
}

SmtpResult SmtpMailTransport::send(const TMailMessage& mail)
{
    // The checked addresses go into the header too, so no CR or LF can reach it through them.
    const MailAddressCheck from = CheckMailAddress(mail.From);
    if (!from.ok())
        return {SmtpStatus::BadAddress, QStringLiteral("Sender: ") + from.error, {}};
    const MailAddressCheck to = CheckMailAddress(mail.Recipient);
    if (!to.ok())
        return {SmtpStatus::BadAddress, QStringLiteral("Recipient: ") + to.error, {}};

    QByteArray header;
    appendLine(header, "From: " + from.address);
    appendLine(header, "To: " + to.address);
    appendLine(header, "Subject: " + EncodeHeaderText(mail.Subject));
    appendLine(header, "Date: " + Rfc5322Date(m_now()));
    appendLine(header, "Message-ID: <" + m_ids->NewUniqueId().toLatin1() + '>');
    for (const QByteArray& line : mail.HeaderLines)
        appendLine(header, line);
    header += "\r\n";

    return session().sendMail(mail.From, mail.Recipient, header, mail);
}

SmtpResult SmtpMailTransport::disconnect()
{
    return m_session ? m_session->disconnect() : SmtpResult{};
}
