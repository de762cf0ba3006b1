#include "core/DM.h"

#include "DMTestDatabase.h"
#include "desktop/MessageBoxes.h"
#include "desktop/ScreenCursor.h"
#include "platform/AppPaths.h"
#include "support/FileModes.h"
#include "support/LockingProcess.h"

#include <QDir>
#include <QFileInfo>

namespace {

struct FlagSpy : TDatabaseAvailability {
    void setDatabaseUnavailable(bool value) override
    {
        unavailable = value;
        ++calls;
    }
    bool unavailable = false;
    int calls = 0;
};

class DMTest : public ::testing::Test {
protected:
    void pointSettingsAt(const QString& folder)
    {
        db.env.writeStandardRegistry({}, QStringLiteral("\"DBPath\"=\"%1\"\n").arg(folder));
    }

    NewsTestDatabase db;
    MessageBoxRecorder boxes;
    FlagSpy flag;
};

TEST_F(DMTest, ConnectsToTheFolderOfTheSettings)
{
    pointSettingsAt(db.folder());
    TDM2 dm(flag);
    EXPECT_TRUE(dm.ok());
    EXPECT_TRUE(dm.AdsConnection1.isConnected());
    EXPECT_EQ(dm.AdsConnection1.connectPath(), db.folder());
    EXPECT_EQ(flag.calls, 0);
    EXPECT_TRUE(boxes.texts().isEmpty());
    EXPECT_EQ(dm.EmpfQuery.sql(), QStringList{QStringLiteral("SELECT * FROM Adressen;")});
    EXPECT_EQ(dm.AbsendQuery.sql(), QStringList{QStringLiteral("SELECT * FROM Verfasser")});
    EXPECT_FALSE(dm.EmpfQuery.isOpen());
    EXPECT_FALSE(dm.AdsConnection2.isConnected());
    EXPECT_TRUE(dm.AdsTable1.exclusive());
}

TEST_F(DMTest, ADatabaseFolderOthersCouldReadIsNarrowedBeforeConnecting)
{
    const QStringList files{QStringLiteral("Verfasser.ADT"), QStringLiteral("Verfasser.ADI"),
                            QStringLiteral("Adressen.ADT"), QStringLiteral("Adressen.ADI")};
    db.connection.disconnect();
    ASSERT_TRUE(SetFileMode(db.folder(), 0755));
    for (const QString& file : files)
        ASSERT_TRUE(SetFileMode(db.folder() + u'/' + file, 0644));
    pointSettingsAt(db.folder());
    TDM2 dm(flag);
    EXPECT_TRUE(dm.AdsConnection1.isConnected());
    EXPECT_EQ(FileMode(db.folder()), 0700);
    for (const QString& file : files)
        EXPECT_EQ(FileMode(db.folder() + u'/' + file), 0600) << file.toStdString();
}

TEST_F(DMTest, ASettingsFailureAsksTheProgramToEnd)
{
    db.env.writeRegistry(QStringLiteral("[HKEY_LOCAL_MACHINE\\Software\\KUB\\News]\n"));
    TDM2 dm(flag);
    EXPECT_FALSE(dm.ok());
    EXPECT_FALSE(dm.AdsConnection1.isConnected());
    EXPECT_EQ(boxes.texts(),
              QStringList{QStringLiteral("Werte für den Datenbankzugriff konnten nicht gelesen werden!")});
    EXPECT_EQ(flag.calls, 0);
}

TEST_F(DMTest, AFailedConnectShowsItsMessageAndSetsTheFlag)
{
    struct Case {
        QString folder;
        QString message;
    };
    const QString missing = db.env.root() + QStringLiteral("/Fehlt");
    const QString bare = db.env.root() + QStringLiteral("/Leer");
    QDir().mkpath(bare);
    const QString notAFolder = db.env.root() + QStringLiteral("/Datei");
    ASSERT_TRUE(QFile(notAFolder).open(QIODevice::WriteOnly));
    const Case cases[] = {
        {QString(), QStringLiteral("#49 AdsConnection1: No database folder is set")},
        {missing, QStringLiteral("#49 AdsConnection1: The database folder \"%1\" does not exist").arg(missing)},
        {notAFolder, QStringLiteral("#49 AdsConnection1: The database folder \"%1\" is not a folder").arg(notAFolder)},
        {bare,
         QStringLiteral("#49 AdsConnection1: The table file \"Verfasser.ADT\" does not exist in \"%1\"").arg(bare)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder.toStdString());
        boxes.clear();
        FlagSpy caseFlag;
        pointSettingsAt(c.folder);
        TDM2 dm(caseFlag);
        EXPECT_TRUE(dm.ok());
        EXPECT_FALSE(dm.AdsConnection1.isConnected());
        EXPECT_TRUE(caseFlag.unavailable);
        ASSERT_EQ(boxes.boxes().size(), 1);
        EXPECT_EQ(boxes.boxes().first().text, c.message);
        EXPECT_EQ(boxes.boxes().first().icon, MsgIcon::Error);
    }
    EXPECT_TRUE(QDir(bare).isEmpty());
}

// Another program holds the recipients' file: the box says so in German and names it before the
// engine's own message; once it lets go, a reconnect succeeds and the box is not shown again.
TEST_F(DMTest, AConnectThatMeetsALockNamesWhoHoldsIt)
{
    db.connection.disconnect();
    LockingProcess holder;
    ASSERT_TRUE(holder.lock(db.folder() + QStringLiteral("/Adressen.ADT"))) << holder.error().toStdString();
    pointSettingsAt(db.folder());
    TDM2 dm(flag);
    EXPECT_TRUE(flag.unavailable);
    ASSERT_EQ(boxes.boxes().size(), 1);
    const QString text = boxes.boxes().first().text;
    const QString expectedStart =
        QStringLiteral("#49 Die Datei \"Adressen.ADT\" der Datenbank im Verzeichnis \"") + db.folder() +
        QStringLiteral("\" wird von einem anderen Programm gesperrt (Prozess ") + QString::number(holder.processId()) +
        QStringLiteral(" (python3)). Bitte beenden Sie das andere Programm und starten Sie "
                       "kubNEWSLETTER danach erneut.\r\n\r\nAdsConnection1: ");
    EXPECT_TRUE(text.startsWith(expectedStart)) << text.toStdString();
    EXPECT_EQ(boxes.boxes().first().icon, MsgIcon::Error);

    ASSERT_TRUE(holder.release());
    boxes.clear();
    EXPECT_TRUE(dm.Reconnect());
    EXPECT_TRUE(boxes.texts().isEmpty());
}

TEST_F(DMTest, NoSenderExistsLeavesTheSendersOpenByFirma)
{
    pointSettingsAt(db.folder());
    TDM2 dm(flag);
    EXPECT_FALSE(dm.NoSenderExists());
    ASSERT_TRUE(dm.AbsendQuery.isOpen());
    EXPECT_EQ(dm.AbsendQuery.sql(),
              (QStringList{QStringLiteral("SELECT * FROM Verfasser"), QStringLiteral("ORDER BY Firma")}));
    EXPECT_EQ(NewsTestDatabase::rowsOf(dm.AbsendQuery).section(u',', 0, 1), QStringLiteral("2,Agentur Süd"));
    EXPECT_EQ(dm.AbsendSource.rowCount(), 2);

    db.connection.execute(QStringLiteral("Test"), QStringLiteral("DELETE FROM Verfasser"));
    EXPECT_TRUE(dm.NoSenderExists());
    EXPECT_TRUE(boxes.texts().isEmpty());
}

TEST_F(DMTest, NoSenderExistsReportsAFailureAsFalse)
{
    pointSettingsAt(db.folder());
    TDM2 dm(flag);
    dm.AdsConnection1.disconnect();
    ScreenCursor::set(CursorShape::Default);
    EXPECT_FALSE(dm.NoSenderExists());
    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes().first().text,
              QStringLiteral("#89 AbsendQuery: The connection AdsConnection1 is not connected"));
    EXPECT_EQ(boxes.boxes().first().cursorBefore, CursorShape::Default);
}

