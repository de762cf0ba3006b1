#include "mail/MailDateClock.h"

#include "mail/SmtpMailTransport.h"

#include <QList>

#include <clocale>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <locale.h>
#include <optional>

namespace {

// The process's TZ for the C library and Qt while it lives.
class ProcessZone {
public:
    explicit ProcessZone(const char* tz)
    {
        if (const char* old = std::getenv("TZ"))
            m_old = old;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ProcessZone()
    {
        if (m_old)
            setenv("TZ", m_old->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    ProcessZone(const ProcessZone&) = delete;
    ProcessZone& operator=(const ProcessZone&) = delete;

private:
    std::optional<std::string> m_old;
};

qint64 utcMSecs(int year, int month, int day, int hour, int minute, int second)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second), QTimeZone::utc()).toMSecsSinceEpoch();
}

// The C library's own Date: value for an instant in the process's zone (RFC 5322 3.3).
QByteArray glibcDate(qint64 msecs)
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    const time_t seconds = static_cast<time_t>(msecs / 1000);
    tm local{};
    localtime_r(&seconds, &local);
    char text[64];
    const size_t size = strftime_l(text, sizeof text, "%a, %-d %b %Y %H:%M:%S %z", &local, c);
    return QByteArray(text, static_cast<qsizetype>(size));
}

// A clock whose instants are taken from a list, one per now().
struct ListedInstants {
    QList<qint64> instants;
    qsizetype next = 0;
};

MailDateClock clockOver(const char* zone, ListedInstants& listed)
{
    return MailDateClock(QTimeZone(zone), [&listed] { return listed.instants.at(listed.next++); });
}

} // namespace

