#include "platform/MountTable.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

QString decodeField(const QByteArray& field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const auto isOctal = [&](qsizetype at) { return at < field.size() && field[at] >= '0' && field[at] <= '7'; };
        if (field[i] == '\\' && isOctal(i + 1) && isOctal(i + 2) && isOctal(i + 3)) {
            out.append(char((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0')));
            i += 3;
        } else {
            out.append(field[i]);
        }
    }
    return QString::fromUtf8(out);
}

// "\x20" and the like, as the system writes characters that are unsafe in a file name.
QString decodeHexEscapes(const QString& name)
{
    QByteArray out;
    const QByteArray in = QFile::encodeName(name);
    for (qsizetype i = 0; i < in.size(); ++i) {
        bool ok = false;
        const bool escape = in[i] == '\\' && i + 3 < in.size() && in[i + 1] == 'x';
        const int value = escape ? in.mid(i + 2, 2).toInt(&ok, 16) : 0;
        if (ok) {
            out.append(char(value));
            i += 3;
        } else {
            out.append(in[i]);
        }
    }
    return QString::fromUtf8(out);
}

bool isBelow(const QString& path, const QString& folder)
{
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

const QSet<QString>& pseudoFileSystems()
{
    static const QSet<QString> names{
        QStringLiteral("proc"),        QStringLiteral("sysfs"),       QStringLiteral("devtmpfs"),
        QStringLiteral("devpts"),      QStringLiteral("cgroup"),      QStringLiteral("cgroup2"),
        QStringLiteral("mqueue"),      QStringLiteral("debugfs"),     QStringLiteral("tracefs"),
        QStringLiteral("securityfs"),  QStringLiteral("pstore"),      QStringLiteral("bpf"),
        QStringLiteral("configfs"),    QStringLiteral("fusectl"),     QStringLiteral("hugetlbfs"),
        QStringLiteral("autofs"),      QStringLiteral("binfmt_misc"), QStringLiteral("efivarfs"),
        QStringLiteral("nsfs"),        QStringLiteral("rpc_pipefs"),  QStringLiteral("selinuxfs"),
        QStringLiteral("squashfs"),    QStringLiteral("nfsd"),        QStringLiteral("fuse.gvfsd-fuse"),
        QStringLiteral("fuse.portal"), QStringLiteral("fuse.lxcfs")};
    return names;
}

const QSet<QString>& networkFileSystems()
{
    static const QSet<QString> names{QStringLiteral("nfs"),        QStringLiteral("nfs4"),
                                     QStringLiteral("cifs"),       QStringLiteral("smb3"),
                                     QStringLiteral("smbfs"),      QStringLiteral("ncpfs"),
                                     QStringLiteral("9p"),         QStringLiteral("afs"),
                                     QStringLiteral("ceph"),       QStringLiteral("davfs"),
                                     QStringLiteral("fuse.sshfs"), QStringLiteral("fuse.rclone"),
                                     QStringLiteral("fuse.s3fs"),  QStringLiteral("fuse.glusterfs"),
                                     QStringLiteral("glusterfs")};
    return names;
}

} // namespace

QList<MountEntry> ParseMountInfo(const QByteArray& text)
{
    QList<MountEntry> entries;
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        // id parent major:minor root mount-point options [optional fields...] - type source options
        const qsizetype separator = fields.indexOf(QByteArrayLiteral("-"));
        if (separator < 6 || separator + 2 >= fields.size())
            continue;
        bool idOk = false;
        MountEntry entry;
        entry.mountId = fields[0].toInt(&idOk);
        if (!idOk || !fields[4].startsWith('/'))
            continue;
        entry.device = QString::fromLatin1(fields[2]);
        entry.mountPoint = decodeField(fields[4]);
        entry.fileSystem = decodeField(fields[separator + 1]);
        entry.source = decodeField(fields[separator + 2]);
        entries.append(entry);
    }
    return entries;
}

std::optional<VolumeKind> ClassifyMount(const MountEntry& entry, bool deviceRemovable)
{
    const QString& type = entry.fileSystem;
    const QString& point = entry.mountPoint;
    if (pseudoFileSystems().contains(type))
        return std::nullopt;
    static const QString systemFolders[] = {QStringLiteral("/proc"), QStringLiteral("/sys"), QStringLiteral("/dev"),
                                            QStringLiteral("/snap")};
    for (const QString& folder : systemFolders)
        if (isBelow(point, folder))
            return std::nullopt;
    const bool userMedia = isBelow(point, QStringLiteral("/media")) || isBelow(point, QStringLiteral("/run/media"));
    if (isBelow(point, QStringLiteral("/run")) && !userMedia)
        return std::nullopt;
    if (type == QLatin1String("iso9660") || type == QLatin1String("udf"))
        return VolumeKind::Optical;
    if (networkFileSystems().contains(type) || entry.source.startsWith(QLatin1String("//")))
        return VolumeKind::Network;
    if (type == QLatin1String("tmpfs") || type == QLatin1String("ramfs"))
        return VolumeKind::Ram;
    if (deviceRemovable || (userMedia && point != QLatin1String("/media")))
        return VolumeKind::Removable;
    return VolumeKind::Fixed;
}

QList<VolumeInfo> VolumesFromMountTable(const QList<MountEntry>& entries,
                                        const std::function<bool(const QString& device)>& isRemovable,
                                        const QHash<QString, QString>& labels)
{
    QHash<QString, VolumeInfo> byMountPoint;
    for (const MountEntry& entry : entries) {
        const std::optional<VolumeKind> kind = ClassifyMount(entry, isRemovable(entry.device));
        if (!kind) {
            // A pseudo file system mounted over a volume hides it.
            byMountPoint.remove(entry.mountPoint);
            continue;
        }
        const QString identity =
            QString::number(entry.mountId) + QLatin1Char(' ') + entry.device + QLatin1Char(' ') + entry.source;
        byMountPoint.insert(entry.mountPoint, {entry.mountPoint, entry.source, entry.fileSystem, *kind, identity,
                                               labels.value(entry.device)});
    }
    QList<VolumeInfo> volumes = byMountPoint.values();
    std::sort(volumes.begin(), volumes.end(),
              [](const VolumeInfo& a, const VolumeInfo& b) { return a.mountPoint < b.mountPoint; });
    return volumes;
}

QHash<QString, QString> ReadDeviceLabels(const QString& folder)
{
    QHash<QString, QString> labels;
    QDirIterator links(folder, QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    while (links.hasNext()) {
        const QString link = links.next();
        struct stat device {};
        if (::stat(QFile::encodeName(link).constData(), &device) != 0 ||
            !(S_ISBLK(device.st_mode) || S_ISCHR(device.st_mode)))
            continue;
        const QString number = QString::number(major(device.st_rdev)) + u':' + QString::number(minor(device.st_rdev));
        labels.insert(number, decodeHexEscapes(links.fileName()));
    }
    return labels;
}
