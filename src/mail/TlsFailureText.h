#pragma once

#include "mail/SendResult.h"

#include <QList>
#include <QSslError>
#include <QString>

// Why a TLS handshake with host failed, told in German a user can act on: an expired or not yet
// valid certificate, one issued for another host name, one nobody trusts, a revoked one. Several
// of these are told one after the other; fault is the first. Handshake errors of other kinds,
// or none at all (a broken or timed-out handshake), give TlsFailed with otherReason.
struct TlsFailure {
    SmtpFault fault = SmtpFault::TlsFailed;
    QString text;
};

TlsFailure ExplainTlsFailure(const QList<QSslError>& errors, const QString& host, const QString& otherReason);
