#include "backup/RestoreRecord.h"

#include "platform/AppPaths.h"
#include "platform/FileSystems.h"
#include "platform/StagedFile.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QUrl>

namespace {

const QByteArray kMoving = "moving-aside";
const QByteArray kComplete = "complete";
const QByteArray kReplacing = "replacing";
// Records written before the line existed always had a database folder to move aside.
const QByteArray kNoDatabase = "none";

QByteArray stepName(TRestoreRecord::Step step)
{
    switch (step) {
    case TRestoreRecord::Step::MovingAside:
        break;
    case TRestoreRecord::Step::Complete:
        return kComplete;
    case TRestoreRecord::Step::Replacing:
        return kReplacing;
    }
    return kMoving;
}

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
    const QByteArray text = line("step", stepName(record.step)) + line("database", encoded(record.databaseFolder)) +
                            line("keptAside", encoded(record.keptAside)) +
                            (record.hadDatabase ? QByteArray() : line("previous", kNoDatabase));
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
    const QString keptAside = QString::fromUtf8(QByteArray::fromPercentEncoding(values.value("keptAside")));
    for (const TRestoreRecord::Step known :
         {TRestoreRecord::Step::MovingAside, TRestoreRecord::Step::Complete, TRestoreRecord::Step::Replacing}) {
        if (step == stepName(known) && QDir::isAbsolutePath(database))
            return TRestoreRecord{known, database, keptAside, values.value("previous") != kNoDatabase};
    }
    return std::nullopt;
}

bool remove()
{
    const QString path = AppPaths::restoreRecordFile();
    if (!QFile::exists(path))
        return true;
    return QFile::remove(path) && SyncToDisk(AppPaths::workFolder());
}

} // namespace RestoreRecord
