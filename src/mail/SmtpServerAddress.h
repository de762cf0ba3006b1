#pragma once

#include "mail/SmtpSession.h"

#include <QString>

// Where a sender's mail server is reached, from the sender's Host value: "smtp.example.org"
// (port 25, as always), "smtp.example.org:587" (submission, RFC 8314: STARTTLS required),
// "smtp.example.org:465" (TLS from the first byte), "[2001:db8::1]:587" for an IPv6 address with a port,
// "[2001:db8::1]" without. A ":" with nothing after it names no port. A value whose part after the last ":" is no port
// number 1-65535 is kept whole as the host, so the connection step reports it.
struct SmtpServerAddress {
    QString host;
    quint16 port = 25;
    SmtpTls tls = SmtpTls::WhenOffered;
};

SmtpServerAddress ParseSmtpServer(const QString& value);
