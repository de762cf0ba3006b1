#pragma once

#include "core/CopyAndPack.h"

#include <QString>

#include <functional>
#include <optional>

class QWidget;
class TBackupUSPForm;
class TDM2;
struct TZipRun;
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

// The backup command "Sichern": copies and packs the database into the work folder's "Tmp",
// makes the archive "BackupNews_<dd.MM.yyyy>.zip" there and copies it to a folder the user
// chooses, as one file on a fixed or network volume and as a split set across media on a
// removable one. The database folder is only read; "Tmp" is emptied at the start (or the command
// ends with a box) and deleted at the end. Holds the busy guard while it runs. Main thread only.
class TBackupCommand {
public:
    TBackupCommand(TDM2& dm, QWidget* parent, TBackupSeams seams = {});

    void BackupDatabase();

private:
    bool CreateBackupArchive(TZipRun& run, QString& archiveName, const QString& dir);
    std::optional<QString> SelectBackupTarget();
    void copyToTarget(TZipRun& run, const QString& archiveName, const QString& target);

    TDM2& m_dm;
    QWidget* m_parent;
    TBackupSeams m_seams;
};
