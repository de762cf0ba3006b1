#include "backup/DatabaseRecovery.h"

#include "backup/WorkFolderOverlap.h"
#include "core/Records.h"
#include "platform/AppPaths.h"
#include "platform/DbConnection.h"

#include <QDir>
#include <QFileInfo>

bool DatabaseFolderIntact(const QString& folder, const DbSchema& schema)
{
    if (!QFileInfo(folder).isDir())
        return false;
    for (const QString& name : TDBFiles().Items) {
        if (!QFileInfo(QDir(folder).filePath(name)).isFile())
            return false;
    }
    return DbConnection::checkFolder(folder, schema).ok;
}

TDatabaseRecovery RecoverDatabaseFolder(const QString& databaseFolder, const DbSchema& schema, const QDateTime& now,
                                        TRestoreFileOps files)
{
    files = CompletedFileOps(std::move(files));
    const QString folder = QDir::cleanPath(databaseFolder);
    TDatabaseRecovery recovery{TDatabaseRecovery::Kind::Nothing, folder, AppPaths::oldDatabaseFolder(), {}};
    if (databaseFolder.trimmed().isEmpty() || !QDir::isAbsolutePath(folder) || WorkFolderOverlapping(folder))
        return recovery;
    const QString tmp = AppPaths::tmpFolder();
    if (QFileInfo::exists(tmp))
        files.deleteTree(tmp);
    if (!QFileInfo(recovery.previous).isDir() || DatabaseFolderIntact(folder, schema))
        return recovery;
    if (!DatabaseFolderIntact(recovery.previous, schema)) {
        recovery.kind = TDatabaseRecovery::Kind::PreviousIncomplete;
        return recovery;
    }
    if (QFileInfo::exists(folder)) {
        const QString kept =
            folder + QStringLiteral("_unvollständig_") + now.toString(QStringLiteral("yyyyMMdd_hhmmss"));
        if (!files.rename(folder, kept)) {
            recovery.kind = TDatabaseRecovery::Kind::NotMoved;
            return recovery;
        }
        recovery.keptAside = kept;
    }
    if (!files.rename(recovery.previous, folder)) {
        if (!recovery.keptAside.isEmpty())
            files.rename(recovery.keptAside, folder);
        recovery.keptAside.clear();
        recovery.kind = TDatabaseRecovery::Kind::NotMoved;
        return recovery;
    }
    recovery.kind = TDatabaseRecovery::Kind::Recovered;
    return recovery;
}

QString DatabaseRecoveryText(const TDatabaseRecovery& r)
{
    const QString interrupted =
        QStringLiteral("Das Einspielen einer Datensicherung wurde unterbrochen. Die Datenbank im Verzeichnis \"") +
        r.databaseFolder + QStringLiteral("\" ist nicht vollständig.\r\n\r\n");
    switch (r.kind) {
    case TDatabaseRecovery::Kind::Nothing:
        break;
    case TDatabaseRecovery::Kind::Recovered:
        return interrupted + QStringLiteral("Die vorherige Datenbank aus \"") + r.previous +
               QStringLiteral("\" wurde wieder nach \"") + r.databaseFolder + QStringLiteral("\" verschoben.") +
               (r.keptAside.isEmpty() ? QString()
                                      : QStringLiteral("\r\n\r\nDas unvollständige Datenbankverzeichnis wurde in \"") +
                                            r.keptAside + QStringLiteral("\" umbenannt."));
    case TDatabaseRecovery::Kind::PreviousIncomplete:
        return interrupted + QStringLiteral("Das Verzeichnis \"") + r.previous +
               QStringLiteral("\" aus einem früheren Einspielen enthält ebenfalls keine vollständige Datenbank. "
                              "Beide Verzeichnisse bleiben unverändert.");
    case TDatabaseRecovery::Kind::NotMoved:
        return interrupted + QStringLiteral("Die vorherige Datenbank in \"") + r.previous +
               QStringLiteral("\" konnte nicht zurück verschoben werden. Beide Verzeichnisse bleiben unverändert.");
    }
    return QString();
}
