#include "backup/DatabaseRecovery.h"
#include "core/DMTestDatabase.h"
#include "platform/AppPaths.h"
#include "platform/ZipTestSupport.h"

#include <QDir>
#include <QFileInfo>

namespace {

// A database beside an intact "ADS_OLD" whose recipients' table has a garbled leaf page, made by
// tests/tools/damage_table_page.py with the given arguments after the table file.
void damageBesideOld(const NewsTestDatabase& db, const QStringList& arguments)
{
    const QString old = AppPaths::oldDatabaseFolder();
    ASSERT_TRUE(QDir().mkpath(old));
    for (const QString& name : QDir(db.folder()).entryList(QDir::Files))
        ASSERT_TRUE(QFile::copy(db.folder() + u'/' + name, old + u'/' + name));
    const QString table = db.folder() + QStringLiteral("/Adressen.ADT");
    const ToolRun spoil =
        runTool(QStringLiteral("/usr/bin/python3"),
                QStringList{QStringLiteral(KUB_TEST_TOOLS "/damage_table_page.py"), table} + arguments, QString());
    ASSERT_EQ(spoil.exitCode, 0) << spoil.output.toStdString();
}

// Beside the damaged table file lies the journal of a write another program did not finish: its
// rollback leaves the garbled page as it is, so the start must not call the database complete
// and "ADS_OLD", the only sound copy, free to delete.
TEST(RecoveryBeneathJournalTest, ADamagedTableBeneathAHotJournalIsNotCalledComplete)
{
    NewsTestDatabase db;
    db.connection.disconnect();
    damageBesideOld(db, {QStringLiteral("--hot-journal")});
    ASSERT_TRUE(QFileInfo::exists(db.folder() + QStringLiteral("/Adressen.ADT-journal")));

    const TDatabaseRecovery recovery = RecoverDatabaseFolder(db.folder(), newsDatabaseSchema());

    const QString box = DatabaseRecoveryText(recovery);
    EXPECT_NE(recovery.kind, TDatabaseRecovery::Kind::OldLeft) << box.toStdString();
    EXPECT_FALSE(box.contains(QStringLiteral("Die Datenbank ist vollständig"))) << box.toStdString();
    EXPECT_FALSE(box.contains(QStringLiteral("kann gelöscht werden"))) << box.toStdString();
}

// A page garbled all over yields a hundred findings of the engine: the start's box still fits on
// a screen, with what the start did in it.
TEST(RecoveryBeneathJournalTest, TheBoxOnABadlyDamagedTableStaysReadable)
{
    NewsTestDatabase db;
    db.connection.disconnect();
    damageBesideOld(db, {});

    const TDatabaseRecovery recovery = RecoverDatabaseFolder(db.folder(), newsDatabaseSchema());

    ASSERT_EQ(recovery.kind, TDatabaseRecovery::Kind::Recovered);
    const QString box = DatabaseRecoveryText(recovery);
    EXPECT_TRUE(box.contains(QStringLiteral(" wurde wieder nach "))) << box.toStdString();
    EXPECT_LE(box.count(u'\n'), 20) << box.toStdString();
}

} // namespace