TEST_F(DMTest, QueriesShowTheHourglassAndGiveTheCursorBack)
{
    QList<CursorShape> seen;
    pointSettingsAt(db.folder());
    TDM2 dm(flag);
    // The query announces its new result while it is still at work.
    QObject::connect(&dm.AbsendQuery, &DbQuery::resultChanged, &dm.AbsendSource,
                     [&] { seen.append(ScreenCursor::current()); });
    for (CursorShape before : {CursorShape::Default, CursorShape::Hourglass}) {
        ScreenCursor::set(before);
        seen.clear();
        dm.NoSenderExists();
        EXPECT_EQ(seen.last(), CursorShape::Hourglass);
        EXPECT_EQ(ScreenCursor::current(), before);
    }
    ScreenCursor::set(CursorShape::Default);
}

TEST_F(DMTest, ReconnectIsHarmlessWhenConnectedAndReportsAFailure)
{
    pointSettingsAt(db.folder());
    TDM2 dm(flag);
    EXPECT_TRUE(dm.Reconnect());
    dm.AdsConnection1.disconnect();
    EXPECT_TRUE(dm.Reconnect());
    EXPECT_TRUE(dm.AdsConnection1.isConnected());
    EXPECT_TRUE(boxes.texts().isEmpty());

    dm.AdsConnection1.disconnect();
    db.connection.disconnect();
    ASSERT_TRUE(QDir(db.folder()).removeRecursively());
    EXPECT_FALSE(dm.Reconnect());
    EXPECT_EQ(
        boxes.texts(),
        QStringList{QStringLiteral("#49 AdsConnection1: The database folder \"%1\" does not exist").arg(db.folder())});
}

