#pragma once

#include <QElapsedTimer>

// Tells a loop on the main thread when to draw its progress again: about every 50 ms rather
// than per row, so drawing costs the same whatever the number of rows.
class ProgressPacer {
public:
    ProgressPacer() { m_timer.start(); }

    // True at most once per interval; the first call is already due.
    bool due()
    {
        if (m_first || m_timer.elapsed() >= kIntervalMs) {
            m_first = false;
            m_timer.restart();
            return true;
        }
        return false;
    }

private:
    static constexpr qint64 kIntervalMs = 50;
    QElapsedTimer m_timer;
    bool m_first = true;
};
