#pragma once

#include "backup/RestoreRun.h"

#include <QDateTime>
#include <QString>

struct DbSchema;

// Whether folder holds the four database files and its table files pass the check of
// DbConnection::checkFolder.
bool DatabaseFolderIntact(const QString& folder, const DbSchema& schema);

// What the start did about a restore that ended half-way.
struct TDatabaseRecovery {
    enum class Kind {
        Nothing,            // the database folder is intact, or there is no "ADS_OLD" to take back
        Recovered,          // "ADS_OLD" is the database folder again
        PreviousIncomplete, // "ADS_OLD" holds no intact database either: nothing moved
        NotMoved,           // a rename failed: nothing moved
    };
    Kind kind = Kind::Nothing;
    QString databaseFolder;
    QString previous;  // "ADS_OLD"
    QString keptAside; // where the incomplete database folder went; empty when there was none
};

// Run at start, before connecting: empties a leftover "Tmp" (it only holds copies), then, when
// the database folder is missing, lacks a database file or fails the check, and "ADS_OLD" holds
// an intact database, moves the incomplete folder aside under a dated name and "ADS_OLD" back in
// its place. Nothing is deleted but "Tmp"; nothing is touched when the database folder overlaps a
// work folder. Main thread only.
TDatabaseRecovery RecoverDatabaseFolder(const QString& databaseFolder, const DbSchema& schema, const QDateTime& now,
                                        TRestoreFileOps files = {});

// The information box for what the start did; empty when there is nothing to tell.
QString DatabaseRecoveryText(const TDatabaseRecovery& recovery);
