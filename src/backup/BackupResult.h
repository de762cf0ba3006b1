#pragma once

#include <QString>
#include <QStringList>

// How a backup or a restore ended. Each kind has one box (BackupResultBox); the details fill
// its text in the order the kind names them.
enum class BackupOutcome {
    BackedUp,
    Restored,
    Cancelled,         // no box
    Busy,              // another long operation runs
    Overlap,           // database folder, work folder
    TmpNotMade,        // what is left in it and why, when known
    ZipEngineError,    // code, message
    ArchiveDamaged,    // message
    DiskFull,          // message
    FileNotCopied,     // file name
    CopyFailed,        // message
    CopyNotConnected,  // message
    PackFailed,        // message
    TargetUnusable,    //
    TargetSizeUnknown, //
    MediumTooSmall,    //
    VolumeWriteFailed, // message
    ArchiveNotFound,   //
    NotDisconnected,   //
    NotReplaceable,    // database folder
    ForeignFiles,      // database folder, the foreign names joined
    OtherFileSystem,   // database folder, work folder
    OldFolderNotKept,  // ADS_OLD
    NoRoom,            //
    JoinFailed,        // message
    FolderNotMoved,    // ADS_OLD
    FolderNotMade,     // database folder
    FileNotRestored,   // file name
    NotSynced,         //
    InvalidDatabase,   // message
    RecordNotWritten,  // the restore's record file
    DatabaseLocked,    // who holds the database (DatabaseLockRetryNote)
};

struct BackupResult {
    BackupOutcome outcome = BackupOutcome::Cancelled;
    QStringList details;
    // A failed restore could not put the previous database folder back.
    bool previousNotRestored = false;

    bool succeeded() const { return outcome == BackupOutcome::BackedUp || outcome == BackupOutcome::Restored; }
};

// The result of a message of the ZIP engine: its own German box for a cancel, a damaged archive
// or one that is no ZIP archive, a missing member and a full disk, else the engine's code and
// text.
BackupResult ZipEngineResult(int code, const QString& message);

enum class BackupBoxIcon { None, Information, Warning, Error };

struct BackupBox {
    BackupBoxIcon icon = BackupBoxIcon::None; // None: no box
    QString text;
};

// The one table from a result to the box that tells the user.
BackupBox BackupResultBox(const BackupResult& result);

// The box after a failed restore whose previous database folder could not be put back.
QString PreviousNotRestoredText();
