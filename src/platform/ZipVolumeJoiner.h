#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

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
    QString message; // why it failed (German), empty on success and on cancel
    bool cancelled = false;
    bool diskFull = false; // a write failed as the disk had no room left
};
// Writes the joined archive to target (replaced only on success), with owner rights only.
Result join(const QString& lastVolume, const QString& target);

// Where to look for part (1, 2, ...) of a set, named fileName, once it is not in folder (a set
// spread over several media): the folder to look in next, or nothing to give up.
using FindVolume = std::function<std::optional<QString>(int part, const QString& fileName, const QString& folder)>;

// Copies every volume of the set ending in lastVolume into folder under its own name, with owner
// rights only: first lastVolume (its medium may be taken out then), then the parts in order,
// each looked for where the part before it was found, asking find while it is not there. Cancelled
// when find gives up.
Result copyVolumes(const QString& lastVolume, const QString& folder, const FindVolume& find);

} // namespace ZipVolumeJoiner
