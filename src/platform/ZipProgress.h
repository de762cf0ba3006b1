#pragma once

#include <QElapsedTimer>
#include <QString>

#include <functional>

// The progress events of the ZIP engine and the volume writer. The size argument means, by kind:
// NewFile the file's size, Bytes the bytes processed since the last event, FileCount the number
// of files, TotalSize the bytes of the whole operation; EndOfBatch carries nothing.
enum class ZipProgressKind { NewFile = 0, Bytes = 1, EndOfBatch = 2, FileCount = 3, TotalSize = 4 };
using ZipProgressHandler = std::function<void(ZipProgressKind kind, const QString& name, qint64 size)>;

// Gathers the byte counts of one file and hands them on at most about once per 512 KiB or
// 100 ms, so a consumer that draws and pauses per event costs the same for small reads as for
// large ones. What is left is handed on by flush() or at the end of the object.
class ZipByteCounter {
public:
    ZipByteCounter(const ZipProgressHandler& handler, QString name);
    ~ZipByteCounter() { flush(); }
    ZipByteCounter(const ZipByteCounter&) = delete;
    ZipByteCounter& operator=(const ZipByteCounter&) = delete;

    void add(qint64 bytes);
    void flush();

    static constexpr qint64 kBytesPerEvent = 512 * 1024;
    static constexpr qint64 kMillisecondsPerEvent = 100;

private:
    const ZipProgressHandler& m_handler;
    QString m_name;
    qint64 m_pending = 0;
    QElapsedTimer m_sinceEvent;
};
