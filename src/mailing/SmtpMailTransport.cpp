#include "mailing/SmtpMailTransport.h"

#include "mailing/MailAddress.h"

#include <QHostInfo>
#include <QLocale>
#include <QUuid>

namespace {

QString systemUniqueId()
{
    QString host;
    for (const QChar c : QHostInfo::localHostName()) {
        if (c.isLetterOrNumber() && c.unicode() < 0x80)
            host += c;
        else if (c == u'.' || c == u'-')
            host += c;
    }
    if (host.isEmpty())
        host = QStringLiteral("localhost");
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() + u'@' + host;
}

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
    return c.toString(time, QStringLiteral("ddd, d MMM yyyy HH:mm:ss ")).toLatin1() +
           (offset < 0 ? '-' : '+') + QByteArray::number(magnitude / 60).rightJustified(2, '0') +
           QByteArray::number(magnitude % 60).rightJustified(2, '0');
}

QByteArray EncodeSubjectText(const QString& text)
{
    QString clean = text;
    bool plain = true;
    for (QChar& ch : clean) {
        if (ch.unicode() < 0x20 || ch.unicode() == 0x7f)
            ch = u' ';
        else if (ch.unicode() > 0x7e)
            plain = false;
    }
    // A plain value that holds "=?" could be taken for an encoded word; encode it too.
    if (plain && !clean.contains(QStringLiteral("=?")))
        return clean.toLatin1();
    // "=?utf-8?B?" + "?=" leave 63 characters: 45 bytes of UTF-8 as Base64 fit in 60.
    constexpr qsizetype kMaxBytes = 45;
    QByteArray result;
    QByteArray word;
    const auto flush = [&] {
        if (word.isEmpty())
            return;
        if (!result.isEmpty())
            result += "\r\n ";
        result += "=?utf-8?B?" + word.toBase64() + "?=";
        word.clear();
    };
    for (qsizetype i = 0; i < clean.size(); ++i) {
        // Never split a character (or a surrogate pair) across two words.
        const qsizetype length = clean[i].isHighSurrogate() && i + 1 < clean.size() ? 2 : 1;
        const QByteArray bytes = clean.mid(i, length).toUtf8();
        if (word.size() + bytes.size() > kMaxBytes)
            flush();
        word += bytes;
        i += length - 1;
    }
    flush();
    return result;
}

SmtpMailTransport::SmtpMailTransport(SmtpSessionOptions options, Seams seams)
    : m_options(std::move(options)), m_seams(std::move(seams))
{
    if (!m_seams.now)
        m_seams.now = [] { return QDateTime::currentDateTime(); };
    if (!m_seams.newUniqueId)
        m_seams.newUniqueId = systemUniqueId;
}

SmtpMailTransport::~SmtpMailTransport() = default;

SmtpSession& SmtpMailTransport::session()
{
    if (!m_session)
        m_session = std::make_unique<SmtpSession>(m_options);
    return *m_session;
}

SmtpResult SmtpMailTransport::connectToHost(const QString& host, quint16 port)
{
    return session().connectToHost(host, port);
}

bool SmtpMailTransport::offersAuthentication() const
{
    return m_session && m_session->offersAuthentication();
}

SmtpResult SmtpMailTransport::login(const QString& user, const QString& password)
{
    return session().login(user, password);
}

SmtpResult SmtpMailTransport::send(const OutgoingMail& mail)
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
    appendLine(header, "Subject: " + EncodeSubjectText(mail.Subject));
    appendLine(header, "Date: " + Rfc5322Date(m_seams.now()));
    appendLine(header, "Message-ID: <" + m_seams.newUniqueId().toLatin1() + '>');
    for (const QByteArray& line : mail.HeaderLines)
        appendLine(header, line);
    header += "\r\n";

    QList<QByteArray> data;
    data.reserve(mail.Body.size() + 1);
    data.append(header);
    data.append(mail.Body);
    return session().sendMail(mail.From, mail.Recipient, data);
}

SmtpResult SmtpMailTransport::disconnect()
{
    return m_session ? m_session->disconnect() : SmtpResult{};
}
