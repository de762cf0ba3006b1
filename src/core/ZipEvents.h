#pragma once

#include "platform/ZipProgress.h"

#include <QPointer>
#include <QString>

class QWidget;
class TBackupUSPForm;
class TZipEngine;

// A bar position for done of size bytes on the bars' scale 1..10001: Round(done * 10000 / size)
// + 1, halves rounded to even; 10001 for a size of 0 or less.
int ZipBarPosition(qint64 done, qint64 size);

// What backup and restore share while the ZIP engine or the volume writer runs: the progress
// window, the byte counts behind its bars, the archive name shown while the archive is copied,
// and the error flag that engine messages set. Main thread only; one object per backup or
// restore.
class TZipEvents {
public:
    explicit TZipEvents(QWidget* boxParent = nullptr) : m_boxParent(boxParent) {}

    // The window the worker draws on; without one the worker does nothing.
    QPointer<TBackupUSPForm> ProgressForm;
    // While set, the progress shows CurrentZipName in place of the reported name.
    bool ShowZipName = false;
    QString CurrentZipName;
    qint64 ZipFileSize = 0;
    qint64 ZipFileDone = 0;
    qint64 ZipTotalSize = 0;
    qint64 ZipTotalDone = 0;
    // Set by every engine message with a code.
    bool ZipErrorFlag = false;

    // Routes the engine's progress and messages here; a cancel in the window sets its flag.
    void attach(TZipEngine& engine);

    // The engine's progress: pending messages, then the worker with the name to show.
    void ZipMaster1Progress(ZipProgressKind kind, const QString& fileName, qint64 size);
    void UpdateZipProgress(ZipProgressKind kind, const QString& name, qint64 size);
    // The engine's messages: code 0 is ignored; every other one sets ZipErrorFlag and, unless it
    // is the cancel code, shows "Fehlercode: <code>  <message>" as a warning.
    void ZipMaster1Message(int code, const QString& message);

private:
    void cancelCheck();

    QWidget* m_boxParent;
    TZipEngine* m_engine = nullptr;
};
