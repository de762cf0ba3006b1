#pragma once

#include "backup/RestoreRun.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>

class QWidget;
class TBackupUSPForm;
class TDatabaseAvailability;
class TDM2;

// What the restore reaches outside itself; every empty member is the real thing.
struct TRestoreSeams {
    // The archive chosen, or nothing when the user cancelled (default: the archive picker).
    std::function<std::optional<QString>()> chooseArchive;
    // The folder holding part of a split set, or nothing when the user cancelled (default: the
    // folder picker, opened at folder).
    std::function<std::optional<QString>(int part, const QString& folder)> chooseVolumeFolder;
    // Frees the list screen of the main window.
    std::function<void()> releaseFrames;
    // Closes every handle on the database files; false when one stays open.
    std::function<bool()> disconnect;
    TRestoreFileOps files;
    // Free bytes at a folder, -1 when unknown.
    std::function<qint64(const QString& folder)> freeSpace;
    // Called once the progress window exists.
    std::function<void(TBackupUSPForm&)> formCreated;
    std::function<QDateTime()> now;
};

// The restore command "Einspielen": runs TRestoreRun on the database module's folder with the
// progress window and the pickers (TBackupWindow); before the database files are touched it frees
// the list screen, marks the database unavailable and disconnects; it shows how the run ended
// and reconnects on every way out. Main thread only.
class TRestoreCommand {
public:
    TRestoreCommand(TDM2& dm, TDatabaseAvailability& availability, QWidget* parent, TRestoreSeams seams = {});

    void RestoreDatabase();

private:
    bool disconnect();

    TDM2& m_dm;
    TDatabaseAvailability& m_availability;
    QWidget* m_parent;
    TRestoreSeams m_seams;
};
