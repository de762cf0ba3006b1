#pragma once

#include "backup/BackupResult.h"
#include "platform/ZipProgress.h"

#include <QString>

#include <optional>

class IBackupProgress;
class TZipEngine;

// A bar position for done of size bytes on the bars' scale 1..10001: Round(done * 10000 / size)
// + 1, halves rounded to even; 10001 for a size of 0 or less.
int ZipBarPosition(qint64 done, qint64 size);

// What backup and restore share while the ZIP engine or the volume writer runs: the byte counts
// behind the progress bars, the archive name shown while the archive is copied, and the first
// message of the engine. Main thread only; one object per backup or restore.
class TZipEvents {
public:
    // progress is borrowed and must outlive this object.
    explicit TZipEvents(IBackupProgress& progress) : m_progress(progress) {}

    // While set, the progress shows CurrentZipName in place of the reported name.
    bool ShowZipName = false;
    QString CurrentZipName;
    qint64 ZipFileSize = 0;
    qint64 ZipFileDone = 0;
    qint64 ZipTotalSize = 0;
    qint64 ZipTotalDone = 0;

    // Routes the engine's progress and messages here; a cancel in the window sets its flag.
    void attach(TZipEngine& engine);

    // The engine's progress: pending messages, then the worker with the name to show.
    void ZipMaster1Progress(ZipProgressKind kind, const QString& fileName, qint64 size);
    void UpdateZipProgress(ZipProgressKind kind, const QString& name, qint64 size);
    // The engine's messages: code 0 is ignored; the first other one is kept as the run's result.
    void ZipMaster1Message(int code, const QString& message);

    // The result of the first message since the last clearMessage(), if any.
    const std::optional<BackupResult>& message() const { return m_message; }
    void clearMessage() { m_message.reset(); }

private:
    void cancelCheck();

    IBackupProgress& m_progress;
    TZipEngine* m_engine = nullptr;
    std::optional<BackupResult> m_message;
};
