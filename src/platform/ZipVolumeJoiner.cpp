#include "platform/ZipVolumeJoiner.h"

#include "platform/PrivateFiles.h"
#include "platform/ZipLayout.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <memory>
#include <optional>
#include <vector>

namespace {

using namespace ZipLayout;

constexpr qint64 kChunk = 64 * 1024;

std::optional<EndRecord> endRecordOf(const QString& path, QString& why)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        why = QStringLiteral("Die Datei \"") + path + QStringLiteral("\" kann nicht gelesen werden.");
        return std::nullopt;
    }
    return readEndRecord(file, why);
}

// The volumes seen as one stream of bytes; the split marker at the start is left out.
class Concatenation {
public:
    bool open(const QStringList& paths, QString& why)
    {
        qint64 start = 0;
        for (const QString& path : paths) {
            auto file = std::make_unique<QFile>(path);
            if (!file->open(QIODevice::ReadOnly)) {
                why = QStringLiteral("Der Teil \"") + QFileInfo(path).fileName() +
                      QStringLiteral("\" der Sicherungsdatei fehlt oder kann nicht gelesen werden.");
                return false;
            }
            if (m_files.empty()) {
                const QByteArray head = file->read(4);
                if (head.size() == 4 && (read32(head, 0) == kSplitMarker || read32(head, 0) == kSingleSegmentMarker))
                    m_marker = 4;
            }
            m_starts.push_back(start - (m_files.empty() ? m_marker : 0));
            start = m_starts.back() + file->size();
            m_files.push_back(std::move(file));
        }
        m_size = start;
        return true;
    }

    qint64 size() const { return m_size; }
    int volumes() const { return int(m_files.size()); }
    // Where offset of volume disk lies in the stream; -1 when outside.
    qint64 absolute(int disk, qint64 offset) const
    {
        if (disk < 0 || disk >= volumes())
            return -1;
        const qint64 position = m_starts[size_t(disk)] + offset;
        return position < (disk == 0 ? 0 : m_starts[size_t(disk)]) || position > m_size ? -1 : position;
    }

    // Reads up to length bytes at position, across volume ends.
    QByteArray read(qint64 position, qint64 length)
    {
        QByteArray bytes;
        for (size_t i = 0; i < m_files.size() && length > 0; ++i) {
            const qint64 start = m_starts[i];
            const qint64 end = i + 1 < m_files.size() ? m_starts[i + 1] : m_size;
            if (position >= end)
                continue;
            QFile& file = *m_files[i];
            if (!file.seek(position - start))
                return bytes;
            const QByteArray part = file.read(qMin(length, end - position));
            bytes += part;
            position += part.size();
            length -= part.size();
            if (part.isEmpty())
                return bytes;
        }
        return bytes;
    }

private:
    std::vector<std::unique_ptr<QFile>> m_files;
    std::vector<qint64> m_starts;
    qint64 m_size = 0;
    qint64 m_marker = 0;
};

// Writes all of bytes, unbuffered: a short write is continued, so that a full disk shows as
// Qt's resource error at once.
bool writeWhole(QSaveFile& out, const QByteArray& bytes)
{
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 written = out.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

// A failed write of target: a full disk (Qt's resource error) says only that; any other
// failure adds the system's reason.
ZipVolumeJoiner::Result writeFailure(const QFileDevice& target)
{
    const QString failed =
        QStringLiteral("Die Datei \"") + target.fileName() + QStringLiteral("\" konnte nicht geschrieben werden");
    if (target.error() == QFileDevice::ResourceError)
        return {false, failed + u'.', false, true};
    return {false, failed + QStringLiteral(": ") + target.errorString()};
}

// Copies from to the new file to, owner rights only; to appears only when it is complete.
ZipVolumeJoiner::Result copyPrivately(const QString& from, const QString& to)
{
    const ZipVolumeJoiner::Result unreadable{false,
                                             QStringLiteral("Der Teil \"") + QFileInfo(from).fileName() +
                                                 QStringLiteral("\" der Sicherungsdatei kann nicht gelesen werden.")};
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return unreadable;
    QSaveFile out(to);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || !out.setPermissions(PrivateFiles::kFilePermissions))
        return writeFailure(out);
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(kChunk);
        if (chunk.isEmpty())
            return unreadable;
        if (!writeWhole(out, chunk))
            return writeFailure(out);
    }
    if (!out.commit())
        return writeFailure(out);
    return {true, {}};
}

} // namespace

namespace ZipVolumeJoiner {

bool isSplitSet(const QString& lastVolume)
{
    QString why;
    const std::optional<EndRecord> end = endRecordOf(lastVolume, why);
    return end && end->disk() > 0;
}

QStringList volumesOf(const QString& lastVolume)
{
    QString why;
    const std::optional<EndRecord> end = endRecordOf(lastVolume, why);
    if (!end)
        return {lastVolume};
    QStringList paths;
    for (int disk = 0; disk < end->disk(); ++disk)
        paths.append(volumeName(lastVolume, disk));
    paths.append(lastVolume);
    return paths;
}

Result join(const QString& lastVolume, const QString& target)
{
    QString why;
    std::optional<EndRecord> end = endRecordOf(lastVolume, why);
    if (!end)
        return {false, why};
    Concatenation stream;
    if (!stream.open(volumesOf(lastVolume), why))
        return {false, why};
    const auto damaged = [] {
        return Result{false, QStringLiteral("Die Teile der Sicherungsdatei passen nicht zusammen.")};
    };
    const qint64 centralStart = stream.absolute(end->centralDisk(), end->centralOffset());
    if (centralStart < 0)
        return damaged();
    QList<CentralRecord> records;
    if (!splitCentralDirectory(stream.read(centralStart, end->centralSize()), end->entries(), records, why))
        return {false, why};
    QByteArray central;
    for (CentralRecord& record : records) {
        const qint64 local = stream.absolute(record.disk(), record.localOffset());
        if (local < 0 || local >= centralStart)
            return damaged();
        record.place(0, quint32(local));
        central += record.bytes;
    }
    end->place(0, 0, quint16(records.size()), quint32(centralStart));

    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || !out.setPermissions(PrivateFiles::kFilePermissions))
        return writeFailure(out);
    for (qint64 position = 0; position < centralStart;) {
        const QByteArray chunk = stream.read(position, qMin(kChunk, centralStart - position));
        if (chunk.isEmpty())
            return damaged();
        if (!writeWhole(out, chunk))
            return writeFailure(out);
        position += chunk.size();
    }
    if (!writeWhole(out, central) || !writeWhole(out, end->bytes) || !out.commit())
        return writeFailure(out);
    return {true, {}};
}

Result copyVolumes(const QString& lastVolume, const QString& folder, const FindVolume& find)
{
    const auto copyInto = [&folder](const QString& volume) {
        return copyPrivately(volume, folder + u'/' + QFileInfo(volume).fileName());
    };
    if (Result copied = copyInto(lastVolume); !copied.ok)
        return copied;
    const QStringList volumes = volumesOf(lastVolume);
    QString from = QFileInfo(lastVolume).absolutePath();
    for (qsizetype i = 0; i + 1 < volumes.size(); ++i) {
        const QString name = QFileInfo(volumes[i]).fileName();
        while (!QFileInfo(from + u'/' + name).isFile()) {
            const std::optional<QString> next = find(int(i) + 1, name, from);
            if (!next)
                return {false, {}, true};
            from = *next;
        }
        if (Result copied = copyInto(from + u'/' + name); !copied.ok)
            return copied;
    }
    return {true, {}};
}

} // namespace ZipVolumeJoiner
