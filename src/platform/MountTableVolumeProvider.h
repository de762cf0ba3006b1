#pragma once

#include "platform/VolumeProvider.h"

#include <QFile>
#include <QList>

class QSocketNotifier;

// The volumes of the kernel's mount table (/proc/self/mountinfo). The kernel flags the open
// table when anything is mounted or unmounted; the provider then reads it again and reports a
// changed list through volumesChanged(). Reads only the table and sysfs, never the volumes.
class MountTableVolumeProvider : public VolumeProvider {
    Q_OBJECT
public:
    explicit MountTableVolumeProvider(QObject* parent = nullptr,
                                      const QString& mountInfoFile = QStringLiteral("/proc/self/mountinfo"));

    QList<VolumeInfo> volumes() const override;

private:
    QList<VolumeInfo> readVolumes() const;
    void tableChanged();

    mutable QFile m_table;
    QSocketNotifier* m_notifier = nullptr;
    QList<VolumeInfo> m_last;
};
