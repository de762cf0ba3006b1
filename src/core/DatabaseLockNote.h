#pragma once

#include <QString>

struct DbSchema;

// When another program holds a table file of the database in folder under a lock, readers or
// writers kept out, a German sentence that says so and names the processes that have the file
// open; else empty. A lock is no fault of the database and goes once the holder ends.
QString DatabaseLockFinding(const QString& folder, const DbSchema& schema);

// DatabaseLockFinding with the request to end the other program and start again, for the box
// of a failed connect; empty when there is no lock.
QString DatabaseLockNote(const QString& folder, const DbSchema& schema);

// DatabaseLockFinding with the request to end the other program and try again, for a backup or
// a restore that met the lock; empty when there is no lock.
QString DatabaseLockRetryNote(const QString& folder, const DbSchema& schema);
