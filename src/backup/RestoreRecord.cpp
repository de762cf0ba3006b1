#include "backup/RestoreRecord.h"

#include "platform/AppPaths.h"
#include "platform/FileSystems.h"
#include "platform/StagedFile.h"

#include <QFile>
#include <QMap>
#include <QUrl>

namespace {

const QByteArray kMoving = "moving-aside";
const QByteArray kComplete = "complete";

// Paths may hold any character but "/" and NUL, so each value is percent-encoded on its line.
QByteArray line(const char* key, const QByteArray& value)
{
    return QByteArray(key) + '=' + value + '\n';
}

QByteArray encoded(const QString& path)
{
    return QUrl::toPercentEncoding(path);
}

} // namespace

namespace RestoreRecord {

bool write(const TRestoreRecord& record)
{
    const QString path = AppPaths::restoreRecordFile();
    StagedFile staged(path);
    if (!staged.create())
        return false;
    QFile file(staged.path());
    const QByteArray text = line("step", record.step == TRestoreRecord::Step::Complete ? kComplete : kMoving) +
                            line("database", encoded(record.databaseFolder)) +
                            line("keptAside", encoded(record.keptAside));
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.flush())
        return false;
    file.close();
    return staged.commit() && SyncToDisk(AppPaths::workFolder());
}

std::optional<TRestoreRecord> read()
{
    QFile file(AppPaths::restoreRecordFile());
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QMap<QByteArray, QByteArray> values;
    for (const QByteArray& entry : file.readAll().split('\n')) {
        const qsizetype equals = entry.indexOf('=');
        if (equals > 0)
            values.insert(entry.left(equals), entry.mid(equals + 1));
    }
    const QByteArray step = values.value("step");
    const QString database = QString::fromUtf8(QByteArray::fromPercentEncoding(values.value("database")));
    if ((step != kMoving && step != kComplete) || database.isEmpty())
        return std::nullopt;
    return TRestoreRecord{step == kComplete ? TRestoreRecord::Step::Complete : TRestoreRecord::Step::MovingAside,
                          database, QString::fromUtf8(QByteArray::fromPercentEncoding(values.value("keptAside")))};
}

bool remove()
{
    const QString path = AppPaths::restoreRecordFile();
    if (!QFile::exists(path))
        return true;
    return QFile::remove(path) && SyncToDisk(AppPaths::workFolder());
}

} // namespace RestoreRecord
