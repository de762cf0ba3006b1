#pragma once

#include <QString>

#include <optional>

// How far a restore got, kept in AppPaths::restoreRecordFile() so that the start after an
// interruption acts on what happened instead of guessing from the folders it finds.
struct TRestoreRecord {
    enum class Step {
        MovingAside, // the database folder is (being) moved to "ADS_OLD"; the new one is not complete
        Complete,    // the new database is complete and on the disk; "ADS_OLD" is (being) removed
        Replacing,   // the start puts "ADS_OLD" in place of a database folder it found unusable
    };
    Step step = Step::MovingAside;
    QString databaseFolder;
    // The start's recovery: where it moves the folder it sets aside, written before the move.
    QString keptAside;
    // Whether there was a database folder to move aside; without one, "ADS_OLD" holds nothing
    // and what the restore made of the folder is all there is.
    bool hadDatabase = true;

    bool operator==(const TRestoreRecord&) const = default;
};

namespace RestoreRecord {

// Replaces the record in one step, with the file and its folder synced to the disk before it
// returns true. Main thread only.
bool write(const TRestoreRecord& record);
// The record; nothing when there is none, it cannot be read as one or names no absolute
// database folder (a relative one would depend on the current folder).
std::optional<TRestoreRecord> read();
// Removes the record and syncs its folder; true when there is none afterwards.
bool remove();

} // namespace RestoreRecord
