#pragma once

#include <QDateTime>
#include <QTimeZone>

#include <functional>

// The local time for the Date: header of a run's mails (RFC 5322 3.3), without reading the
// system's time zone for every mail. The zone is read once, when the clock is made; each now()
// takes the current instant and keeps the zone's offset only until the zone's next transition,
// so a run across a change to or from summer time dates every mail with the offset in force
// when it is made. Each offset the zone gives is first checked against the C library's for
// that instant and the end of its span; where they differ, or the zone cannot be read, every
// now() asks the C library, as QDateTime::currentDateTime() does. One clock per run, used on
// one thread.
class MailDateClock {
public:
    using Instant = std::function<qint64()>; // milliseconds since the epoch, UTC

    // The system's zone and the real clock.
    MailDateClock();
    // The zone and the instants given (tests).
    MailDateClock(const QTimeZone& zone, Instant instant);

    // The current instant at the local offset (a QDateTime with that fixed offset).
    QDateTime now();

private:
    bool knowOffsetAt(qint64 msecs);

    QTimeZone m_zone; // invalid: the C library decides every offset
    Instant m_instant;
    // [m_spanStart, m_spanEnd): the instants for which m_offset holds; empty at first.
    qint64 m_spanStart = 0;
    qint64 m_spanEnd = 0;
    int m_offset = 0;
};
