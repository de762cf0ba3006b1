#pragma once

#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>

class QWidget;
class TBackupUSPForm;
class TDatabaseAvailability;
class TDM2;
struct TZipRun;

// The file operations of the restore, replaceable to inject failures; each empty member is the
// real operation.
struct TRestoreFileOps {
    std::function<bool(const QString& from, const QString& to)> rename;
    std::function<bool(const QString& folder)> makeFolder;
    std::function<bool(const QString& from, const QString& to)> copy;
    std::function<bool(const QString& folder)> deleteTree;
};

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

// The restore command "Einspielen": replaces the database with the files of a backup archive
// (one file or the last volume of a split set, whose other volumes may lie on other media and
// are asked for). The archive is extracted and checked before the database folder is touched;
// the folder is then moved aside to "ADS_OLD", made anew with owner rights only, filled, synced
// and checked on a read-only connection, and "ADS_OLD" goes only after that check has passed.
// Any failure after the move puts the previous folder back. A database folder holding files of
// others, on another file system than the work folder, or one that DeleteDirectoryTree refuses
// is refused before anything is touched; an "ADS_OLD" from an earlier run is kept under a dated
// name. Reconnects on every way out. Holds the busy guard while it runs. Main thread only.
class TRestoreCommand {
public:
    TRestoreCommand(TDM2& dm, TDatabaseAvailability& availability, QWidget* parent, TRestoreSeams seams = {});

    void RestoreDatabase();

private:
    bool preflight(const QString& databaseFolder);
    bool ExtractBackupArchive(TZipRun& run, const QString& dir, const QString& archivePath,
                              const QString& databaseFolder);
    bool joinVolumes(const QString& lastVolume, const QString& partsFolder, const QString& target);
    std::optional<QString> askForVolume(int part, const QString& name, const QString& folder);
    bool replaceDatabase(TZipRun& run, const QString& databaseFolder);
    bool copyIn(TZipRun& run, const QString& databaseFolder);
    void rollBack(const QString& databaseFolder, bool moved);
    bool fitsOnDisk(qint64 bytes, const QString& databaseFolder);

    TDM2& m_dm;
    TDatabaseAvailability& m_availability;
    QWidget* m_parent;
    TRestoreSeams m_seams;
};