TEST_F(DMTest, DeleteCascadeRolledBackByAFailureLeavesBothTables)
{
    pointSettingsAt(db.folder());
    TDM2 dm(flag);
    dm.AdsConnection1.execute(QStringLiteral("Test"),
                              QStringLiteral("CREATE TEMP TRIGGER fail BEFORE DELETE ON Verfasser "
                                             "BEGIN SELECT RAISE(ABORT, 'injected'); END"));
    dm.EmpfQuery.setSql({QStringLiteral("DELETE FROM Adressen"), QStringLiteral("WHERE AbsenderID = :ID")});
    dm.EmpfQuery.param(0).setAsInteger(1);
    dm.AbsendQuery.setSql({QStringLiteral("DELETE FROM Verfasser"), QStringLiteral("WHERE ID = :ID")});
    dm.AbsendQuery.param(0).setAsInteger(1);
    try {
        dm.AdsConnection1.beginTransaction();
        dm.EmpfQuery.execSql();
        dm.AbsendQuery.execSql();
        dm.AdsConnection1.commit();
        FAIL() << "the trigger must stop the sender delete";
    } catch (const EDatabaseError&) {
        if (dm.AdsConnection1.inTransaction())
            dm.AdsConnection1.rollback();
    }
    EXPECT_EQ(db.rows(QStringLiteral("SELECT ID FROM Verfasser ORDER BY ID")), QStringLiteral("1|2"));
    EXPECT_EQ(db.rows(QStringLiteral("SELECT ID FROM Adressen ORDER BY ID")), QStringLiteral("1|2|3|4|5"));
}

