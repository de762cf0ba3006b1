#include "mail/MailAddress.h"

namespace {

MailAddressCheck refused(const QString& address, const char* why)
{
    // Control characters are shown escaped so the message itself stays one clean line.
    QString shown;
    for (const QChar c : address)
        shown += (c.unicode() < 0x20 || c.unicode() == 0x7f)
                     ? QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'))
                     : QString(c);
    return {{}, QStringLiteral("Invalid address \"") + shown + QStringLiteral("\": ") + QString::fromLatin1(why)};
}

} // namespace

MailAddressCheck CheckMailAddress(const QString& address)
{
    const QString trimmed = address.trimmed();
    if (trimmed.isEmpty())
        return refused(trimmed, "empty");
    for (const QChar c : trimmed) {
        const char16_t u = c.unicode();
        if (u < 0x21 || u > 0x7e)
            return refused(trimmed, u == u' ' ? "contains a blank" : "not printable ASCII");
        if (u == u'<' || u == u'>' || u == u',')
            return refused(trimmed, "contains \"<\", \">\" or \",\"");
    }
    const qsizetype at = trimmed.indexOf(u'@');
    if (at < 0 || trimmed.indexOf(u'@', at + 1) >= 0)
        return refused(trimmed, "needs exactly one \"@\"");
    if (at == 0 || at == trimmed.size() - 1)
        return refused(trimmed, "needs text on both sides of \"@\"");
    // RFC 5321 4.5.3.1: the path with its angle brackets holds at most 256 octets.
    if (at > 64)
        return refused(trimmed, "local part longer than 64 characters");
    if (trimmed.size() - at - 1 > 255)
        return refused(trimmed, "domain longer than 255 characters");
    if (trimmed.size() + 2 > 256)
        return refused(trimmed, "longer than 254 characters");
    return {trimmed.toLatin1(), {}};
}
