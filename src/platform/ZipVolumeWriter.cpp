#include "platform/ZipVolumeWriter.h"

#include "platform/PrivateFiles.h"
#include "platform/ZipLayout.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <map>
#include <memory>
#include <sys/stat.h>

namespace {

using namespace ZipLayout;

constexpr qint64 kChunk = 64 * 1024;
// Left free on a medium for what the file system needs besides the bytes of a volume: its
// blocks rounded up, the directory entry and the volume's temporary name.
constexpr qint64 kFileSystemReserve = 64 * 1024;

// A medium's file system may keep no rights (vfat refuses them): then the volume goes without.
void keepPrivate(QSaveFile& volume)
{
    volume.setPermissions(PrivateFiles::kFilePermissions);
}

// A file as its file system knows it, whatever its name: a medium put in later may hold a file
// of the same name that is another one.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    bool operator==(const FileIdentity& other) const
    {
        return device == other.device && inode == other.inode && size == other.size &&
               modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
    }
};

std::optional<FileIdentity> identityOf(const QString& path)
{
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return std::nullopt;
    return FileIdentity{status.st_dev, status.st_ino, status.st_size, status.st_mtim};
}

struct Failure {
    TZipVolumeWriter::Status status;
    QString message;
};

// The archive as the writer walks it: its entries' local header sizes in file order, the
// central directory and the end record.
struct Layout {
    std::map<quint32, int> headerSizeAt; // local header offset -> header size
    QList<CentralRecord> central;
    EndRecord end;
    qint64 centralOffset = 0;
};

std::optional<Layout> readLayout(QFile& in, QString& why)
{
    std::optional<EndRecord> end = readEndRecord(in, why);
    if (!end)
        return std::nullopt;
    Layout layout;
    layout.end = *end;
    layout.centralOffset = end->centralOffset();
    if (end->disk() != 0 || end->centralDisk() != 0 || layout.centralOffset + end->centralSize() != end->position ||
        end->bytes.size() != kEndRecordSize) {
        why = QStringLiteral("Unerwarteter Aufbau der Sicherungsdatei");
        return std::nullopt;
    }
    if (!in.seek(layout.centralOffset) ||
        !splitCentralDirectory(in.read(end->centralSize()), end->entries(), layout.central, why))
        return std::nullopt;
    for (const CentralRecord& record : std::as_const(layout.central)) {
        QByteArray header;
        if (in.seek(record.localOffset()))
            header = in.read(kLocalHeaderSize);
        if (header.size() != kLocalHeaderSize || read32(header, 0) != kLocalHeaderSignature ||
            record.localOffset() >= layout.centralOffset) {
            why = QStringLiteral("Lokaler Dateikopf fehlt");
            return std::nullopt;
        }
        layout.headerSizeAt[record.localOffset()] = kLocalHeaderSize + read16(header, 26) + read16(header, 28);
    }
    return layout;
}

// The volumes of one split set, written one after the other.
class SplitOutput {
public:
    SplitOutput(const QString& name, ZipMedium first, qint64 total, const TZipVolumeWriter::NextMedium& next)
        : m_name(name), m_medium(std::move(first)), m_remaining(total), m_next(next)
    {}
    ~SplitOutput()
    {
        if (!m_done) {
            m_out.reset(); // an uncommitted volume is discarded
            // The medium in the drive may be another one by now.
            for (const auto& [path, identity] : std::as_const(m_completed)) {
                if (identityOf(path) == identity)
                    QFile::remove(path);
            }
        }
    }

    std::optional<Failure> open() { return openVolume(); }

    quint16 disk() const { return quint16(m_disk); }
    quint32 offset() const { return quint32(m_used); }
    int volumes() const { return m_disk + 1; }

    // Moves on to the next volume unless length more bytes fit on this one.
    std::optional<Failure> ensureRoom(qint64 length)
    {
        if (m_used + length <= m_medium.bound)
            return std::nullopt;
        if (m_used == 0)
            return Failure{TZipVolumeWriter::Status::Failed,
                           QStringLiteral("Der Datenträger ist zu klein für einen Teil der Sicherungsdatei.")};
        return nextVolume();
    }

