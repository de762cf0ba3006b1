#include "FakeBackupProgress.h"
#include "OtherProgramWriting.h"
#include "backup/CopyAndPack.h"
#include "core/DMTestDatabase.h"
#include "platform/DbTable.h"
#include "support/QtPrinters.h"

#include <QDir>

namespace {

// A backup while another program holds the database under an exclusive lock ends with a box
// that says so in German and names the holder, as the start's connect does; the database's own
// text follows it.
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
    const QString box = BackupResultBox(result).text;
    const QString expectedStart =
        QStringLiteral("#141 Die Datei \"Adressen.ADT\" der Datenbank im Verzeichnis \"") + db.folder() +
        QStringLiteral("\" wird von einem anderen Programm gesperrt (Prozess ") + QString::number(writer.processId()) +
        QStringLiteral(
            " (python3)). Bitte beenden Sie das andere Programm und versuchen Sie es danach erneut.\r\n\r\n");

    EXPECT_EQ(writer.finish(), QByteArrayLiteral("Neu"));
    EXPECT_FALSE(result.succeeded());
    EXPECT_TRUE(box.startsWith(expectedStart)) << box.toStdString();
}

} // namespace
