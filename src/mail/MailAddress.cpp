#include "mail/MailAddress.h"

#include <QUrl>

#include <algorithm>
#include <array>

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

bool isControlOrBlank(char16_t u)
{
    return u < 0x21 || u == 0x7f;
}

MailAddressCheck checkAddress(const QString& address)
{
    const QString trimmed = address.trimmed();
    if (trimmed.isEmpty())
        return refused(trimmed, "empty");
    // RFC 5890: a domain name with letters beyond ASCII ("bäckerei-müller.de") goes on the wire
    // in its ASCII form ("xn--..."); everything below is checked on that form.
    QString wire = trimmed;
    const qsizetype lastAt = trimmed.lastIndexOf(u'@');
    const QStringView domain = QStringView(trimmed).sliced(lastAt + 1);
    const bool asciiDomain = std::all_of(domain.begin(), domain.end(), [](QChar c) { return c.unicode() < 0x80; });
    const bool plainDomain =
        std::none_of(domain.begin(), domain.end(), [](QChar c) { return isControlOrBlank(c.unicode()); });
    if (lastAt >= 0 && !asciiDomain && plainDomain) {
        const QByteArray ace = QUrl::toAce(domain.toString());
        if (ace.isEmpty())
            return refused(trimmed, "domain is no valid internationalised domain name");
        wire = trimmed.first(lastAt + 1) + QString::fromLatin1(ace);
    }
    for (const QChar c : wire) {
        const char16_t u = c.unicode();
        if (u < 0x21 || u > 0x7e)
            return refused(trimmed, u == u' ' ? "contains a blank" : "not printable ASCII");
        if (u == u'<' || u == u'>' || u == u',')
            return refused(trimmed, "contains \"<\", \">\" or \",\"");
    }
    const qsizetype at = wire.indexOf(u'@');
    if (at < 0 || wire.indexOf(u'@', at + 1) >= 0)
        return refused(trimmed, "needs exactly one \"@\"");
    if (at == 0 || at == wire.size() - 1)
        return refused(trimmed, "needs text on both sides of \"@\"");
    // RFC 5321 4.5.3.1: the path with its angle brackets holds at most 256 octets.
    if (at > 64)
        return refused(trimmed, "local part longer than 64 characters");
    if (wire.size() - at - 1 > 255)
        return refused(trimmed, "domain longer than 255 characters");
    if (wire.size() + 2 > 256)
        return refused(trimmed, "longer than 254 characters");
    return {wire.toLatin1(), {}};
}

} // namespace

MailAddressCheck CheckMailAddress(const QString& address)
{
    // A send run checks its sender for every mail and each recipient more than once: the two
    // addresses this thread checked last are answered from memory, the one used longer ago
    // makes room for a new one.
    struct Checked {
        QString address;
        MailAddressCheck result;
    };
    thread_local std::array<Checked, 2> recent;
    thread_local size_t latest = 0;
    for (size_t i = 0; i < recent.size(); ++i) {
        if (!recent[i].address.isNull() && recent[i].address == address) {
            latest = i;
            return recent[i].result;
        }
    }
    latest = 1 - latest;
    recent[latest] = {address, checkAddress(address)};
    return recent[latest].result;
}
