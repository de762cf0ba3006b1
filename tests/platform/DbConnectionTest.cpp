#include "DbTestSchema.h"

#include "platform/DbError.h"
#include "platform/DbTable.h"
#include "support/FileModes.h"

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <functional>

namespace {

QString connectMessage(const QString& folder)
{
    DbConnection connection(QStringLiteral("AdsConnection1"), testSchema());
    connection.setConnectPath(folder);
    try {
        connection.connect();
    } catch (const EDatabaseError& e) {
        EXPECT_FALSE(connection.isConnected());
        return e.message();
    }
    return QStringLiteral("(connected)");
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// Makes path an SQLite file with one table of the given definition.
void writeSqliteFile(const QString& path, const char* createSql)
{
    sqlite3* handle = nullptr;
    ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &handle), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(handle, createSql, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(handle);
}

TEST(DbConnectionTest, RefusesWhatIsNoDatabaseOfTheSchema)
{
    QTemporaryDir dir;
    const QString folder = dir.path();
    EXPECT_EQ(connectMessage(QString()), QStringLiteral("AdsConnection1: No database folder is set"));
    EXPECT_EQ(connectMessage(QStringLiteral("  ")), QStringLiteral("AdsConnection1: No database folder is set"));
    EXPECT_EQ(connectMessage(folder + QStringLiteral("/missing")),
              QStringLiteral("AdsConnection1: The database folder \"%1/missing\" does not exist").arg(folder));
    writeFile(dir.filePath(QStringLiteral("plain")), QByteArray("x"));
    EXPECT_EQ(connectMessage(dir.filePath(QStringLiteral("plain"))),
              QStringLiteral("AdsConnection1: The database folder \"%1/plain\" is not a folder").arg(folder));
    QFile::remove(dir.filePath(QStringLiteral("plain")));
    EXPECT_EQ(connectMessage(folder),
              QStringLiteral("AdsConnection1: The table file \"Lists.ADT\" does not exist in \"%1\"").arg(folder));
    // Connecting never creates table files.
    EXPECT_TRUE(QDir(folder).isEmpty());

    writeFile(dir.filePath(QStringLiteral("Lists.ADT")), QByteArray("this is no database, just some text bytes "
                                                                    "long enough to fill a header page"));
    writeSqliteFile(dir.filePath(QStringLiteral("Items.ADT")),
                    "CREATE TABLE Items (ListID INTEGER, ID INTEGER PRIMARY KEY, Name TEXT, Done BOOLEAN)");
    EXPECT_EQ(connectMessage(folder), QStringLiteral("AdsConnection1: Lists.ADT: file is not a database"));

    QFile::remove(dir.filePath(QStringLiteral("Lists.ADT")));
    writeSqliteFile(dir.filePath(QStringLiteral("Lists.ADT")), "CREATE TABLE Other (x)");
    EXPECT_EQ(connectMessage(folder), QStringLiteral("AdsConnection1: Lists.ADT: the file holds no table \"Lists\""));

    QFile::remove(dir.filePath(QStringLiteral("Lists.ADT")));
    writeSqliteFile(dir.filePath(QStringLiteral("Lists.ADT")), "CREATE TABLE Lists (ID INTEGER, Caption TEXT)");
    EXPECT_EQ(connectMessage(folder), QStringLiteral("AdsConnection1: Lists.ADT: the table \"Lists\" has the columns "
                                                     "(ID, Caption) instead of (ID, Title)"));
}

TEST(DbConnectionTest, RewritesAMissingIndexFileAndEnsuresTheIndexes)
{
    TestDatabase db;
    db.connection.execute(QStringLiteral("Test"), QStringLiteral("DROP INDEX Items.LISTID"));
    db.connection.disconnect();
    ASSERT_TRUE(QFile::remove(db.file(QStringLiteral("Items.ADI"))));

    db.connection.connect();
    EXPECT_TRUE(QFileInfo::exists(db.file(QStringLiteral("Items.ADI"))));
    EXPECT_EQ(db.rows(QStringLiteral("SELECT name FROM Items.sqlite_master WHERE type = 'index' ORDER BY name")),
              QStringLiteral("LISTID"));
    // Connecting again while connected does nothing.
    db.connection.connect();
    EXPECT_TRUE(db.connection.isConnected());
}

TEST(DbConnectionTest, UsesARollbackJournalOnBothFiles)
{
    TestDatabase db;
    EXPECT_EQ(db.rows(QStringLiteral("PRAGMA main.journal_mode")), QStringLiteral("delete"));
    EXPECT_EQ(db.rows(QStringLiteral("PRAGMA Items.journal_mode")), QStringLiteral("delete"));
}

TEST(DbConnectionTest, RollbackUndoesDeletesInBothFilesWhenTheSecondFails)
{
    TestDatabase db;
    db.connection.execute(QStringLiteral("Test"), QStringLiteral("INSERT INTO Lists (Title) VALUES ('one')"));
    db.connection.execute(QStringLiteral("Test"), QStringLiteral("INSERT INTO Items (ListID, Name) VALUES (1, 'a')"));
    db.connection.execute(QStringLiteral("Test"), QStringLiteral("CREATE TEMP TRIGGER fail BEFORE DELETE ON Lists "
                                                                 "BEGIN SELECT RAISE(ABORT, 'injected'); END"));
    DbQuery items(db.connection, QStringLiteral("EmpfQuery"));
    items.setSql({QStringLiteral("DELETE FROM Items"), QStringLiteral("WHERE ListID = :ID")});
    items.param(0).setAsInteger(1);
    DbQuery lists(db.connection, QStringLiteral("AbsendQuery"));
    lists.setSql({QStringLiteral("DELETE FROM Lists"), QStringLiteral("WHERE ID = :ID")});
    lists.param(0).setAsInteger(1);
    try {
        db.connection.beginTransaction();
        items.execSql();
        lists.execSql();
        db.connection.commit();
        FAIL() << "the trigger must stop the second delete";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("AbsendQuery: injected"));
        ASSERT_TRUE(db.connection.inTransaction());
        db.connection.rollback();
    }
    EXPECT_FALSE(db.connection.inTransaction());
    EXPECT_EQ(db.rows(QStringLiteral("SELECT Title FROM Lists")), QStringLiteral("one"));
    EXPECT_EQ(db.rows(QStringLiteral("SELECT Name FROM Items")), QStringLiteral("a"));
}

TEST(DbConnectionTest, AFailedCommitLeavesTheTransactionRunning)
{
    TestDatabase db;
    const auto run = [&](const char* sql) { db.connection.execute(QStringLiteral("Test"), QString::fromLatin1(sql)); };
    run("PRAGMA foreign_keys = ON");
    run("CREATE TEMP TABLE parent (id INTEGER PRIMARY KEY)");
    run("CREATE TEMP TABLE child (pid REFERENCES parent(id) DEFERRABLE INITIALLY DEFERRED)");
    db.connection.beginTransaction();
    run("INSERT INTO child VALUES (5)");
    EXPECT_THROW(db.connection.commit(), EDatabaseError);
    EXPECT_TRUE(db.connection.inTransaction());
    EXPECT_THROW(db.connection.beginTransaction(), EDatabaseError);
    db.connection.rollback();
    EXPECT_FALSE(db.connection.inTransaction());
}

TEST(DbConnectionTest, TransactionGuardRollsBackUnlessCommitted)
{
    TestDatabase db;
    {
        DbTransaction guard(db.connection);
        db.connection.execute(QStringLiteral("Test"), QStringLiteral("INSERT INTO Lists (Title) VALUES ('gone')"));
    }
    {
        DbTransaction guard(db.connection);
        db.connection.execute(QStringLiteral("Test"), QStringLiteral("INSERT INTO Lists (Title) VALUES ('kept')"));
        guard.commit();
    }
    EXPECT_EQ(db.rows(QStringLiteral("SELECT Title FROM Lists")), QStringLiteral("kept"));
}

qint64 fileSize(const QString& path)
{
    return QFileInfo(path).size();
}

TEST(DbConnectionTest, PackShrinksAFileAfterDeletesAndHoldsTheLockMeanwhile)
{
    TestDatabase db;
    db.connection.execute(QStringLiteral("Test"),
                          QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
                                         "INSERT INTO Items (ListID, Name) SELECT i, 'item' FROM n"));
    db.connection.execute(QStringLiteral("Test"), QStringLiteral("DELETE FROM Items"));
    const qint64 before = fileSize(db.file(QStringLiteral("Items.ADT")));

