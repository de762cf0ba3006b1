#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// What the engine says of one table file.
enum class DbFileState {
    Intact,     // an SQLite file that passes "PRAGMA quick_check"
    Damaged,    // SQLITE_CORRUPT, SQLITE_NOTADB, or findings of the check
    Unreadable, // anything else: busy, locked, an I/O error, no access
    // A journal of a write that another connection did not finish, which only a read-write
    // connection rolls back (SQLITE_READONLY_ROLLBACK and kin): no damage, the next connect
    // that may write puts the file right. Its contents were not checked.
    RollbackPending,
};

struct DbFileVerdict {
    DbFileState state = DbFileState::Unreadable;
    int code = 0;    // the engine's extended result code; 0 when the check ran to its end
    QString message; // the engine's message or the check's findings; empty when intact
};

// Checks a table file on a connection of its own, read-only and without waiting for a lock, so
// a file that another program holds is reported as it is (Unreadable, SQLITE_BUSY) and never
// taken for damaged. Any thread.
DbFileVerdict CheckTableFile(const QString& path);

// Whether another connection holds table file under a lock that keeps readers out: a read of
// its schema on a read-only connection of its own, without waiting, fails with SQLITE_BUSY or
// SQLITE_LOCKED. Cheap whatever the file's size. Any thread.
bool TableFileLocked(const QString& path);

// Whether another connection holds table file under a lock that keeps writers out (RESERVED or
// stronger, which a reader does not meet): BEGIN IMMEDIATE on a read-write connection of its own,
// without waiting, rolled back at once, so the probe holds the lock no longer than that. A
// missing file is not created. Any thread.
bool TableFileWriteLocked(const QString& path);

// Whether code is a lock held by another connection (SQLITE_BUSY, SQLITE_LOCKED).
bool IsLockCode(int code);

// The bytes of the database header of an SQLite file.
constexpr qsizetype kDbHeaderSize = 100;

// The size in bytes that an SQLite file's header states (page size times page count), read from
// its first kDbHeaderSize bytes; nothing when header is shorter, no SQLite header, or its page
// count is not valid (0, or the "version-valid-for" number differs from the change counter, as
// an older writer leaves it).
std::optional<qint64> DbFileSizeInHeader(const QByteArray& header);
