#include "FakeBackupProgress.h"
#include "OtherProgramWriting.h"
#include "backup/CopyAndPack.h"
#include "core/DMTestDatabase.h"
#include "platform/DbTable.h"
#include "support/QtPrinters.h"

#include <QDir>

namespace {

// A backup while another program holds the database under an exclusive lock ends with a box
// that says so in German, as the start's connect does; the database's own text is no reason.
TEST(BackupTrialTest, ABackupOfADatabaseAnotherProgramLocksSaysSoInGerman)
{
    NewsTestDatabase db;
    DbConnection copy{QStringLiteral("AdsConnection2"), newsDatabaseSchema()};
    DbTable packer{copy, QStringLiteral("AdsTable1")};
    const TBackupDatabase handles{db.connection, copy, packer, {}};
    FakeBackupProgress progress;
    const QString dest = db.env.root() + QStringLiteral("/Tmp");
    ASSERT_TRUE(QDir().mkpath(dest));
    OtherProgramWriting writer(db.folder() + QStringLiteral("/Adressen.ADT"), QStringLiteral("BEGIN EXCLUSIVE"));
    ASSERT_TRUE(writer.holding());

    const BackupResult result = CopyAndPackDatabase(handles, progress, dest);

    EXPECT_EQ(writer.finish(), QByteArrayLiteral("Neu"));
    EXPECT_FALSE(result.succeeded());
    const QString box = BackupResultBox(result).text;
    EXPECT_TRUE(box.contains(QStringLiteral("gesperrt"))) << box.toStdString();
    EXPECT_FALSE(box.contains(QStringLiteral("database is locked"))) << box.toStdString();
}

} // namespace
