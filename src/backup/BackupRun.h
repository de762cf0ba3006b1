#pragma once

#include "backup/BackupResult.h"
#include "backup/CopyAndPack.h"

#include <QString>

#include <functional>

class IBackupProgress;
class IBackupQuestions;
class VolumeProvider;

// What the backup run reaches on the machine; every empty member is the real thing.
struct TBackupRunSeams {
    // Classifies the target's volume (not owned; default: the system's mount table).
    VolumeProvider* volumes = nullptr;
    // Free bytes at a folder, -1 when unknown.
    std::function<qint64(const QString& folder)> freeSpace;
    TCopyAndPackSeams copyAndPack;
};

// The backup "Sichern" without a window: copies and packs the database into the work folder's
// "Tmp", makes the archive "BackupNews_<dd.MM.yyyy>.zip" there and copies it to the folder the
// user chooses, as one file on a fixed or network volume and as a split set across media on a
// removable one. A database folder that overlaps a work folder is refused before anything is
// touched; the database folder is only read; "Tmp" is emptied at the start and deleted at the
// end. Holds the busy guard while it runs. Reaches the user only through progress and questions
// (borrowed) and returns how it ended. Main thread only.
class TBackupRun {
public:
    TBackupRun(const TBackupDatabase& db, IBackupProgress& progress, IBackupQuestions& questions,
               TBackupRunSeams seams = {});

    BackupResult execute();

private:
    BackupResult backUp(const QString& tmp);
    BackupResult copyToTarget(const QString& archiveName, const QString& target);

    TBackupDatabase m_db;
    IBackupProgress& m_progress;
    IBackupQuestions& m_questions;
    TBackupRunSeams m_seams;
};
