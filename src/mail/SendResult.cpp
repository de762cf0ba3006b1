#include "mail/SendResult.h"

#include <array>

QString SendResultText(int code)
{
    static const std::array<QString, 9> texts{
        QStringLiteral("Übertragung abgeschlossen."),
        QStringLiteral("Übertragung abgebrochen."),
        QStringLiteral("keine Verbindung zum Mailserver"),
        QStringLiteral("falscher Name / falsches Passwort"),
        QStringLiteral("Eine oder mehrere Mails konnten\r\nnicht erstellt werden."),
        QStringLiteral("Eine oder mehrere Mails konnten\r\nnicht versendet werden."),
        QStringLiteral("Verbindung fehlerhaft beendet."),
        QStringLiteral("Abbruch durch Benutzer"),
        QStringLiteral("Sendeprotokoll konnte nicht angelegt werden."),
    };
    if (code < 0 || code >= int(texts.size()))
        return texts[int(SendResult::DisconnectFailed)];
    return texts[size_t(code)];
}