    // Bytes that must stay on one volume.
    std::optional<Failure> writeWhole(const QByteArray& bytes)
    {
        if (auto failure = ensureRoom(bytes.size()))
            return failure;
        return put(bytes.constData(), bytes.size());
    }

    // Bytes copied from in that may run on over several volumes.
    std::optional<Failure> copy(QFile& in, qint64 length, ZipByteCounter& counter)
    {
        QByteArray buffer;
        while (length > 0) {
            if (m_used == m_medium.bound) {
                if (auto failure = nextVolume())
                    return failure;
            }
            const qint64 chunk = std::min({length, m_medium.bound - m_used, kChunk});
            buffer = in.read(chunk);
            if (buffer.size() != chunk)
                return Failure{TZipVolumeWriter::Status::Failed,
                               QStringLiteral("Die Sicherungsdatei konnte nicht gelesen werden.")};
            if (auto failure = put(buffer.constData(), chunk))
                return failure;
            counter.add(chunk);
            length -= chunk;
        }
        return std::nullopt;
    }

    std::optional<Failure> finish()
    {
        if (auto failure = commit())
            return failure;
        m_done = true;
        return std::nullopt;
    }

private:
    std::optional<Failure> openVolume()
    {
        // Known at the start: the last volume is the one that takes everything that is left.
        const bool last = m_remaining <= m_medium.bound;
        m_path = m_medium.folder + u'/' + (last ? m_name : volumeName(m_name, m_disk));
        m_out = std::make_unique<QSaveFile>(m_path);
        m_used = 0;
        if (!m_out->open(QIODevice::WriteOnly))
            return writeFailure();
        keepPrivate(*m_out);
        return std::nullopt;
    }

    std::optional<Failure> nextVolume()
    {
        if (auto failure = commit())
            return failure;
        std::optional<ZipMedium> medium = m_next ? m_next(m_disk + 2, m_medium) : std::nullopt;
        if (!medium)
            return Failure{TZipVolumeWriter::Status::Cancelled, {}};
        m_medium = *medium;
        ++m_disk;
        return openVolume();
    }

    std::optional<Failure> put(const char* data, qint64 length)
    {
        if (m_out->write(data, length) != length)
            return writeFailure();
        m_used += length;
        m_remaining -= length;
        return std::nullopt;
    }

    std::optional<Failure> commit()
    {
        if (!m_out->commit())
            return writeFailure();
        if (const std::optional<FileIdentity> identity = identityOf(m_path))
            m_completed.append({m_path, *identity});
        m_out.reset();
        return std::nullopt;
    }

    Failure writeFailure() const
    {
        return {TZipVolumeWriter::Status::Failed, QStringLiteral("Die Datei \"") + m_path +
                                                      QStringLiteral("\" konnte nicht geschrieben werden: ") +
                                                      m_out->errorString()};
    }

    QString m_name;
    ZipMedium m_medium;
    qint64 m_remaining;
    const TZipVolumeWriter::NextMedium& m_next;
    std::unique_ptr<QSaveFile> m_out;
    QString m_path;
    QList<std::pair<QString, FileIdentity>> m_completed;
    int m_disk = 0;
    qint64 m_used = 0;
    bool m_done = false;
};

std::optional<Failure> writePlain(QFile& in, const QString& target, ZipByteCounter& counter)
{
    QSaveFile out(target);
    const auto failure = [&] {
        return Failure{TZipVolumeWriter::Status::Failed, QStringLiteral("Die Datei \"") + target +
                                                             QStringLiteral("\" konnte nicht geschrieben werden: ") +
                                                             out.errorString()};
    };
    if (!out.open(QIODevice::WriteOnly))
        return failure();
    keepPrivate(out);
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(kChunk);
        if (chunk.isEmpty() || out.write(chunk) != chunk.size())
            return failure();
        counter.add(chunk.size());
    }
    if (!out.commit())
        return failure();
    return std::nullopt;
}

Failure readFailure()
{
    return {TZipVolumeWriter::Status::Failed, QStringLiteral("Die Sicherungsdatei konnte nicht gelesen werden.")};
}

