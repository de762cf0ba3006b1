#include "platform/MountTableVolumeProvider.h"

#include "platform/MountTable.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSocketNotifier>

namespace {

bool readFlag(const QString& file)
{
    QFile flag(file);
    return flag.open(QIODevice::ReadOnly) && flag.read(1) == "1";
}

// A partition carries no flag of its own; its disk, one folder up in sysfs, does.
bool deviceIsRemovable(const QString& device)
{
    const QString node = QFileInfo(QStringLiteral("/sys/dev/block/") + device).canonicalFilePath();
    if (node.isEmpty())
        return false;
    if (QFileInfo::exists(node + QStringLiteral("/removable")))
        return readFlag(node + QStringLiteral("/removable"));
    return readFlag(QFileInfo(node).path() + QStringLiteral("/removable"));
}

} // namespace

MountTableVolumeProvider::MountTableVolumeProvider(QObject* parent, const QString& mountInfoFile)
    : VolumeProvider(parent), m_table(mountInfoFile)
{
    if (!m_table.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return;
    m_last = readVolumes();
    m_notifier = new QSocketNotifier(m_table.handle(), QSocketNotifier::Exception, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &MountTableVolumeProvider::tableChanged);
}

QList<VolumeInfo> MountTableVolumeProvider::volumes() const
{
    return readVolumes();
}

QList<VolumeInfo> MountTableVolumeProvider::readVolumes() const
{
    if (!m_table.isOpen() || !m_table.seek(0))
        return {};
    // Reading through the watched handle also clears the kernel's change flag.
    QList<VolumeInfo> volumes =
        VolumesFromMountTable(ParseMountInfo(m_table.readAll()), deviceIsRemovable, ReadDeviceLabels());
    // Bind mounts of single files (common in containers) are no folders to browse; local
    // mounts only, as a dead network mount could hang the check.
    volumes.removeIf([](const VolumeInfo& volume) {
        return volume.kind != VolumeKind::Network && !QFileInfo(volume.mountPoint).isDir();
    });
    return volumes;
}

void MountTableVolumeProvider::tableChanged()
{
    QList<VolumeInfo> now = readVolumes();
    if (now == m_last)
        return;
    m_last = std::move(now);
    emit volumesChanged();
}

VolumeProvider& VolumeProvider::system()
{
    // Owned by the application, so its watcher goes before the event dispatcher does.
    static auto* provider = new MountTableVolumeProvider(QCoreApplication::instance());
    return *provider;
}
