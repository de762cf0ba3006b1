#pragma once

#include <QByteArray>
#include <QFile>

// A figure of /proc/self/status in KiB ("VmRSS", "VmHWM"); 0 where it cannot be read.
inline long processStatusKilobytes(const QByteArray& field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray prefix = field + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').first().toLong();
    }
    return 0;
}

// The resident memory of this process now (VmRSS), in KiB.
inline long residentKilobytes()
{
    return processStatusKilobytes("VmRSS");
}

// The peak resident memory of this program since it started (VmHWM), in KiB. Unlike the peak of
// getrusage, which Linux carries over an exec, it does not include what the parent held.
inline long peakResidentKilobytes()
{
    return processStatusKilobytes("VmHWM");
}