TEST_F(DMTest, AppendedRowsGetFreshIdsAlsoAfterTheirSenderWasDeleted)
{
    pointSettingsAt(db.folder());
    TDM2 dm(flag);
    // The wizard's save of a new sender.
    dm.AbsendQuery.setSql({QStringLiteral("SELECT * FROM Verfasser"), QStringLiteral("ORDER BY Firma")});
    dm.AbsendQuery.open();
    dm.AbsendQuery.append();
    dm.AbsendQuery.fieldByName(QStringLiteral("Firma")).setAsString(QStringLiteral("Neu"));
    dm.AbsendQuery.fieldByName(QStringLiteral("UserID")).setAsString(QString());
    dm.AbsendQuery.post();
    EXPECT_EQ(dm.AbsendQuery.fieldByName(QStringLiteral("ID")).asInteger(), 3);

    db.connection.execute(QStringLiteral("Test"), QStringLiteral("DELETE FROM Verfasser WHERE ID = 3"));
    dm.AbsendQuery.append();
    dm.AbsendQuery.fieldByName(QStringLiteral("Firma")).setAsString(QStringLiteral("Neuer"));
    dm.AbsendQuery.post();
    EXPECT_EQ(dm.AbsendQuery.fieldByName(QStringLiteral("ID")).asInteger(), 4);

    // A recipient added to an open recipient list.
    dm.EmpfQuery.setSql({QStringLiteral("SELECT * FROM Adressen"), QStringLiteral("WHERE AbsenderID = :ID"),
                         QStringLiteral("ORDER BY Name")});
    dm.EmpfQuery.param(0).setAsInteger(4);
    dm.EmpfQuery.open();
    dm.EmpfQuery.append();
    dm.EmpfQuery.fieldByName(QStringLiteral("AbsenderID")).setAsInteger(4);
    dm.EmpfQuery.fieldByName(QStringLiteral("Name")).setAsString(QStringLiteral("Ohm"));
    dm.EmpfQuery.fieldByName(QStringLiteral("Status")).setAsInteger(0);
    dm.EmpfQuery.fieldByName(QStringLiteral("Send")).setAsBoolean(true);
    dm.EmpfQuery.post();
    EXPECT_EQ(dm.EmpfQuery.fieldByName(QStringLiteral("ID")).asInteger(), 6);
    EXPECT_TRUE(dm.EmpfQuery.fieldByName(QStringLiteral("Send")).asBoolean());
}

TEST(DMSchemaTest, WidthsAreEnforcedAndNothingIsCut)
{
    NewsTestDatabase db;
    DbQuery query(db.connection, QStringLiteral("EmpfQuery"));
    query.setSql({QStringLiteral("UPDATE Adressen"), QStringLiteral("SET Name = :Name, Email = :Email"),
                  QStringLiteral("WHERE ID = :ID")});
    const QString umlauts70 = QString(35, QChar(0xC4)) + QString(35, QChar(0xDF)); // "Ä" and "ß"
    const QString address50 = QString(38, u'a') + QStringLiteral("@example.org");
    struct Case {
        QString name;
        QString email;
        QString error; // empty: stored as given
    };
    const Case cases[] = {
        {umlauts70, address50, {}},
        {umlauts70 + QChar(0xFC), address50,
         QStringLiteral("EmpfQuery: CHECK constraint failed: Name longer than 70 characters")},
        {QStringLiteral("Kurz"), u'b' + address50,
         QStringLiteral("EmpfQuery: CHECK constraint failed: Email longer than 50 characters")},
    };
    for (const Case& c : cases) {
        query.param(0).setAsString(c.name);
        query.param(1).setAsString(c.email);
        query.param(2).setAsInteger(1);
        QString error;
        try {
            query.execSql();
        } catch (const EDatabaseError& e) {
            error = e.message();
        }
        EXPECT_EQ(error, c.error);
        // A refused value leaves the stored one as it was.
        EXPECT_EQ(db.rows(QStringLiteral("SELECT Name, Email FROM Adressen WHERE ID = 1")),
                  umlauts70 + u',' + address50);
    }
}

// Stored files keep the recipient columns in this order, with these widths and collations.
TEST(DMSchemaTest, RecipientColumnsKeepTheirStoredOrderWidthsAndCollations)
{
    const DbSchema& schema = newsDatabaseSchema();
    const int table = schema.indexOfTable(QStringLiteral("Adressen"));
    ASSERT_GE(table, 0);
    const char* const types[] = {"Integer", "AutoIncrement", "SmallInt", "Boolean", "Text"};
    QStringList columns;
    for (const DbColumn& column : schema.tables.at(table).columns) {
        QString shown = column.name + u' ' + QLatin1String(types[static_cast<int>(column.type)]);
        if (column.type == DbColumnType::Text)
            shown += u' ' + QString::number(column.width) + u' ' + column.collation;
        columns.append(shown.trimmed());
    }
    EXPECT_EQ(
        columns,
        (QStringList{QStringLiteral("AbsenderID Integer"), QStringLiteral("ID AutoIncrement"),
                     QStringLiteral("Name Text 70 DE"), QStringLiteral("Anrede Text 40"),
                     QStringLiteral("Strasse Text 50"), QStringLiteral("Ort Text 50"), QStringLiteral("Email Text 50"),
                     QStringLiteral("PLZ Text 15"), QStringLiteral("ZName Text 70"), QStringLiteral("Land Text 5"),
                     QStringLiteral("Tel Text 40"), QStringLiteral("Fax Text 40"), QStringLiteral("ZAdresse Text 50"),
                     QStringLiteral("Status SmallInt"), QStringLiteral("Send Boolean"),
                     QStringLiteral("Firma Text 70 DE"), QStringLiteral("Titel Text 25"),
                     QStringLiteral("Vorname Text 50"), QStringLiteral("BFormel Text 100")}));
}

