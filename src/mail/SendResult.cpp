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
