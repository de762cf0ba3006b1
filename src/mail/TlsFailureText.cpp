#include "mail/TlsFailureText.h"

#include <QSslCertificate>
#include <QSslCertificateExtension>

namespace {

QString day(const QDateTime& time)
{
    return time.toLocalTime().toString(QStringLiteral("dd.MM.yyyy"));
}

// The names a certificate is issued for: its alternative names, else its common name.
QString issuedFor(const QSslCertificate& certificate)
{
    QStringList names;
    const auto alternatives = certificate.subjectAlternativeNames();
    for (auto it = alternatives.cbegin(); it != alternatives.cend(); ++it) {
        if (!names.contains(it.value()))
            names.append(it.value());
    }
    if (names.isEmpty())
        names = certificate.subjectInfo(QSslCertificate::CommonName);
    return names.join(QStringLiteral(", "));
}

TlsFailure explain(const QSslError& error, const QString& host)
{
    const QSslCertificate certificate = error.certificate();
    switch (error.error()) {
    case QSslError::CertificateExpired:
        return {SmtpFault::CertificateExpired,
                SmtpFaultText(SmtpFault::CertificateExpired, {host, day(certificate.expiryDate())})};
    case QSslError::CertificateNotYetValid:
        return {SmtpFault::CertificateNotYet,
                SmtpFaultText(SmtpFault::CertificateNotYet, {host, day(certificate.effectiveDate())})};
    case QSslError::HostNameMismatch:
        return {SmtpFault::CertificateWrongHost,
                SmtpFaultText(SmtpFault::CertificateWrongHost, {host, issuedFor(certificate)})};
    case QSslError::SelfSignedCertificate:
    case QSslError::SelfSignedCertificateInChain:
    case QSslError::UnableToGetIssuerCertificate:
    case QSslError::UnableToGetLocalIssuerCertificate:
    case QSslError::UnableToVerifyFirstCertificate:
    case QSslError::CertificateUntrusted:
    case QSslError::CertificateRejected:
        return {SmtpFault::CertificateUntrusted, SmtpFaultText(SmtpFault::CertificateUntrusted, {host})};
    case QSslError::CertificateRevoked:
        return {SmtpFault::CertificateRevoked, SmtpFaultText(SmtpFault::CertificateRevoked, {host})};
    default:
        return {SmtpFault::None, {}};
    }
}

} // namespace

TlsFailure ExplainTlsFailure(const QList<QSslError>& errors, const QString& host, const QString& otherReason)
{
    TlsFailure result{SmtpFault::None, {}};
    QStringList texts;
    QStringList others;
    for (const QSslError& error : errors) {
        const TlsFailure one = explain(error, host);
        if (one.fault == SmtpFault::None) {
            others.append(error.errorString());
            continue;
        }
        if (result.fault == SmtpFault::None)
            result.fault = one.fault;
        if (!texts.contains(one.text))
            texts.append(one.text);
    }
    if (texts.isEmpty()) {
        const QString reason = others.isEmpty() ? otherReason : others.join(QStringLiteral("; "));
        return {SmtpFault::TlsFailed, SmtpFaultText(SmtpFault::TlsFailed, {host, reason})};
    }
    result.text = texts.join(u' ');
    return result;
}
