#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

#include "platform/VolumeProvider.h"

// One line of /proc/<pid>/mountinfo.
struct MountEntry {
    int mountId = 0;
    QString device; // "major:minor"
    QString mountPoint;
    QString fileSystem;
    QString source;
};

// Parses the text of a mountinfo file; malformed lines are skipped. Octal escapes (\040 for a
// blank) are decoded.
QList<MountEntry> ParseMountInfo(const QByteArray& text);

// The kind of a mounted volume, or nothing for pseudo file systems and the system's own mounts
// (/proc, /sys, /dev, /run but /run/media, /snap), which are no drives for the user.
std::optional<VolumeKind> ClassifyMount(const MountEntry& entry, bool deviceRemovable);

// The volumes of a mount table: entries classified, pseudo ones left out, a mount point mounted
// over again represented by its last mount, sorted by mount point. isRemovable answers for a
// device number ("major:minor") whether the kernel calls the device removable.
QList<VolumeInfo> VolumesFromMountTable(const QList<MountEntry>& entries,
                                        const std::function<bool(const QString& device)>& isRemovable);
