#include "platform/ZipLayout.h"

#include <QFile>

namespace ZipLayout {

quint16 read16(const QByteArray& bytes, qsizetype at)
{
    return quint16(quint8(bytes[at]) | quint8(bytes[at + 1]) << 8);
}

quint32 read32(const QByteArray& bytes, qsizetype at)
{
    return quint32(read16(bytes, at)) | quint32(read16(bytes, at + 2)) << 16;
}

void write16(QByteArray& bytes, qsizetype at, quint16 value)
{
    bytes[at] = char(value & 0xff);
    bytes[at + 1] = char(value >> 8);
}

void write32(QByteArray& bytes, qsizetype at, quint32 value)
{
    write16(bytes, at, quint16(value & 0xffff));
    write16(bytes, at + 2, quint16(value >> 16));
}

void EndRecord::place(quint16 diskNumber, quint16 centralDiskNumber, quint16 entriesOnDisk, quint32 offset)
{
    write16(bytes, 4, diskNumber);
    write16(bytes, 6, centralDiskNumber);
    write16(bytes, 8, entriesOnDisk);
    write32(bytes, 16, offset);
}

void CentralRecord::place(quint16 diskNumber, quint32 offset)
{
    write16(bytes, 34, diskNumber);
    write32(bytes, 42, offset);
}

QString volumeName(const QString& lastVolume, int disk)
{
    return lastVolume.left(lastVolume.size() - 4) + QStringLiteral(".z") +
           QStringLiteral("%1").arg(disk + 1, 2, 10, QLatin1Char('0'));
}

std::optional<EndRecord> readEndRecord(QFile& file, QString& why)
{
    const qint64 size = file.size();
    // The record plus the longest comment.
    const qint64 tail = qMin<qint64>(size, kEndRecordSize + 0xffff);
    if (!file.seek(size - tail)) {
        why = QStringLiteral("Sicherungsdatei kann nicht gelesen werden");
        return std::nullopt;
    }
    const QByteArray bytes = file.read(tail);
    for (qsizetype at = bytes.size() - kEndRecordSize; at >= 0; --at) {
        if (read32(bytes, at) != kEndSignature)
            continue;
        const quint16 commentLength = read16(bytes, at + 20);
        if (at + kEndRecordSize + commentLength != bytes.size())
            continue;
        EndRecord end{bytes.mid(at), size - tail + at};
        const bool zip64 = (at >= 20 && read32(bytes, at - 20) == kZip64LocatorSignature) || end.entries() == 0xffff ||
                           end.centralSize() == 0xffffffff || end.centralOffset() == 0xffffffff;
        if (zip64) {
            why = QStringLiteral("ZIP64-Archive werden nicht unterstützt");
            return std::nullopt;
        }
        return end;
    }
    why = QStringLiteral("Kein ZIP-Archiv (Verzeichnisende fehlt)");
    return std::nullopt;
}

bool splitCentralDirectory(const QByteArray& bytes, int count, QList<CentralRecord>& records, QString& why)
{
    records.clear();
    qsizetype at = 0;
    for (int i = 0; i < count; ++i) {
        if (at + kCentralHeaderSize > bytes.size() || read32(bytes, at) != kCentralHeaderSignature) {
            why = QStringLiteral("Zentralverzeichnis ist beschädigt");
            return false;
        }
        const qsizetype length =
            kCentralHeaderSize + read16(bytes, at + 28) + read16(bytes, at + 30) + read16(bytes, at + 32);
        if (at + length > bytes.size()) {
            why = QStringLiteral("Zentralverzeichnis ist beschädigt");
            return false;
        }
        records.append({bytes.mid(at, length)});
        at += length;
    }
    if (at != bytes.size()) {
        why = QStringLiteral("Zentralverzeichnis ist beschädigt");
        return false;
    }
    return true;
}

} // namespace ZipLayout
