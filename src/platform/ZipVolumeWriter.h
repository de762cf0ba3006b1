#pragma once

#include "platform/ZipProgress.h"

#include <QString>

#include <functional>
#include <optional>

// Where a volume goes: a folder and the most bytes the volume may take there (0: no bound).
struct ZipMedium {
    QString folder;
    qint64 bound = 0;
};

// The bound for a volume on a medium with freeBytes free: the free space less a reserve for the
// file system (64 KiB or 1 % of it, the larger). An existing file of the volume's name does not
// count as room: it stays until the volume that replaces it is complete.
qint64 ZipVolumeBound(qint64 freeBytes);

// Copies a finished single-file archive to its target. When it fits on the first medium it is
// one plain copy; otherwise it becomes a split set (PKWARE APPNOTE 8.5): volumes "name.z01",
// "name.z02", ... and the last one "name.zip", the first starting with the split marker, no
// local header, central directory entry or end record cut across two volumes, and the central
// directory giving each entry's volume and offset there. Each volume is written under a
// temporary name and gets its own name only when complete, with owner rights only where the
// medium keeps rights. When a volume is full the writer asks for the next medium; when the user
// gives none, or anything fails, the volumes this run completed are removed again and no file
// of the archive's name is left; a volume is removed only while the file of its name is still
// the one this run wrote (the medium in the drive may be another by then). The archive is copied in chunks, never held
// in memory. Main thread only.
class TZipVolumeWriter {
public:
    // The medium of volumeNumber (2, 3, ...) once the previous one is full; nothing: cancel.
    using NextMedium = std::function<std::optional<ZipMedium>(int volumeNumber, const ZipMedium& previous)>;
    enum class Status { Ok, Cancelled, Failed };
    struct Result {
        Status status = Status::Failed;
        QString message; // why it failed (German), empty otherwise
        int volumes = 0;
    };

    void setProgressHandler(ZipProgressHandler handler) { m_progress = std::move(handler); }
    void setNextMedium(NextMedium nextMedium) { m_nextMedium = std::move(nextMedium); }

    // Writes archivePath to first.folder under name (which ends in ".zip").
    Result write(const QString& archivePath, const ZipMedium& first, const QString& name);

private:
    ZipProgressHandler m_progress;
    NextMedium m_nextMedium;
};
