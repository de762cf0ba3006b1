#pragma once

#include <QString>

struct DbSchema;

// What the start knows of a database folder.
struct TFolderVerdict {
    enum class State {
        Intact,
        Missing,    // the folder is not there
        Incomplete, // a database file is missing or a table file holds no byte
        Damaged,    // the engine reports a table file damaged (SQLITE_CORRUPT, SQLITE_NOTADB, findings)
        Unreadable, // the engine could not read a table file: busy, locked, an I/O error, no access
        Pending,    // a journal that only a read-write connect rolls back keeps the check from the
                    // table's true contents: no verdict before the program has connected once
    };
    State state = State::Intact;
    QString file;    // the file concerned, without folder; empty for Intact and Missing
    QString message; // the engine's message; for a lock, the processes that hold the file
    bool locked = false;

    bool replaceable() const
    {
        return state == State::Missing || state == State::Incomplete || state == State::Damaged;
    }
};

// The facts that cost next to nothing: whether the folder and its four files are there (a table
// file of no bytes counts as missing). Intact here says nothing of the files' contents.
TFolderVerdict DatabaseFilesPresent(const QString& folder, const DbSchema& schema);

// DatabaseFilesPresent, then the engine's check of each table file (PRAGMA quick_check on a
// read-only connection that never waits for a lock): as long as the tables are large. A table
// file whose journal only a connect may roll back counts as intact.
TFolderVerdict ExamineDatabaseFolder(const QString& folder, const DbSchema& schema);
