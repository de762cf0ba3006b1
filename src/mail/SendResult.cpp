#include "mail/SendResult.h"

#include <array>

QString SendResultText(SendResult result)
{
    static const std::array<QString, 10> texts{
        QStringLiteral("Übertragung abgeschlossen."),
        QStringLiteral("Übertragung abgebrochen."),
        QStringLiteral("keine Verbindung zum Mailserver"),
        QStringLiteral("falscher Name / falsches Passwort"),
        QStringLiteral("Eine oder mehrere Mails konnten\r\nnicht erstellt werden."),
        QStringLiteral("Eine oder mehrere Mails konnten\r\nnicht versendet werden."),
        QStringLiteral("Verbindung fehlerhaft beendet."),
        QStringLiteral("Abbruch durch Benutzer"),
        QStringLiteral("Sendeprotokoll konnte nicht angelegt werden."),
        QStringLiteral("Sendeprotokoll konnte nicht\r\nvollständig geschrieben werden."),
    };
    const auto index = static_cast<size_t>(result);
    if (index >= texts.size())
        return texts[static_cast<size_t>(SendResult::DisconnectFailed)];
    return texts[index];
}

QString SmtpFaultText(SmtpFault fault, const QStringList& values)
{
    static const std::array<QString, 13> texts{
        QString(),
        QStringLiteral("Der Mailserver hat außer der Reihe geantwortet: \"%1\". Die Verbindung wurde beendet."),
        QString(),
        QStringLiteral("Die Nachricht ist %1 Bytes groß, der Mailserver nimmt höchstens %2 Bytes an."),
        QStringLiteral("Der Mailserver hat das Abmelden mit \"%1\" statt mit 221 beantwortet."),
        QStringLiteral("Der Mailserver \"%1\" bietet keine Verschlüsselung (STARTTLS) an. Ohne sie werden weder "
                       "Passwort noch Mails gesendet."),
        QStringLiteral("Der Mailserver hat die Verschlüsselung (STARTTLS) abgelehnt: \"%1\". Ohne sie wird nichts "
                       "gesendet."),
        QStringLiteral("Die verschlüsselte Verbindung zum Mailserver \"%1\" kam nicht zustande (%2)."),
        QStringLiteral("Das Zertifikat des Mailservers \"%1\" ist am %2 abgelaufen. Der Betreiber des Mailservers "
                       "muss es erneuern."),
        QStringLiteral("Das Zertifikat des Mailservers \"%1\" gilt erst ab dem %2. Bitte prüfen Sie Datum und "
                       "Uhrzeit dieses Rechners."),
        QStringLiteral("Das Zertifikat des Mailservers ist für \"%2\" ausgestellt, nicht für \"%1\". Bitte tragen "
                       "Sie in den Absenderdaten den Servernamen ein, auf den das Zertifikat lautet."),
        QStringLiteral("Das Zertifikat des Mailservers \"%1\" ist nicht vertrauenswürdig: Es ist selbst "
                       "ausgestellt oder stammt von einer unbekannten Zertifizierungsstelle."),
        QStringLiteral("Das Zertifikat des Mailservers \"%1\" wurde widerrufen."),
    };
    const QString& text = texts[static_cast<size_t>(fault)];
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
