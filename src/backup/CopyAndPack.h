#pragma once

#include "backup/BackupResult.h"

#include <QList>
#include <QString>

#include <functional>

class DbConnection;
class DbQuery;
class DbTable;
class IBackupProgress;

// The database handles a backup works on, borrowed from the database module.
struct TBackupDatabase {
    DbConnection& live;    // the program's connection on the database folder
    DbConnection& copy;    // a second connection, closed, for packing the copy
    DbTable& packer;       // a table on copy
    QList<DbQuery*> views; // the shared queries, kept from following their controls meanwhile
};

// Failure injection for tests: called before each stage ("copy:<file>", "connect",
// "pack:<table>"); it may throw.
struct TCopyAndPackSeams {
    std::function<void(const QString& stage)> beforeStage;
};

// Copies the database files (TDBFiles) from the live connection's folder into destDir, the table
// files as consistent copies taken from the live connection, and packs each table there on the
// copy connection. The database folder is only read. Draws on progress and polls its cancel.
// Returns BackedUp when done, else the failure or Cancelled; the views follow their controls
// again and the copy connection is closed on every way out. Main thread only.
BackupResult CopyAndPackDatabase(const TBackupDatabase& db, IBackupProgress& progress, const QString& destDir,
                                 const TCopyAndPackSeams& seams = {});
