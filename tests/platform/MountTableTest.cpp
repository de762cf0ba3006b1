#include "platform/MountTable.h"

#include "platform/MountTableVolumeProvider.h"

#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include <algorithm>
#include <gtest/gtest.h>

namespace {

QByteArray fixture()
{
    QFile file(QStringLiteral(KUB_TEST_FIXTURES "/platform/mountinfo.txt"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

TEST(MountTable, ParsesFieldsAndSkipsMalformedLines)
{
    const QList<MountEntry> entries = ParseMountInfo(fixture());
    ASSERT_EQ(entries.size(), 17);
    const MountEntry& usb = entries[6];
    EXPECT_EQ(usb.mountId, 27);
    EXPECT_EQ(usb.device, QStringLiteral("8:17"));
    EXPECT_EQ(usb.mountPoint, QStringLiteral("/media/anna/USB STICK")); // \040 decoded
    EXPECT_EQ(usb.fileSystem, QStringLiteral("vfat"));
    EXPECT_EQ(usb.source, QStringLiteral("/dev/sdb1"));
    // Optional fields before the separator do not shift the rest.
    EXPECT_EQ(entries[2].fileSystem, QStringLiteral("sysfs"));
    EXPECT_TRUE(ParseMountInfo("garbage\n\n1 2 3\n").isEmpty());
}

TEST(MountTable, ClassifiesVolumesAndLeavesOutPseudoMounts)
{
    const auto removable = [](const QString& device) { return device == QLatin1String("8:33"); };
    const QList<VolumeInfo> volumes = VolumesFromMountTable(ParseMountInfo(fixture()), removable);
    QStringList listed;
    for (const VolumeInfo& volume : volumes)
        listed << volume.mountPoint;
    EXPECT_EQ(listed, (QStringList{"/", "/data", "/home", "/media/anna/USB STICK", "/media/cdrom", "/mnt/share",
                                   "/mnt/ssh", "/mnt/win", "/run/media/anna/KAMERA", "/srv/usb", "/tmp"}));
    const QHash<QString, VolumeKind> expected{{"/", VolumeKind::Fixed},
                                              {"/data", VolumeKind::Fixed},
                                              {"/home", VolumeKind::Fixed},
                                              {"/media/anna/USB STICK", VolumeKind::Removable},
                                              {"/media/cdrom", VolumeKind::Optical},
                                              {"/mnt/share", VolumeKind::Network},
                                              {"/mnt/ssh", VolumeKind::Network},
                                              {"/mnt/win", VolumeKind::Network},
                                              {"/run/media/anna/KAMERA", VolumeKind::Removable},
                                              {"/srv/usb", VolumeKind::Removable},
                                              {"/tmp", VolumeKind::Ram}};
    for (const VolumeInfo& volume : volumes)
        EXPECT_EQ(volume.kind, expected.value(volume.mountPoint)) << volume.mountPoint.toStdString();
    // A mount point mounted over is represented by its last mount.
    const auto data = std::find_if(volumes.begin(), volumes.end(),
                                   [](const VolumeInfo& v) { return v.mountPoint == QLatin1String("/data"); });
    ASSERT_NE(data, volumes.end());
    EXPECT_EQ(data->fileSystem, QStringLiteral("xfs"));
}

TEST(MountTable, IdentityChangesOnlyWithANewMount)
{
    const auto none = [](const QString&) { return false; };
    const QByteArray before = "40 21 8:17 / /media/stick rw - vfat /dev/sdb1 rw\n";
    const QByteArray again = "40 21 8:17 / /media/stick ro - vfat /dev/sdb1 ro\n"; // remounted read-only
    const QByteArray other = "41 21 8:17 / /media/stick rw - vfat /dev/sdb1 rw\n"; // unplugged, plugged in
    const QString first = VolumesFromMountTable(ParseMountInfo(before), none).value(0).identity;
    EXPECT_FALSE(first.isEmpty());
    EXPECT_EQ(VolumesFromMountTable(ParseMountInfo(again), none).value(0).identity, first);
    EXPECT_NE(VolumesFromMountTable(ParseMountInfo(other), none).value(0).identity, first);
}

TEST(MountTable, LabelsComeByDeviceNumber)
{
    QTemporaryDir links;
    ASSERT_TRUE(links.isValid());
    // The character device /dev/null (1:3) stands in for a disk.
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), links.filePath(QStringLiteral("Daten\\x20Archiv"))));
    ASSERT_TRUE(QFile::link(QStringLiteral("/nowhere"), links.filePath(QStringLiteral("WEG"))));
    const QHash<QString, QString> labels = ReadDeviceLabels(links.path());
    EXPECT_EQ(labels, (QHash<QString, QString>{{QStringLiteral("1:3"), QStringLiteral("Daten Archiv")}}));

    const QByteArray table = "40 21 8:17 / /media/stick rw - vfat /dev/sdb1 rw\n"
                             "41 21 8:18 / /media/other rw - vfat /dev/sdb2 rw\n";
    const QList<VolumeInfo> volumes = VolumesFromMountTable(ParseMountInfo(table), [](const QString&) { return true; },
                                                            {{QStringLiteral("8:17"), QStringLiteral("STICK")}});
    ASSERT_EQ(volumes.size(), 2);
    EXPECT_EQ(volumes[0].label, QString());
    EXPECT_EQ(volumes[1].label, QStringLiteral("STICK"));
}

TEST(MountTable, TheSystemTableListsTheRootFolder)
{
    if (!QFile::exists(QStringLiteral("/proc/self/mountinfo")))
        GTEST_SKIP() << "no mount table";
    MountTableVolumeProvider provider;
    const QList<VolumeInfo> volumes = provider.volumes();
    EXPECT_TRUE(std::any_of(volumes.begin(), volumes.end(),
                            [](const VolumeInfo& v) { return v.mountPoint == QLatin1String("/"); }));
    for (const VolumeInfo& volume : volumes)
        EXPECT_FALSE(volume.mountPoint.startsWith(QLatin1String("/proc"))) << volume.mountPoint.toStdString();
}

} // namespace
