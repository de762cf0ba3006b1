#include "mail/SmtpServerAddress.h"

namespace {

constexpr quint16 kSubmissionPort = 587;
constexpr quint16 kImplicitTlsPort = 465;

} // namespace

SmtpServerAddress ParseSmtpServer(const QString& value)
{
    const QString text = value.trimmed();
    SmtpServerAddress address{text};
    // A bracketed address without a port is all host.
    const bool bracketedHost = text.startsWith(u'[') && text.endsWith(u']');
    const qsizetype colon = bracketedHost ? text.size() : text.lastIndexOf(u':');
    if (colon < 0)
        return address;
    QString host = text.left(colon);
    if (host.startsWith(u'[') && host.endsWith(u']'))
        host = host.mid(1, host.size() - 2);
    else if (host.contains(u':'))
        return address; // a bare IPv6 address
    // Nothing after the ":" names no port: the usual one.
    const QString portText = text.mid(colon + 1);
    bool isNumber = portText.isEmpty();
    const uint port = isNumber ? address.port : portText.toUInt(&isNumber);
    if (!isNumber || port == 0 || port > 65535 || host.isEmpty())
        return address;
    address.host = host;
    address.port = quint16(port);
    if (address.port == kImplicitTlsPort)
        address.tls = SmtpTls::Implicit;
    else if (address.port == kSubmissionPort)
        address.tls = SmtpTls::Required;
    return address;
}
