#include "backup/RestoreRecord.h"

#include "platform/AppPaths.h"
#include "platform/ZipTestSupport.h"
#include "support/QtPrinters.h"
#include "support/TestEnvironment.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

// Whatever a folder's name holds comes back as it was written.
TEST(RestoreRecordTest, EveryFolderNameComesBackAsWritten)
{
    TestEnvironment env;
    ASSERT_TRUE(QDir().mkpath(AppPaths::workFolder()));
    const QList<TRestoreRecord> records{
        {TRestoreRecord::Step::MovingAside, QStringLiteral("/home/anna/Datenbank"), QString()},
        {TRestoreRecord::Step::Complete, QStringLiteral("/home/anna/Größe & Maß/Daten bank"),
         QStringLiteral("/home/anna/ADS_OLD_20261211_013000_2")},
        {TRestoreRecord::Step::Replacing, QStringLiteral("/d/a=b%41\nstep=complete\r\n"),
         QStringLiteral("/d/keptAside=x\n")},
        {TRestoreRecord::Step::MovingAside, QStringLiteral("/home/anna/Neu"), QString(), false},
    };
    for (const TRestoreRecord& record : records) {
        SCOPED_TRACE(record.databaseFolder.toStdString());
        ASSERT_TRUE(RestoreRecord::write(record));
        EXPECT_EQ(RestoreRecord::read(), record);
    }
    EXPECT_TRUE(RestoreRecord::remove());
    EXPECT_EQ(RestoreRecord::read(), std::nullopt);
    EXPECT_TRUE(RestoreRecord::remove());
}

// A file that is no record is not taken for one.
TEST(RestoreRecordTest, AFileThatIsNoRecordIsNone)
{
    TestEnvironment env;
    ASSERT_TRUE(QDir().mkpath(AppPaths::workFolder()));
    for (const QByteArray& text :
         {QByteArray(), QByteArray("step=complete\n"), QByteArray("step=later\ndatabase=%2Fd\n"),
          QByteArray("\x00\xff garbage", 10), QByteArray("step=complete\ndatabase=Datenbank\n"),
          QByteArray("step=moving-aside\ndatabase=.\n"), QByteArray("step=complete\ndatabase=%20/d\n")}) {
        SCOPED_TRACE(text.toStdString());
        writeText(AppPaths::restoreRecordFile(), text);
        EXPECT_EQ(RestoreRecord::read(), std::nullopt);
    }
}

// A record written before it told whether there was a database folder had one.
TEST(RestoreRecordTest, ARecordWithoutThePreviousFolderLineHadADatabase)
{
    TestEnvironment env;
    ASSERT_TRUE(QDir().mkpath(AppPaths::workFolder()));
    writeText(AppPaths::restoreRecordFile(), "step=moving-aside\ndatabase=%2Fd\nkeptAside=\n");
    const TRestoreRecord expected{TRestoreRecord::Step::MovingAside, QStringLiteral("/d"), QString(), true};
    EXPECT_EQ(RestoreRecord::read(), expected);
}

} // namespace
