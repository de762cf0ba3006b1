#pragma once

#include <QString>

struct DbSchema;

// When another program holds a table file of the database in folder under a lock, a German
// sentence that says so and names the processes that have the file open; else empty. For the
// box of a failed connect: a lock is no fault of the database and goes once the holder ends.
QString DatabaseLockNote(const QString& folder, const DbSchema& schema);
