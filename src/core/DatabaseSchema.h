#pragma once

#include "platform/DbSchema.h"

#include <QString>

// The program's two tables: Verfasser (senders, the main file) and Adressen (recipients).
const DbSchema& newsDatabaseSchema();

// The outcome of creating the empty database.
struct DbCreateResult {
    bool ok = false;
    QString message; // why nothing was created; empty when ok
};

// Creates an empty database (Verfasser.ADT/.ADI and Adressen.ADT/.ADI) in folder, making the
// folder when it does not exist. Creates nothing when folder is not empty, or when the work
// folder's "ADS_OLD" exists (a restore that failed half-way must not be covered by a fresh
// database). Called once by the first-run step at start-up. Main thread only.
DbCreateResult CreateEmptyDatabase(const QString& folder);