    DbTable table(db.connection, QStringLiteral("AdsTable1"));
    table.setTableName(QStringLiteral("Items"));
    EXPECT_THROW(table.pack(), EDatabaseError);
    table.setExclusive(true);
    table.open();

    // Another connection can not even read the file while it is open exclusively.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(db.file(QStringLiteral("Items.ADT")).toUtf8().constData(), &other), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(other, "SELECT count(*) FROM Items", nullptr, nullptr, nullptr), SQLITE_BUSY);

    table.pack();
    table.close();
    EXPECT_LT(fileSize(db.file(QStringLiteral("Items.ADT"))), before / 4);
    EXPECT_EQ(sqlite3_exec(other, "SELECT count(*) FROM Items", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(other);
}

TEST(DbConnectionTest, CopiesTableFilesThatPassTheCheck)
{
    TestDatabase db;
    db.connection.execute(QStringLiteral("Test"), QStringLiteral("INSERT INTO Lists (Title) VALUES ('copied')"));
    QTemporaryDir target;
    for (const DbTableDef& table : testSchema().tables) {
        db.connection.copyTableFile(table.name, target.filePath(table.tableFileName()));
        QFile::copy(db.file(table.indexFileName()), target.filePath(table.indexFileName()));
    }
    // Copying again replaces the copy.
    db.connection.copyTableFile(QStringLiteral("Lists"), target.filePath(QStringLiteral("Lists.ADT")));

    const DbCheckResult good = DbConnection::checkFolder(target.path(), testSchema());
    EXPECT_TRUE(good.ok) << good.message.toStdString();
    DbConnection copy(QStringLiteral("Copy"), testSchema());
    copy.setConnectPath(target.path());
    copy.connect();
    DbQuery query(copy, QStringLiteral("Probe"));
    query.setSql({QStringLiteral("SELECT Title FROM Lists")});
    query.open();
    EXPECT_EQ(query.fieldByName(QStringLiteral("Title")).asString(), QStringLiteral("copied"));
    copy.disconnect();

    // A damaged file fails the check with a message naming it.
    QFile file(target.filePath(QStringLiteral("Items.ADT")));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.seek(0);
    file.write(QByteArray(100, 'x'));
    file.close();
    const DbCheckResult bad = DbConnection::checkFolder(target.path(), testSchema());
    EXPECT_FALSE(bad.ok);
    EXPECT_EQ(bad.message, QStringLiteral("DatabaseCheck: Items.ADT: file is not a database"));
    EXPECT_FALSE(DbConnection::checkFolder(target.path() + QStringLiteral("/none"), testSchema()).ok);
}

TEST(DbConnectionTest, CreatesOnlyWhereNoTableFileExists)
{
    TestDatabase db;
    EXPECT_THROW(DbConnection::createDatabaseFiles(QStringLiteral("Create"), db.folder(), testSchema()),
                 EDatabaseError);
    // The existing database is untouched.
    EXPECT_TRUE(DbConnection::checkFolder(db.folder(), testSchema()).ok);
}

TEST(DbConnectionTest, TheFilesItMakesAreForTheOwnerOnlyJournalsIncluded)
{
    TestDatabase db;
    for (const DbTableDef& table : testSchema().tables) {
        EXPECT_EQ(FileMode(db.file(table.tableFileName())), 0600) << table.name.toStdString();
        EXPECT_EQ(FileMode(db.file(table.indexFileName())), 0600) << table.name.toStdString();
    }
    // SQLite gives a journal the rights of its table file.
    db.connection.beginTransaction();
    db.connection.execute(QStringLiteral("Test"), QStringLiteral("INSERT INTO Lists (Title) VALUES ('a')"));
    db.connection.execute(QStringLiteral("Test"), QStringLiteral("INSERT INTO Items (Name) VALUES ('b')"));
    for (const QString& journal : {QStringLiteral("Lists.ADT-journal"), QStringLiteral("Items.ADT-journal")})
        EXPECT_EQ(FileMode(db.file(journal)), 0600) << journal.toStdString();
    db.connection.rollback();

    QTemporaryDir target;
    const QString copy = target.filePath(QStringLiteral("Lists.ADT"));
    db.connection.copyTableFile(QStringLiteral("Lists"), copy);
    EXPECT_EQ(FileMode(copy), 0600);
    EXPECT_EQ(db.rows(QStringLiteral("SELECT count(*) FROM Lists")), QStringLiteral("0"));
}

TEST(DbConnectionTest, AFolderThatVanishesWhileConnectedIsNamedAsGone)
{
    struct Case {
        const char* name;
        std::function<void(const QString& folder)> takeAway;
        QString expected; // %1: the folder
    };
    const Case cases[] = {
        {"folder removed", [](const QString& folder) { QDir(folder).removeRecursively(); },
         QStringLiteral("The database folder \"%1\" is gone: it was removed or renamed while the program was "
                        "running")},
        {"folder renamed", [](const QString& folder) { QDir().rename(folder, folder + QStringLiteral("-alt")); },
         QStringLiteral("The database folder \"%1\" is gone: it was removed or renamed while the program was "
                        "running")},
        {"one file removed", [](const QString& folder) { QFile::remove(folder + QStringLiteral("/Items.ADT")); },
         QStringLiteral("The table file \"Items.ADT\" is gone from \"%1\": it was removed or renamed while the "
                        "program was running")},
    };
    for (const Case& c : cases) {
        QTemporaryDir parent;
        const QString folder = parent.filePath(QStringLiteral("Datenbank"));
        ASSERT_TRUE(QDir().mkpath(folder));
        DbConnection::createDatabaseFiles(QStringLiteral("Create"), folder, testSchema());
        DbConnection connection(QStringLiteral("AdsConnection1"), testSchema());
        connection.setConnectPath(folder);
        connection.connect();
        c.takeAway(folder);
        QString message;
        try {
            connection.execute(QStringLiteral("EmpfQuery"),
                               QStringLiteral("INSERT INTO Items (ListID, Name) VALUES (1, 'x')"));
        } catch (const EDatabaseError& e) {
            message = e.message();
        }
        EXPECT_EQ(message, QStringLiteral("EmpfQuery: ") + c.expected.arg(folder)) << c.name;

        // A row posted through a live result says the same.
        message.clear();
        DbQuery query(connection, QStringLiteral("EmpfQuery"));
        try {
            query.setSql({QStringLiteral("SELECT * FROM Items")});
            query.open();
            query.append();
            query.fieldByName(QStringLiteral("Name")).setAsString(QStringLiteral("y"));
            query.post();
        } catch (const EDatabaseError& e) {
            message = e.message();
        }
        EXPECT_EQ(message, QStringLiteral("EmpfQuery: ") + c.expected.arg(folder)) << c.name << " (post)";
    }
}

} // namespace
