#pragma once

#include "backup/BackupResult.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>

class IBackupProgress;
class IBackupQuestions;
struct DbSchema;
class TZipEngine;
class TZipEvents;

// The file operations of the restore, replaceable to inject failures; each empty member is the
// real operation.
struct TRestoreFileOps {
    std::function<bool(const QString& from, const QString& to)> rename;
    std::function<bool(const QString& folder)> makeFolder;
    std::function<bool(const QString& from, const QString& to)> copy;
    std::function<bool(const QString& folder)> deleteTree;
};

// The real operation for every empty member.
TRestoreFileOps CompletedFileOps(TRestoreFileOps files);

// What the restore run reaches on the machine; every empty member is the real thing.
struct TRestoreRunSeams {
    // Closes every handle on the database files; false when one stays open. Required.
    std::function<bool()> disconnect;
    TRestoreFileOps files;
    // Free bytes at a folder, -1 when unknown.
    std::function<qint64(const QString& folder)> freeSpace;
    std::function<QDateTime()> now;
};

// The restore "Einspielen" without a window: replaces the database folder with the files of a
// backup archive (one file or the last volume of a split set, whose other volumes may lie on
// other media and are asked for). The archive is extracted and checked before the database
// folder is touched, each member first by its leading bytes; the folder is then moved aside to
// "ADS_OLD", made anew with owner rights only, filled, synced and checked on a read-only
// connection, and "ADS_OLD" goes only after that check has passed. Before the move and before
// "ADS_OLD" goes, the restore's record (RestoreRecord) says so, for the start after a kill.
// A database that another program holds under a lock (a reader's or a writer's) is refused
// before the extraction and once more right before the move, with nothing changed. Any
// failure after the move puts the previous folder back. A database folder
// that overlaps a work folder, holds files of others, lies on another file system than the work
// folder, or that DeleteDirectoryTree refuses is refused before anything is touched; an
// "ADS_OLD" from an earlier run is kept under a dated name. Holds the busy guard while it runs.
// Reaches the user only through progress and questions (borrowed) and returns how it ended; the
// caller reconnects. Main thread only.
class TRestoreRun {
public:
    TRestoreRun(const QString& databaseFolder, const DbSchema& schema, IBackupProgress& progress,
                IBackupQuestions& questions, TRestoreRunSeams seams);

    BackupResult execute();

private:
    BackupResult restore(const QString& archive);
    std::optional<BackupResult> preflight();
    // Refuses a database that another program holds under a lock, readers or writers kept out.
    std::optional<BackupResult> lockedByAnother();
    BackupResult extract(TZipEngine& engine, const TZipEvents& events, const QString& archivePath);
    std::optional<BackupResult> joinVolumes(const QString& lastVolume, const QString& partsFolder,
                                            const QString& target);
    std::optional<QString> askForVolume(int part, const QString& name, const QString& folder);
    BackupResult replaceDatabase();
    std::optional<BackupResult> copyIn();
    BackupResult rolledBack(BackupResult failure, bool moved);
    bool fitsOnDisk(qint64 bytes);

    QString m_databaseFolder;
    const DbSchema& m_schema;
    IBackupProgress& m_progress;
    IBackupQuestions& m_questions;
    TRestoreRunSeams m_seams;
};
