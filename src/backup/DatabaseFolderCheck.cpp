#include "backup/DatabaseFolderCheck.h"

#include "core/Records.h"
#include "platform/DbFileCheck.h"
#include "platform/DbSchema.h"
#include "platform/FileHolders.h"

#include <QDir>
#include <QFileInfo>

TFolderVerdict DatabaseFilesPresent(const QString& folder, const DbSchema& schema)
{
    using State = TFolderVerdict::State;
    if (!QFileInfo(folder).isDir())
        return {State::Missing, {}, {}, false};
    for (const QString& name : TDBFiles().Items) {
        const QFileInfo file(QDir(folder).filePath(name));
        if (!file.isFile())
            return {State::Incomplete, name, {}, false};
    }
    for (const DbTableDef& table : schema.tables) {
        if (QFileInfo(QDir(folder).filePath(table.tableFileName())).size() == 0)
            return {State::Incomplete, table.tableFileName(), {}, false};
    }
    return {};
}

TFolderVerdict ExamineDatabaseFolder(const QString& folder, const DbSchema& schema)
{
    using State = TFolderVerdict::State;
    TFolderVerdict verdict = DatabaseFilesPresent(folder, schema);
    if (verdict.state != State::Intact)
        return verdict;
    for (const DbTableDef& table : schema.tables) {
        const QString path = QDir(folder).filePath(table.tableFileName());
        const DbFileVerdict file = CheckTableFile(path);
        if (file.state == DbFileState::Intact)
            continue;
        // A journal the connect rolls back is no fault of the database, but what lies beneath it
        // is not known until it is rolled back.
        if (file.state == DbFileState::RollbackPending) {
            verdict.state = State::Pending;
            verdict.file = table.tableFileName();
            return verdict;
        }
        verdict.state = file.state == DbFileState::Damaged ? State::Damaged : State::Unreadable;
        verdict.file = table.tableFileName();
        verdict.locked = IsLockCode(file.code);
        verdict.message = verdict.locked ? ProcessesHolding(path).join(QStringLiteral(", ")) : file.message;
        return verdict;
    }
    return verdict;
}
