#include "mail/SendResult.h"

#include <QStringView>

#include <array>

namespace {

// Each text beside the code it is for; the asserts below fail the build when the rows and the
// enum disagree, so a code inserted in the middle cannot shift the texts after it.
template <typename Code> struct CodeText {
    Code code;
    QStringView text;
};

template <typename Code, size_t N> constexpr bool eachRowAtItsCode(const std::array<CodeText<Code>, N>& rows)
{
    for (size_t i = 0; i < rows.size(); ++i)
        if (static_cast<size_t>(rows[i].code) != i)
            return false;
    return true;
}

constexpr std::array<CodeText<SendResult>, kSendResultCount> kResultTexts{{
    {SendResult::Done, u"Übertragung abgeschlossen."},
    {SendResult::CancelSeen, u"Übertragung abgebrochen."},
    {SendResult::NoConnection, u"keine Verbindung zum Mailserver"},
    {SendResult::LoginRefused, u"falscher Name / falsches Passwort"},
    {SendResult::BuildFailed, u"Eine oder mehrere Mails konnten\r\nnicht erstellt werden."},
    {SendResult::SendFailed, u"Eine oder mehrere Mails konnten\r\nnicht versendet werden."},
    {SendResult::DisconnectFailed, u"Verbindung fehlerhaft beendet."},
    {SendResult::UserCancelled, u"Abbruch durch Benutzer"},
    {SendResult::LogNotCreated, u"Sendeprotokoll konnte nicht angelegt werden."},
    {SendResult::LogIncomplete, u"Sendeprotokoll konnte nicht\r\nvollständig geschrieben werden."},
}};
static_assert(eachRowAtItsCode(kResultTexts));
static_assert(static_cast<int>(SendResult::LogIncomplete) + 1 == kSendResultCount);

constexpr std::array<CodeText<SmtpFault>, kSmtpFaultCount> kFaultTexts{{
    {SmtpFault::None, u""},
    {SmtpFault::ReplyOutOfTurn,
     u"Der Mailserver hat außer der Reihe geantwortet: \"%1\". Die Verbindung wurde beendet."},
    {SmtpFault::ServerClosing, u""},
    {SmtpFault::MailTooLarge, u"Die Nachricht ist %1 Bytes groß, der Mailserver nimmt höchstens %2 Bytes an."},
    {SmtpFault::QuitNot221, u"Der Mailserver hat das Abmelden mit \"%1\" statt mit 221 beantwortet."},
    {SmtpFault::StartTlsNotOffered, u"Der Mailserver \"%1\" bietet keine Verschlüsselung (STARTTLS) an. Ohne sie "
                                    u"werden weder Passwort noch Mails gesendet."},
    {SmtpFault::StartTlsRefused,
     u"Der Mailserver hat die Verschlüsselung (STARTTLS) abgelehnt: \"%1\". Ohne sie wird nichts gesendet."},
    {SmtpFault::TlsFailed, u"Die verschlüsselte Verbindung zum Mailserver \"%1\" kam nicht zustande (%2)."},
    {SmtpFault::CertificateExpired, u"Das Zertifikat des Mailservers \"%1\" ist am %2 abgelaufen. Der Betreiber "
                                    u"des Mailservers muss es erneuern."},
    {SmtpFault::CertificateNotYet, u"Das Zertifikat des Mailservers \"%1\" gilt erst ab dem %2. Bitte prüfen Sie "
                                   u"Datum und Uhrzeit dieses Rechners."},
    {SmtpFault::CertificateWrongHost,
     u"Das Zertifikat des Mailservers ist für \"%2\" ausgestellt, nicht für \"%1\". Bitte tragen Sie in den "
     u"Absenderdaten den Servernamen ein, auf den das Zertifikat lautet."},
    {SmtpFault::CertificateUntrusted, u"Das Zertifikat des Mailservers \"%1\" ist nicht vertrauenswürdig: Es ist "
                                      u"selbst ausgestellt oder stammt von einer unbekannten Zertifizierungsstelle."},
    {SmtpFault::CertificateRevoked, u"Das Zertifikat des Mailservers \"%1\" wurde widerrufen."},
}};
static_assert(eachRowAtItsCode(kFaultTexts));
static_assert(static_cast<int>(SmtpFault::CertificateRevoked) + 1 == kSmtpFaultCount);

} // namespace

QString SendResultText(SendResult result)
{
    const auto index = static_cast<size_t>(result);
    if (index >= kResultTexts.size())
        return kResultTexts[static_cast<size_t>(SendResult::DisconnectFailed)].text.toString();
    return kResultTexts[index].text.toString();
}

QString SmtpFaultText(SmtpFault fault, const QStringList& values)
{
    const QString text = kFaultTexts[static_cast<size_t>(fault)].text.toString();
    // In one pass, so a "%2" inside a server's reply line stays as it is.
    switch (values.size()) {
    case 0:
        return text;
    case 1:
        return text.arg(values[0]);
    default:
        return text.arg(values[0], values[1]);
    }
}
