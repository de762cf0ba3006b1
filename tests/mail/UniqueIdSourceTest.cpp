#include "mail/UniqueIdSource.h"

#include <QList>
#include <QSet>

#include <gtest/gtest.h>

namespace {

// Counts how often the host name is asked for.
class CountingIds final : public TUniqueIdSource {
public:
    explicit CountingIds(QString host) : m_host(std::move(host)) {}
    QString NewGuid() override { return QStringLiteral("0000000%1-AAAA-BBBB-CCCC-DDDDDDDDDDDD").arg(++m_guids); }
    QString HostName() const override
    {
        ++hostAsked;
        return m_host;
    }
    mutable int hostAsked = 0;

private:
    QString m_host;
    int m_guids = 0;
};

} // namespace

// A source asks for the host name once, at its first id, and every id of the run carries the
// same host part, reduced to what an id may hold.
TEST(UniqueIdSource, AsksForTheHostOnceAndReducesIt)
{
    struct Case {
        QString host;
        QString part;
    };
    const QList<Case> cases{
        {QStringLiteral("mail-01.example.org"), QStringLiteral("mail-01.example.org")},
        {QStringLiteral("Büro_PC 2!"), QStringLiteral("BroPC2")},
        {QStringLiteral("äöü"), QStringLiteral("localhost")},
        {QString(), QStringLiteral("localhost")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.host.toStdString());
        CountingIds ids(c.host);
        QSet<QString> seen;
        for (int i = 1; i <= 3; ++i) {
            const QString id = ids.NewUniqueId();
            EXPECT_EQ(id, QStringLiteral("0000000%1-AAAA-BBBB-CCCC-DDDDDDDDDDDD@").arg(2 * i - 1) + c.part);
            const QByteArray boundary = ids.NewBoundary();
            EXPECT_EQ(boundary,
                      (QStringLiteral("0000000%1-AAAA-BBBB-CCCC-DDDDDDDDDDDD.").arg(2 * i) + c.part).toLatin1());
            seen << id << QString::fromLatin1(boundary);
        }
        EXPECT_EQ(seen.size(), 6);
        EXPECT_EQ(ids.hostAsked, 1);
    }
}

// A boundary stays within RFC 2046's 70 characters however long the host name is.
TEST(UniqueIdSource, BoundaryOfALongHostStaysWithin70)
{
    CountingIds ids(QString(100, u'h'));
    const QByteArray boundary = ids.NewBoundary();
    EXPECT_EQ(boundary.size(), 70);
    EXPECT_TRUE(boundary.startsWith("00000001-AAAA-BBBB-CCCC-DDDDDDDDDDDD.hhh"));
    EXPECT_EQ(ids.NewUniqueId(), QStringLiteral("00000002-AAAA-BBBB-CCCC-DDDDDDDDDDDD@") + QString(100, u'h'));
}
