#include "backup/BackupResult.h"

#include "platform/BusyGuard.h"
#include "platform/ZipEngine.h"

namespace {

QString detail(const BackupResult& result, qsizetype i)
{
    return result.details.value(i);
}

} // namespace

BackupResult ZipEngineResult(int code, const QString& message)
{
    if (TZipEngine::isDamage(code))
        return {BackupOutcome::ArchiveDamaged, {message}};
    switch (code) {
    case TZipEngine::kCancelledCode:
        return {BackupOutcome::Cancelled, {}};
    case TZipEngine::kDamagedCode:
        return {BackupOutcome::ArchiveDamaged, {message}};
    case TZipEngine::kDuplicateNameCode:
        return {BackupOutcome::ArchiveDamaged, {message + QStringLiteral(": Ein Dateiname kommt darin zweimal vor.")}};
    case TZipEngine::kMemberMissingCode:
        return {BackupOutcome::InvalidDatabase,
                {QStringLiteral("Die Datei \"") + message + QStringLiteral("\" fehlt darin.")}};
    case TZipEngine::kDiskFullCode:
        return {BackupOutcome::DiskFull, {message}};
    default:
        return {BackupOutcome::ZipEngineError, {QString::number(code), message}};
    }
}

BackupBox BackupResultBox(const BackupResult& r)
{
    using enum BackupBoxIcon;
    const QString databaseFolder = QStringLiteral("Das Datenbankverzeichnis \"") + detail(r, 0);
    switch (r.outcome) {
    case BackupOutcome::BackedUp:
        return {Information, QStringLiteral("Sicherung wurde erfolgreich abgeschlossen.")};
    case BackupOutcome::Restored:
        return {Information, QStringLiteral("Einspielen der Datensicherung erfolgreich abgeschlossen!")};
    case BackupOutcome::Cancelled:
        return {None, {}};
    case BackupOutcome::Busy:
        return {Warning, BusyGuard::refusalText()};
    case BackupOutcome::Overlap:
        return {Error, databaseFolder + QStringLiteral("\" überschneidet sich mit dem Arbeitsverzeichnis \"") +
                           detail(r, 1) +
                           QStringLiteral("\" des Programms.\r\n\r\nDatensicherung und Einspielen sind so nicht "
                                          "möglich. Bitte wählen Sie in den Einstellungen ein anderes "
                                          "Datenbankverzeichnis.")};
    case BackupOutcome::TmpNotMade:
        return {Error, QStringLiteral("Es konnte kein temporäres Verzeichnis angelegt werden!") +
                           (detail(r, 0).isEmpty() ? QString() : QStringLiteral("\r\n\r\n") + detail(r, 0))};
    case BackupOutcome::ZipEngineError:
        return {Warning, QStringLiteral("Fehlercode: ") + detail(r, 0) + QStringLiteral("  ") + detail(r, 1)};
    case BackupOutcome::ArchiveDamaged:
        return {Error, QStringLiteral("Die Datensicherung ist beschädigt und kann nicht eingespielt werden.\r\n\r\n") +
                           detail(r, 0)};
    case BackupOutcome::DiskFull:
        return {Error, QStringLiteral("Auf dem Datenträger ist nicht genug Platz für die Dateien der "
                                      "Datensicherung.\r\n\r\nBitte schaffen Sie Platz und versuchen Sie es "
                                      "erneut.\r\n\r\n") +
                           detail(r, 0)};
    case BackupOutcome::FileNotCopied:
        return {Error, QStringLiteral("Das Datenbankfile \"") + detail(r, 0) +
                           QStringLiteral("\" konnte nicht kopiert werden!")};
    case BackupOutcome::CopyFailed:
        return {Error, QStringLiteral("#141 ") + detail(r, 0)};
    case BackupOutcome::CopyNotConnected:
        return {Error, QStringLiteral("#164 ") + detail(r, 0)};
    case BackupOutcome::PackFailed:
        return {Error, QStringLiteral("Zugriff auf Datenbank konnte nicht korrekt durchgeführt werden!\r\n\r\n") +
                           detail(r, 0)};
    case BackupOutcome::TargetUnusable:
        return {Error, QStringLiteral("Auf diesem Laufwerk kann nicht gesichert werden.\r\n\r\n"
                                      "Bitte wählen Sie einen Ordner auf einer Festplatte, einem "
                                      "Wechseldatenträger oder einem Netzlaufwerk.")};
    case BackupOutcome::TargetSizeUnknown:
        return {Error, QStringLiteral("Speicherplatz auf Zieldatenträger konnte nicht ermittelt werden!")};
    case BackupOutcome::MediumTooSmall:
        return {Warning, QStringLiteral("Auf dem Datenträger sind weniger als 128 KB frei.")};
    case BackupOutcome::VolumeWriteFailed:
        return {Error, detail(r, 0)};
    case BackupOutcome::ArchiveNotFound:
        return {Error, QStringLiteral("Ausgewählte Sicherungsdatei konnte nicht gefunden werden!")};
    case BackupOutcome::NotDisconnected:
        return {Error, QStringLiteral("Verbindung zur Datenbank konnte nicht getrennt werden!")};
    case BackupOutcome::NotReplaceable:
        return {Error,
                databaseFolder + QStringLiteral("\" kann nicht ersetzt werden: es liegt direkt unter \"/\", ist der "
                                                "persönliche Ordner oder liegt über ihm, oder es ist eine Verknüpfung."
                                                "\r\n\r\nDie Sicherung kann dort nicht eingespielt werden.")};
    case BackupOutcome::ForeignFiles:
        return {Error, databaseFolder + QStringLiteral("\" enthält Dateien, die nicht zur Datenbank gehören:\r\n\r\n") +
                           detail(r, 1) +
                           QStringLiteral("\r\n\r\nBitte entfernen Sie diese, bevor Sie eine Sicherung einspielen.")};
    case BackupOutcome::OtherFileSystem:
        return {Error, databaseFolder +
                           QStringLiteral("\" liegt auf einem anderen Dateisystem als das Arbeitsverzeichnis \"") +
                           detail(r, 1) +
                           QStringLiteral("\".\r\n\r\nDie Sicherung kann dort nicht eingespielt werden.")};
    case BackupOutcome::OldFolderNotKept:
        return {Error, QStringLiteral("Das Verzeichnis \"") + detail(r, 0) +
                           QStringLiteral("\" aus einem früheren Einspielen konnte nicht umbenannt werden!")};
    case BackupOutcome::NoRoom:
        return {Error, QStringLiteral("Zu wenig Speicherplatz zum Einspielen der Sicherungsdatei!")};
    case BackupOutcome::JoinFailed:
        return {Error, QStringLiteral("Fehler beim Dekomprimieren der Sicherungsdatei!\r\n\r\n") + detail(r, 0)};
    case BackupOutcome::FolderNotMoved:
        return {Error, QStringLiteral("Das Datenbankverzeichnis konnte nicht nach \"") + detail(r, 0) +
                           QStringLiteral("\" verschoben werden!")};
    case BackupOutcome::FolderNotMade:
        return {Error, databaseFolder + QStringLiteral("\" konnte nicht angelegt werden!")};
    case BackupOutcome::FileNotRestored:
        return {Error, QStringLiteral("Das Datenbankfile \"") + detail(r, 0) +
                           QStringLiteral("\" konnte nicht eingespielt werden!")};
    case BackupOutcome::NotSynced:
        return {Error, QStringLiteral("Die eingespielten Datenbankdateien konnten nicht gespeichert werden!")};
    case BackupOutcome::RecordNotWritten:
        return {Error, QStringLiteral("Der Stand des Einspielens konnte nicht in \"") + detail(r, 0) +
                           QStringLiteral("\" gespeichert werden!")};
    case BackupOutcome::DatabaseLocked:
        return {Error, detail(r, 0) + QStringLiteral("\r\n\r\nDie Datenbank bleibt unverändert.")};
    case BackupOutcome::InvalidDatabase:
        return {Error, QStringLiteral("Die Sicherungsdatei enthält keine gültige Datenbank!\r\n\r\n") + detail(r, 0)};
    }
    return {Error, QString()};
}

QString PreviousNotRestoredText()
{
    return QStringLiteral("Originalzustand konnte nicht wieder hergestellt werden.");
}