// One clock serves a whole run: each mail is dated with the offset in force at its own instant,
// on both sides of every change to and from summer time, also when the system clock is set back.
TEST(MailDateClock, EachMailGetsTheOffsetOfItsInstant)
{
    struct Row {
        qint64 instant;
        const char* date;
    };
    struct Case {
        const char* zone;
        QList<Row> rows;
    };
    const QList<Case> cases{
        {"Europe/Berlin",
         {{utcMSecs(2026, 3, 29, 0, 59, 59), "Sun, 29 Mar 2026 01:59:59 +0100"},
          {utcMSecs(2026, 3, 29, 1, 0, 0), "Sun, 29 Mar 2026 03:00:00 +0200"},
          {utcMSecs(2026, 10, 25, 0, 59, 59), "Sun, 25 Oct 2026 02:59:59 +0200"},
          {utcMSecs(2026, 10, 25, 1, 0, 0), "Sun, 25 Oct 2026 02:00:00 +0100"},
          // The system clock set back by a day: summer time again.
          {utcMSecs(2026, 10, 24, 1, 0, 0), "Sat, 24 Oct 2026 03:00:00 +0200"},
          {utcMSecs(2026, 12, 8, 9, 11, 12), "Tue, 8 Dec 2026 10:11:12 +0100"},
          // Past the zone file's last transition the zone's rule goes on.
          {utcMSecs(2040, 7, 1, 12, 0, 0), "Sun, 1 Jul 2040 14:00:00 +0200"}}},
        {"America/St_Johns",
         {{utcMSecs(2026, 3, 8, 5, 29, 59), "Sun, 8 Mar 2026 01:59:59 -0330"},
          {utcMSecs(2026, 3, 8, 5, 30, 0), "Sun, 8 Mar 2026 03:00:00 -0230"}}},
        {"Australia/Lord_Howe",
         {{utcMSecs(2026, 4, 4, 14, 59, 59), "Sun, 5 Apr 2026 01:59:59 +1100"},
          {utcMSecs(2026, 4, 4, 15, 0, 0), "Sun, 5 Apr 2026 01:30:00 +1030"}}},
        {"Asia/Kolkata", {{utcMSecs(2026, 12, 31, 18, 30, 0), "Fri, 1 Jan 2027 00:00:00 +0530"}}},
        {"UTC", {{utcMSecs(2026, 2, 28, 23, 59, 59), "Sat, 28 Feb 2026 23:59:59 +0000"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.zone);
        const ProcessZone zone(c.zone);
        ListedInstants listed;
        for (const Row& row : c.rows)
            listed.instants.append(row.instant);
        MailDateClock clock = clockOver(c.zone, listed);
        for (const Row& row : c.rows) {
            const QDateTime now = clock.now();
            EXPECT_EQ(now.toMSecsSinceEpoch(), row.instant);
            EXPECT_EQ(Rfc5322Date(now), QByteArray(row.date));
            // The offset came from the zone read once, not from the C library for this mail.
            EXPECT_NE(now.timeSpec(), Qt::LocalTime);
        }
    }
}

// Hour by hour over two years, through one clock, the dates are those of the C library, in
// zones with odd offsets, half-hour changes, summer time below standard time (Dublin) and
// several changes a year (Casablanca).
TEST(MailDateClock, AgreesWithTheCLibraryHourByHour)
{
    for (const char* name : {"Europe/Berlin", "America/New_York", "Australia/Lord_Howe", "America/St_Johns",
                             "Europe/Dublin", "Africa/Casablanca", "Pacific/Chatham", "Asia/Kathmandu"}) {
        SCOPED_TRACE(name);
        const ProcessZone zone(name);
        ListedInstants listed;
        // Seven minutes past each hour, so the half-hour and 45-minute changes fall between.
        for (qint64 t = utcMSecs(2026, 1, 1, 0, 7, 0); t < utcMSecs(2028, 1, 1, 0, 0, 0); t += 3600 * 1000)
            listed.instants.append(t);
        MailDateClock clock = clockOver(name, listed);
        int wrong = 0;
        for (const qint64 instant : listed.instants) {
            const QDateTime now = clock.now();
            const QByteArray date = Rfc5322Date(now);
            if ((date != glibcDate(instant) || now.timeSpec() == Qt::LocalTime) && ++wrong <= 3)
                ADD_FAILURE() << date.constData() << " instead of " << glibcDate(instant).constData();
        }
        EXPECT_EQ(wrong, 0);
    }
}

// The clock of a run reads the zone the system is set to, whether by a zone name, a rule in TZ
// or nothing it knows; where the zone given to it and the C library differ, the C library's
// offset is the one written.
TEST(MailDateClock, FollowsTheSystemsZone)
{
    struct Case {
        const char* tz;
        bool readable; // by Qt: else every date comes from the C library
    };
    for (const Case& c :
         {Case{"Europe/Berlin", true}, Case{":Europe/Berlin", true}, Case{"CET-1CEST,M3.5.0,M10.5.0/3", true},
          Case{"America/St_Johns", true}, Case{"UTC", true}, Case{"<+0330>-3:30", true}, Case{"Nowhere/City", false}}) {
        SCOPED_TRACE(c.tz);
        const ProcessZone zone(c.tz);
        MailDateClock clock;
        for (int i = 0; i < 3; ++i) {
            const QDateTime now = clock.now();
            EXPECT_EQ(Rfc5322Date(now), glibcDate(now.toMSecsSinceEpoch()));
            EXPECT_EQ(now.timeSpec() != Qt::LocalTime, c.readable);
        }
    }
    {
        SCOPED_TRACE("zone and C library differ");
        const ProcessZone zone("America/New_York");
        ListedInstants listed{{utcMSecs(2026, 7, 1, 12, 0, 0), utcMSecs(2026, 12, 1, 12, 0, 0)}};
        MailDateClock clock = clockOver("Europe/Berlin", listed);
        EXPECT_EQ(Rfc5322Date(clock.now()), QByteArray("Wed, 1 Jul 2026 08:00:00 -0400"));
        EXPECT_EQ(Rfc5322Date(clock.now()), QByteArray("Tue, 1 Dec 2026 07:00:00 -0500"));
    }
}
