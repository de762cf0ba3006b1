#pragma once

#include "FakeBackupProgress.h"
#include "FakeBackupQuestions.h"
#include "backup/RestoreRun.h"
#include "core/DatabaseSchema.h"

#include <QDateTime>

// A restore of the archive into the database folder, confirmed and without a window, with the
// given file operations, clock and look at the free space (each empty one the real thing).
inline BackupResult RestoreWithoutWindow(const QString& databaseFolder, const QString& archive,
                                         const TRestoreFileOps& files = {}, const std::function<QDateTime()>& now = {},
                                         const std::function<qint64(const QString&)>& freeSpace = {})
{
    FakeBackupProgress progress;
    FakeQuestions questions;
    questions.archive = archive;
    TRestoreRunSeams seams;
    seams.disconnect = [] { return true; };
    seams.files = files;
    seams.now = now;
    seams.freeSpace = freeSpace;
    return TRestoreRun(databaseFolder, newsDatabaseSchema(), progress, questions, seams).execute();
}