TEST(DMSchemaTest, NamesSortTheGermanWay)
{
    NewsTestDatabase db;
    EXPECT_EQ(db.rows(QStringLiteral("SELECT Name FROM Adressen ORDER BY Name")),
              QStringLiteral("Adam|Ärger|Bauer|de Vries|Zorn"));
    db.connection.execute(QStringLiteral("Test"), QStringLiteral("UPDATE Verfasser SET Firma = 'ärzte' WHERE ID = 1"));
    EXPECT_EQ(db.rows(QStringLiteral("SELECT Firma FROM Verfasser ORDER BY Firma")),
              QStringLiteral("Agentur Süd|ärzte"));
}

TEST(DMSchemaTest, OneSendersRecipientsAreReadInNameOrderWithoutASort)
{
    // Sorting 100,000 names in the German collation on every opening costs more than reading them.
    NewsTestDatabase db;
    const QString plan =
        db.rows(QStringLiteral("EXPLAIN QUERY PLAN SELECT * FROM Adressen\nWHERE AbsenderID = 1\nORDER BY Name"));
    EXPECT_TRUE(plan.contains(QLatin1String("ABSENDERID_NAME"))) << plan.toStdString();
    EXPECT_FALSE(plan.contains(QLatin1String("TEMP B-TREE"))) << plan.toStdString();
}

TEST(DMSchemaTest, CreatesTheEmptyDatabaseOnlyWhereNothingIsToLose)
{
    TestEnvironment env;
    const QString fresh = env.root() + QStringLiteral("/neu/Datenbank");
    ASSERT_TRUE(CreateEmptyDatabase(fresh).ok);
    QStringList files = QDir(fresh).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(files, (QStringList{QStringLiteral("Adressen.ADI"), QStringLiteral("Adressen.ADT"),
                                  QStringLiteral("Verfasser.ADI"), QStringLiteral("Verfasser.ADT")}));
    EXPECT_TRUE(DbConnection::checkFolder(fresh, newsDatabaseSchema()).ok);
    {
        DbConnection connection(QStringLiteral("AdsConnection1"), newsDatabaseSchema());
        connection.setConnectPath(fresh);
        connection.connect();
        DbQuery query(connection, QStringLiteral("Probe"));
        query.setSql({QStringLiteral("SELECT name FROM Adressen.sqlite_master WHERE type = 'index' ORDER BY name")});
        query.open();
        EXPECT_EQ(NewsTestDatabase::rowsOf(query), QStringLiteral("ABSENDERID|ABSENDERID_NAME|FIRMA|ID"));
    }

    // A folder with anything in it is left alone.
    const DbCreateResult again = CreateEmptyDatabase(fresh);
    EXPECT_FALSE(again.ok);
    EXPECT_EQ(again.message, QStringLiteral("The folder \"%1\" is not empty").arg(fresh));
    EXPECT_FALSE(CreateEmptyDatabase(QString()).ok);

    // A restore that failed half-way left the old database aside: no fresh database covers it.
    const QString empty = env.root() + QStringLiteral("/leer");
    QDir().mkpath(empty);
    QDir().mkpath(AppPaths::oldDatabaseFolder());
    const DbCreateResult refused = CreateEmptyDatabase(empty);
    EXPECT_FALSE(refused.ok);
    EXPECT_TRUE(refused.message.contains(QStringLiteral("ADS_OLD"))) << refused.message.toStdString();
    EXPECT_TRUE(QDir(empty).isEmpty());
}

} // namespace
