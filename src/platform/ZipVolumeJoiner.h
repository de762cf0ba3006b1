#pragma once

#include <QString>
#include <QStringList>

// Turns a split ZIP set (volumes "name.z01", "name.z02", ... beside its last volume "name.zip",
// PKWARE APPNOTE 8.5) back into one plain archive: the volumes are concatenated without the
// split marker, the central directory's offsets made absolute and every volume number 0. The
// archive is copied in chunks, never held in memory. Main thread only.
namespace ZipVolumeJoiner {

// Whether lastVolume is the last volume of a set of more than one (false for a plain archive
// and for what cannot be read).
bool isSplitSet(const QString& lastVolume);

// The volumes of the set in order, ending with lastVolume.
QStringList volumesOf(const QString& lastVolume);

struct Result {
    bool ok = false;
    QString message; // why it failed (German), empty on success
};
// Writes the joined archive to target (replaced only on success).
Result join(const QString& lastVolume, const QString& target);

} // namespace ZipVolumeJoiner
