#include "mail/SmtpMailTransport.h"

#include "mail/HeaderEncoding.h"
#include "mail/MailAddress.h"
#include "mail/MailDateClock.h"
#include "mail/SmtpDataStuffer.h"

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

std::optional<SmtpSession::Outgoing> SmtpMailTransport::outgoing(const TMailMessage& mail, SmtpResult& failure)
{
    const MailAddressCheck from = CheckMailAddress(mail.From);
    if (!from.ok()) {
        failure = {SmtpStatus::BadAddress, QStringLiteral("Sender: ") + from.error, {}};
        return std::nullopt;
    }
    const MailAddressCheck to = CheckMailAddress(mail.Recipient);
    if (!to.ok()) {
        failure = {SmtpStatus::BadAddress, QStringLiteral("Recipient: ") + to.error, {}};
        return std::nullopt;
    }
    // The header is made when the data is stuffed: a mail whose data went out with the mail
    // before it (pipelined) is never stuffed again.
    return SmtpSession::Outgoing{
        mail.From, mail.Recipient,
        [this, from = from.address, to = to.address, &mail](SmtpDataStuffer& stuffer, SmtpWire& wire) {
            stuffer.append(header(mail, from, to), wire.tail());
            stuffer.appendBody(mail, wire);
        }};
}

QByteArray SmtpMailTransport::header(const TMailMessage& mail, const QByteArray& from, const QByteArray& to)
{
    QByteArray header;
    appendLine(header, "From: " + from);
    appendLine(header, "To: " + to);
    // A run's mails mostly share their subject: it is encoded again only when it changes.
    if (mail.Subject != m_subject || m_encodedSubject.isNull()) {
        m_subject = mail.Subject;
        m_encodedSubject = EncodeHeaderText(mail.Subject);
    }
    appendLine(header, "Subject: " + m_encodedSubject);
    appendLine(header, "Date: " + date());
    appendLine(header, "Message-ID: <" + m_ids->NewUniqueId().toLatin1() + '>');
    for (const QByteArray& line : mail.HeaderLines)
        appendLine(header, line);
    header += "\r\n";
    return header;
}

const QByteArray& SmtpMailTransport::date()
{
    // The text changes once a second at most: it is formatted again only then.
    const QDateTime now = m_now();
    const qint64 second = now.toSecsSinceEpoch();
    const int offset = now.offsetFromUtc();
    if (m_date.isNull() || second != m_dateSecond || offset != m_dateOffset) {
        m_date = Rfc5322Date(now);
        m_dateSecond = second;
        m_dateOffset = offset;
    }
    return m_date;
}

SmtpResult SmtpMailTransport::send(const TMailMessage& mail, const NextMail& next)
{
    SmtpResult failure;
    const std::optional<SmtpSession::Outgoing> first = outgoing(mail, failure);
    if (!first)
        return failure;
    const SmtpSession::NextMail following = [this, &next]() -> std::optional<SmtpSession::Outgoing> {
        const TMailMessage* mail = next ? next() : nullptr;
        SmtpResult ignored;
        // A mail whose address fails goes on its own, to get its own refusal.
        return mail ? outgoing(*mail, ignored) : std::nullopt;
    };
    return session().sendMail(*first, following);
}

SmtpResult SmtpMailTransport::disconnect()
{
    return m_session ? m_session->disconnect() : SmtpResult{};
}
