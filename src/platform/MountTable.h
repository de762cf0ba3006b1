#pragma once

#include "platform/VolumeProvider.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

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
// device number ("major:minor") whether the kernel calls the device removable; labels holds the
// file system labels by device number.
QList<VolumeInfo> VolumesFromMountTable(const QList<MountEntry>& entries,
                                        const std::function<bool(const QString& device)>& isRemovable,
                                        const QHash<QString, QString>& labels = {});

// The file system labels by device number ("major:minor") from a folder of links named by label
// to device nodes, as the system keeps them in /dev/disk/by-label; escapes such as "\x20" in
// the names are decoded. Only the links are read, never a device.
QHash<QString, QString> ReadDeviceLabels(const QString& folder = QStringLiteral("/dev/disk/by-label"));
