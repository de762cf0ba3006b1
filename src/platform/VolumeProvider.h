#pragma once

#include <QFlags>
#include <QList>
#include <QObject>
#include <QString>

// Mounted volumes stand for drives: a volume is keyed by its mount point.
enum class VolumeKind { Fixed = 1, Removable = 2, Network = 4, Optical = 8, Ram = 16 };
Q_DECLARE_FLAGS(VolumeKinds, VolumeKind)
Q_DECLARE_OPERATORS_FOR_FLAGS(VolumeKinds)
inline constexpr VolumeKinds kAllVolumeKinds = VolumeKinds::fromInt(31);

struct VolumeInfo {
    QString mountPoint; // absolute, without a trailing "/" except for the root
    QString source;     // the mounted device or share
    QString fileSystem;
    VolumeKind kind = VolumeKind::Fixed;
    // Changes when the volume is mounted anew (another medium, a remount), not otherwise.
    QString identity;
    // The file system's label as the system lists it; empty when it has none. Initialised here,
    // so that a volume may be written without it.
    QString label = {};
    bool operator==(const VolumeInfo&) const = default;
};

// Lists the mounted volumes and tells when the list may have changed. Main thread only; a
// provider must outlive every control that uses it.
class VolumeProvider : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Sorted by mount point; never touches the volumes themselves, so a dead network mount
    // cannot make it hang.
    virtual QList<VolumeInfo> volumes() const = 0;

    // The process-wide provider over the kernel's mount table.
    static VolumeProvider& system();

signals:
    void volumesChanged();
};