std::optional<Failure> writeSplit(QFile& in, const Layout& layout, SplitOutput& out, ZipByteCounter& counter)
{
    QByteArray marker(4, '\0');
    write32(marker, 0, kSplitMarker);
    if (auto failure = out.writeWhole(marker))
        return failure;
    // Where each local header went: its volume and its offset there.
    std::map<quint32, std::pair<quint16, quint32>> placed;
    if (!in.seek(0))
        return readFailure();
    qint64 position = 0;
    for (auto it = layout.headerSizeAt.begin(); it != layout.headerSizeAt.end(); ++it) {
        const auto following = std::next(it);
        const qint64 entryEnd = following == layout.headerSizeAt.end() ? layout.centralOffset : following->first;
        if (auto failure = out.copy(in, it->first - position, counter))
            return failure;
        const QByteArray header = in.read(it->second);
        if (header.size() != it->second)
            return readFailure();
        if (auto failure = out.ensureRoom(header.size()))
            return failure;
        placed[it->first] = {out.disk(), out.offset()};
        if (auto failure = out.writeWhole(header))
            return failure;
        counter.add(header.size());
        const qint64 bodyLength = entryEnd - it->first - it->second;
        if (bodyLength < 0)
            return Failure{TZipVolumeWriter::Status::Failed, QStringLiteral("Unerwarteter Aufbau der Sicherungsdatei")};
        if (auto failure = out.copy(in, bodyLength, counter))
            return failure;
        position = entryEnd;
    }
    std::optional<std::pair<quint16, quint32>> centralStart;
    int entriesOnDisk = 0;
    for (CentralRecord record : layout.central) {
        const auto [disk, offset] = placed.at(record.localOffset());
        record.place(disk, offset);
        const quint16 diskBefore = out.disk();
        if (auto failure = out.ensureRoom(record.bytes.size()))
            return failure;
        if (out.disk() != diskBefore)
            entriesOnDisk = 0;
        if (!centralStart)
            centralStart = {out.disk(), out.offset()};
        if (auto failure = out.writeWhole(record.bytes))
            return failure;
        ++entriesOnDisk;
        counter.add(record.bytes.size());
    }
    EndRecord end = layout.end;
    const quint16 diskBefore = out.disk();
    if (auto failure = out.ensureRoom(end.bytes.size()))
        return failure;
    if (out.disk() != diskBefore)
        entriesOnDisk = 0;
    if (!centralStart)
        centralStart = {out.disk(), out.offset()};
    end.place(out.disk(), centralStart->first, quint16(entriesOnDisk), centralStart->second);
    if (auto failure = out.writeWhole(end.bytes))
        return failure;
    counter.add(end.bytes.size());
    return out.finish();
}

} // namespace

qint64 ZipVolumeBound(qint64 freeBytes)
{
    return freeBytes - std::max(kFileSystemReserve, freeBytes / 100);
}

TZipVolumeWriter::Result TZipVolumeWriter::write(const QString& archivePath, const ZipMedium& first,
                                                 const QString& name)
{
    QFile in(archivePath);
    if (!in.open(QIODevice::ReadOnly))
        return {Status::Failed, QStringLiteral("Die Sicherungsdatei konnte nicht geöffnet werden."), 0};
    const qint64 size = in.size();
    if (m_progress) {
        m_progress(ZipProgressKind::FileCount, {}, 1);
        m_progress(ZipProgressKind::TotalSize, {}, size);
        m_progress(ZipProgressKind::NewFile, name, size);
    }
    ZipByteCounter counter(m_progress, name);
    if (first.bound == 0 || size <= first.bound) {
        if (const std::optional<Failure> failure = writePlain(in, first.folder + u'/' + name, counter))
            return {failure->status, failure->message, 0};
        return {Status::Ok, {}, 1};
    }
    QString why;
    const std::optional<Layout> layout = readLayout(in, why);
    if (!layout)
        return {Status::Failed, QStringLiteral("Die Sicherungsdatei kann nicht aufgeteilt werden: ") + why, 0};
    SplitOutput out(name, first, size + 4, m_nextMedium);
    std::optional<Failure> failure = out.open();
    if (!failure)
        failure = writeSplit(in, *layout, out, counter);
    if (failure)
        return {failure->status, failure->message, 0};
    return {Status::Ok, {}, out.volumes()};
}
