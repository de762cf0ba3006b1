#pragma once

#include "backup/CopyAndPack.h"

#include <QString>

#include <functional>
#include <optional>

class QWidget;
class TBackupUSPForm;
class TDM2;
class VolumeProvider;

// What the backup reaches outside itself; every empty member is the real thing.
struct TBackupSeams {
    // The target folder, or nothing when the user cancelled (default: the folder picker).
    std::function<std::optional<QString>()> chooseTarget;
    // Classifies the target's volume (not owned; default: the system's mount table).
    VolumeProvider* volumes = nullptr;
    // Free bytes at a folder, -1 when unknown.
    std::function<qint64(const QString& folder)> freeSpace;
    // Called once the progress window exists.
    std::function<void(TBackupUSPForm&)> formCreated;
    TCopyAndPackSeams copyAndPack;
};

// The backup command "Sichern": runs TBackupRun on the database module's connections with the
// progress window and the pickers (TBackupWindow), then shows how it ended. Main thread only.
class TBackupCommand {
public:
    TBackupCommand(TDM2& dm, QWidget* parent, TBackupSeams seams = {});

    void BackupDatabase();

private:
    TDM2& m_dm;
    QWidget* m_parent;
    TBackupSeams m_seams;
};
