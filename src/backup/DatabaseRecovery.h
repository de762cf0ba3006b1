#pragma once

#include "backup/DatabaseFolderCheck.h"
#include "backup/RestoreRun.h"

#include <QDateTime>
#include <QString>

#include <functional>

struct DbSchema;

// What the start did about the database folder and a leftover "ADS_OLD".
struct TDatabaseRecovery {
    enum class Kind {
        Nothing,            // nothing to do, or nothing to tell
        Recovered,          // "ADS_OLD" is the database folder again
        PreviousIncomplete, // the database folder is unusable and "ADS_OLD" holds no intact database either
        NotMoved,           // a rename failed: nothing moved
        OldKept,            // a restore completed but did not remove "ADS_OLD": kept under a dated name
        OldNotKept,         // the same, but "ADS_OLD" could not be renamed
        OldLeft,            // an "ADS_OLD" from elsewhere lies beside an intact database
        Unreadable,         // the database could not be checked (a lock, an I/O error): nothing moved
        IncompleteSetAside, // a restore into a folder that was not there was interrupted: the folder kept aside
        IncompleteNotMoved, // the same, but the folder could not be renamed
    };
    Kind kind = Kind::Nothing;
    QString databaseFolder;
    QString previous;  // "ADS_OLD"
    QString keptAside; // where the incomplete folder, or with OldKept "ADS_OLD", went
    // A restore's record says it was interrupted; without one, what the start found.
    bool interrupted = false;
    // An earlier start was killed while it put "ADS_OLD" in place; this one finished it.
    bool resumed = false;
    TFolderVerdict found;
    // Why "Tmp" could not be removed; empty when it was.
    QString tmpProblem;
};

// What the start's recovery reaches on the machine; every empty member is the real thing.
struct TRecoverySeams {
    TRestoreFileOps files;
    std::function<QDateTime()> now;
    // The engine's check of a database folder (ExamineDatabaseFolder).
    std::function<TFolderVerdict(const QString& folder)> examine;
};

// Run at start, before connecting. Removes a leftover "Tmp" (it only holds copies). Then the
// restore's record decides: interrupted before the new database was complete, "ADS_OLD" goes
// back in place and the incomplete folder is kept under a name of its own; interrupted after
// it, "ADS_OLD" is kept under a dated name; a restore into a folder that was not there leaves no
// "ADS_OLD", and what it made of the folder is kept under a name of its own. A record that names
// no absolute folder is none and is removed. Without a record, a database folder is replaced by
// an intact "ADS_OLD" only when it is missing, lacks a file or the engine reports it damaged;
// one that is busy, locked or unreadable stays, and a journal the connect rolls back is no
// damage. Such an "ADS_OLD" is checked and told of once; later starts cost a look at the files.
// Every move is written to the record before it is made, so a start interrupted in turn is
// finished by the next. Nothing is deleted but "Tmp";
// nothing is touched when the database folder overlaps a work folder. Main thread only.
TDatabaseRecovery RecoverDatabaseFolder(const QString& databaseFolder, const DbSchema& schema,
                                        TRecoverySeams seams = {});

// The information box for what the start did; empty when there is nothing to tell.
QString DatabaseRecoveryText(const TDatabaseRecovery& recovery);
// The warning box when "Tmp" could not be removed; empty when it was.
QString TmpProblemText(const TDatabaseRecovery& recovery);
