#include "core/DatabaseLockNote.h"

#include "platform/DbFileCheck.h"
#include "platform/DbSchema.h"
#include "platform/FileHolders.h"

#include <QDir>

QString DatabaseLockNote(const QString& folder, const DbSchema& schema)
{
    for (const DbTableDef& table : schema.tables) {
        const QString path = QDir(folder).filePath(table.tableFileName());
        if (!TableFileLocked(path))
            continue;
        const QStringList holders = ProcessesHolding(path);
        return QStringLiteral("Die Datei \"") + table.tableFileName() +
               QStringLiteral("\" der Datenbank im Verzeichnis \"") + folder +
               QStringLiteral("\" wird von einem anderen Programm gesperrt") +
               (holders.isEmpty() ? QString()
                                  : QStringLiteral(" (Prozess ") + holders.join(QStringLiteral(", ")) + u')') +
               QStringLiteral(". Bitte beenden Sie das andere Programm und starten Sie kubNEWSLETTER danach erneut.");
    }
    return QString();
}
