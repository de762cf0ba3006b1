#pragma once

#include "backup/BackupResult.h"

#include <QString>

#include <optional>

// How a backup or restore run shows its progress. The window exists between open() and
// close(); every other call outside that time does nothing. Main thread only.
class IBackupProgress {
public:
    virtual ~IBackupProgress() = default;

    virtual void open() = 0;
    virtual void close() = 0;
    virtual void showTitle(const QString& text) = 0;
    virtual void showStep(const QString& text) = 0;
    virtual void showFile(const QString& text) = 0;
    // A file's path, shortened to the line's width.
    virtual void showFileName(const QString& path) = 0;
    // Both bars from 0 to their maxima, at 0.
    virtual void setBarMaxima(int fileMaximum, int totalMaximum) = 0;
    virtual void setFileBar(int value) = 0;
    virtual void setTotalBar(int value) = 0;
    virtual void stepFileBar() = 0;
    virtual void stepTotalBar() = 0;
    virtual void allowCancel(bool allowed) = 0;
    // The user asked the run to stop; false while no window is open.
    virtual bool cancelRequested() = 0;
    // Lets the window repaint and notice its buttons.
    virtual void refresh() = 0;
    // refresh(), then a short, rationed sleep (ProgressPause).
    virtual void pause() = 0;
};

// Where a part of a split set is looked for, or where the next volume goes.
enum class MediumAnswer { SameFolder, OtherFolder, Cancel };

// What a backup or restore run asks or tells the user on its way; the final result is the
// caller's to show. Main thread only.
class IBackupQuestions {
public:
    virtual ~IBackupQuestions() = default;

    // Backup: the target folder, or nothing when the user cancelled.
    virtual std::optional<QString> chooseTarget() = 0;
    // Backup: the target is too small; whether to choose another.
    virtual bool askOtherTarget() = 0;
    // Backup: a medium is full; where volume goes next (folder is where the last one went).
    virtual MediumAnswer askNextMedium(int volume, const QString& folder) = 0;

    // Restore: the archive, or nothing when the user cancelled.
    virtual std::optional<QString> chooseArchive() = 0;
    virtual bool confirmRestore(const QString& archiveFileName) = 0;
    // Restore: part (named fileName) of a split set is not in folder.
    virtual MediumAnswer askForVolume(int part, const QString& fileName, const QString& folder) = 0;
    // Restore: the folder to look for part in, or nothing when the user cancelled.
    virtual std::optional<QString> chooseVolumeFolder(int part, const QString& folder) = 0;
    // Restore: an "ADS_OLD" of an earlier run, old, was renamed to kept.
    virtual void oldFolderKept(const QString& old, const QString& kept) = 0;

    // A problem the run goes on after (its box from BackupResultBox).
    virtual void tell(const BackupResult& problem) = 0;
};
