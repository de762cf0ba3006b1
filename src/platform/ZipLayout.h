#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

class QFile;

// The records of a ZIP archive that volume sets change (PKWARE APPNOTE 4.3.12, 4.3.16, 8.5):
// the central directory entries and the end of central directory record. ZIP64 archives are
// not handled; the readers refuse them.
namespace ZipLayout {

constexpr quint32 kLocalHeaderSignature = 0x04034b50;
constexpr quint32 kCentralHeaderSignature = 0x02014b50;
constexpr quint32 kEndSignature = 0x06054b50;
constexpr quint32 kZip64LocatorSignature = 0x07064b50;
// The first four bytes of the first volume of a split set (APPNOTE 8.5.3).
constexpr quint32 kSplitMarker = 0x08074b50;
// Written by some tools at the start of a set that fits on one volume (APPNOTE 8.5.4).
constexpr quint32 kSingleSegmentMarker = 0x30304b50;
constexpr int kLocalHeaderSize = 30;
constexpr int kCentralHeaderSize = 46;
constexpr int kEndRecordSize = 22;

quint16 read16(const QByteArray& bytes, qsizetype at);
quint32 read32(const QByteArray& bytes, qsizetype at);
void write16(QByteArray& bytes, qsizetype at, quint16 value);
void write32(QByteArray& bytes, qsizetype at, quint32 value);

// The end of central directory record with its comment.
struct EndRecord {
    QByteArray bytes;
    qint64 position = 0; // in its file
    quint16 disk() const { return read16(bytes, 4); }
    quint16 centralDisk() const { return read16(bytes, 6); }
    quint16 entries() const { return read16(bytes, 10); }
    quint32 centralSize() const { return read32(bytes, 12); }
    quint32 centralOffset() const { return read32(bytes, 16); }
    // Rewrites the disk fields and the place of the central directory.
    void place(quint16 disk, quint16 centralDisk, quint16 entriesOnDisk, quint32 centralOffset);
};

// One central directory entry, verbatim.
struct CentralRecord {
    QByteArray bytes;
    quint16 disk() const { return read16(bytes, 34); }
    quint32 localOffset() const { return read32(bytes, 42); }
    void place(quint16 disk, quint32 localOffset);
};

// The name of volume disk (0-based) of a split set whose last volume is lastVolume ("x.zip"):
// "x.z01" for disk 0, "x.z02" for disk 1, ...
QString volumeName(const QString& lastVolume, int disk);

// Finds the end record in the last 64 KiB of file; nothing (with why) when there is none or
// the archive needs ZIP64.
std::optional<EndRecord> readEndRecord(QFile& file, QString& why);
// Splits the central directory's bytes into its entries; false (with why) when they do not
// hold exactly count well-formed entries.
bool splitCentralDirectory(const QByteArray& bytes, int count, QList<CentralRecord>& records, QString& why);

} // namespace ZipLayout
