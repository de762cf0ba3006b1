#include "mail/MailDateClock.h"

#include <ctime>
#include <limits>

namespace {

// The C library's offset from UTC, in seconds, at an instant.
int systemOffsetAt(qint64 msecs)
{
    const time_t seconds = static_cast<time_t>(msecs / 1000);
    tm local{};
    if (!localtime_r(&seconds, &local))
        return std::numeric_limits<int>::min();
    return static_cast<int>(local.tm_gmtoff);
}

QDateTime utcAt(qint64 msecs)
{
    return QDateTime::fromMSecsSinceEpoch(msecs, QTimeZone::utc());
}

} // namespace

MailDateClock::MailDateClock()
    : MailDateClock(QTimeZone::systemTimeZone(), [] { return QDateTime::currentMSecsSinceEpoch(); })
{}

MailDateClock::MailDateClock(const QTimeZone& zone, Instant instant) : m_zone(zone), m_instant(std::move(instant)) {}

QDateTime MailDateClock::now()
{
    const qint64 msecs = m_instant();
    if ((msecs >= m_spanStart && msecs < m_spanEnd) || knowOffsetAt(msecs))
        return QDateTime::fromMSecsSinceEpoch(msecs, Qt::OffsetFromUTC, m_offset);
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::LocalTime);
}

bool MailDateClock::knowOffsetAt(qint64 msecs)
{
    if (!m_zone.isValid())
        return false;
    const QDateTime at = utcAt(msecs);
    // A transition exactly at msecs starts the span; previousTransition gives those before.
    const QTimeZone::OffsetData previous = m_zone.previousTransition(at.addMSecs(1));
    const QTimeZone::OffsetData next = m_zone.nextTransition(at);
    const qint64 start =
        previous.atUtc.isValid() ? previous.atUtc.toMSecsSinceEpoch() : std::numeric_limits<qint64>::min();
    const qint64 end = next.atUtc.isValid() ? next.atUtc.toMSecsSinceEpoch() : std::numeric_limits<qint64>::max();
    const int offset = m_zone.offsetFromUtc(at);
    const bool agrees = systemOffsetAt(msecs) == offset &&
                        (end == std::numeric_limits<qint64>::max() || systemOffsetAt(end - 1000) == offset);
    if (!agrees) {
        m_zone = QTimeZone();
        m_spanStart = m_spanEnd = 0;
        return false;
    }
    m_spanStart = start;
    m_spanEnd = end;
    m_offset = offset;
    return true;
}
