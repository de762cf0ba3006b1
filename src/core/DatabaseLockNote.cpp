#include "core/DatabaseLockNote.h"

#include "platform/DbFileCheck.h"
#include "platform/DbSchema.h"
#include "platform/FileHolders.h"

#include <QDir>

QString DatabaseLockFinding(const QString& folder, const DbSchema& schema)
{
    for (const DbTableDef& table : schema.tables) {
        const QString path = QDir(folder).filePath(table.tableFileName());
        if (!TableFileLocked(path) && !TableFileWriteLocked(path))
            continue;
        const QStringList holders = ProcessesHolding(path);
        return QStringLiteral("Die Datei \"") + table.tableFileName() +
               QStringLiteral("\" der Datenbank im Verzeichnis \"") + folder +
               QStringLiteral("\" wird von einem anderen Programm gesperrt") +
               (holders.isEmpty() ? QString()
                                  : QStringLiteral(" (Prozess ") + holders.join(QStringLiteral(", ")) + u')') +
               u'.';
    }
    return QString();
}

namespace {

QString withRequest(const QString& finding, const char* request)
{
    if (finding.isEmpty())
        return finding;
    return finding + QStringLiteral(" Bitte beenden Sie das andere Programm und ") + QString::fromUtf8(request);
}

} // namespace

QString DatabaseLockNote(const QString& folder, const DbSchema& schema)
{
    return withRequest(DatabaseLockFinding(folder, schema), "starten Sie kubNEWSLETTER danach erneut.");
}

QString DatabaseLockRetryNote(const QString& folder, const DbSchema& schema)
{
    return withRequest(DatabaseLockFinding(folder, schema), "versuchen Sie es danach erneut.");
}
