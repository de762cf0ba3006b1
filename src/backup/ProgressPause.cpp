#include "backup/ProgressPause.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace {
constexpr qint64 kSleepMs = 20;
constexpr qint64 kSleepIntervalMs = 250;
QElapsedTimer g_sinceSleep;
qint64 g_sleptMs = 0;
} // namespace

void ProgressPause()
{
    QCoreApplication::processEvents();
    if (g_sinceSleep.isValid() && g_sinceSleep.elapsed() < kSleepIntervalMs)
        return;
    QElapsedTimer slept;
    slept.start();
    QThread::msleep(kSleepMs);
    g_sleptMs += slept.elapsed();
    g_sinceSleep.start();
}

qint64 ProgressPauseSleptMs()
{
    return g_sleptMs;
}
