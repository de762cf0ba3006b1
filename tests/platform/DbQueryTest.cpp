#include "DbTestSchema.h"

#include "platform/DbError.h"

#include <gtest/gtest.h>

namespace {

class DbQueryTest : public ::testing::Test {
protected:
    TestDatabase db;
    DbQuery query{db.connection, QStringLiteral("ItemQuery")};

    void addItem(qint64 listId, const QString& name, bool done = false)
    {
        query.append();
        query.fieldByName(QStringLiteral("ListID")).setAsInteger(listId);
        query.fieldByName(QStringLiteral("Name")).setAsString(name);
        query.fieldByName(QStringLiteral("Done")).setAsBoolean(done);
        query.post();
    }

    void openItems()
    {
        query.close();
        query.clearSql();
        query.addSql(QStringLiteral("SELECT * FROM Items"));
        query.addSql(QStringLiteral("ORDER BY Name"));
        query.open();
    }

    QString message(const std::function<void()>& work)
    {
        try {
            work();
        } catch (const EDatabaseError& e) {
            return e.message();
        }
        return QStringLiteral("(no exception)");
    }
};

TEST_F(DbQueryTest, PostedRowsGetNewIdsThatAreNeverReused)
{
    openItems();
    addItem(1, QStringLiteral("b"));
    EXPECT_EQ(query.fieldByName(QStringLiteral("ID")).asInteger(), 1);
    addItem(1, QStringLiteral("a"), true);
    // The posted row joins the result and is current, with what the table stored.
    EXPECT_EQ(query.recordCount(), 2);
    EXPECT_EQ(query.fieldByName(QStringLiteral("id")).asInteger(), 2);
    EXPECT_TRUE(query.fieldByName(QStringLiteral("DONE")).asBoolean());

    query.close();
    query.setSql({QStringLiteral("DELETE FROM Items"), QStringLiteral("WHERE ID = :ID")});
    query.param(0).setAsInteger(2);
    EXPECT_EQ(query.execSql(), 1);
    openItems();
    addItem(1, QStringLiteral("c"));
    EXPECT_EQ(query.fieldByName(QStringLiteral("ID")).asInteger(), 3);
    EXPECT_EQ(db.rows(QStringLiteral("SELECT ID, Name, Done FROM Items ORDER BY ID")), QStringLiteral("1,b,False|3,c,False"));
}

TEST_F(DbQueryTest, CloseDropsAPendingAppend)
{
    openItems();
    query.append();
    query.fieldByName(QStringLiteral("Name")).setAsString(QStringLiteral("lost"));
    query.close();
    query.open();
    EXPECT_FALSE(query.isAppending());
    EXPECT_EQ(query.recordCount(), 0);
    EXPECT_EQ(message([&] { query.post(); }), QStringLiteral("ItemQuery: Dataset not in edit or insert mode"));
}

TEST_F(DbQueryTest, BookmarkFindsTheSameRowAfterReopenInAnotherOrder)
{
    openItems();
    for (const char* name : {"d", "b", "a", "c"})
        addItem(1, QString::fromLatin1(name));
    openItems();
    query.first();
    query.next(); // "b", ID 2
    const DbBookmark mark = query.bookmark();
    ASSERT_FALSE(mark.isEmpty());

    // Renaming moves the row in the order; the bookmark follows the row, not the position.
    query.close();
    query.setSql({QStringLiteral("UPDATE Items SET Name = :Name WHERE ID = :ID")});
    query.param(0).setAsString(QStringLiteral("z"));
    query.param(1).setAsInteger(2);
    query.execSql();
    openItems();
    ASSERT_TRUE(query.gotoBookmark(mark));
    EXPECT_EQ(query.recNo(), 3);
    EXPECT_EQ(query.fieldByName(QStringLiteral("Name")).asString(), QStringLiteral("z"));

    query.close();
    EXPECT_TRUE(query.bookmark().isEmpty());
    EXPECT_FALSE(query.gotoBookmark(mark));
}

TEST_F(DbQueryTest, WalksTheResultToItsEnd)
{
    openItems();
    EXPECT_TRUE(query.eof());
    EXPECT_EQ(query.recNo(), -1);
    EXPECT_EQ(query.fieldByName(QStringLiteral("Name")).asString(), QString());
    for (const char* name : {"x", "y"})
        addItem(1, QString::fromLatin1(name));
    openItems();
    QStringList seen;
    for (query.first(); !query.eof(); query.next())
        seen.append(query.fieldByName(QStringLiteral("Name")).asString());
    EXPECT_EQ(seen, (QStringList{QStringLiteral("x"), QStringLiteral("y")}));
    EXPECT_EQ(query.recNo(), 1);
}

TEST_F(DbQueryTest, ReportsFailuresWithTheComponentName)
{
    openItems();
    EXPECT_EQ(message([&] { query.fieldByName(QStringLiteral("Missing")); }),
              QStringLiteral("ItemQuery: Das Feld 'Missing' wurde nicht gefunden"));
    query.close();
    EXPECT_EQ(message([&] { query.fieldByName(QStringLiteral("Name")); }),
              QStringLiteral("ItemQuery: Das Feld 'Name' wurde nicht gefunden"));
    query.setSql({QStringLiteral("SELECT Nme FROM Items")});
    EXPECT_EQ(message([&] { query.open(); }).left(34), QStringLiteral("ItemQuery: no such column: Nme"));
    EXPECT_FALSE(query.isOpen());
    EXPECT_EQ(message([&] { query.param(0); }), QStringLiteral("ItemQuery: Parameter index 0 out of range (0 parameters)"));
    // A trailing ";" is one statement; a second one is refused rather than left out.
    query.setSql({QStringLiteral("SELECT * FROM Items;")});
    query.open();
    EXPECT_TRUE(query.isOpen());
    query.setSql({QStringLiteral("SELECT * FROM Items; DELETE FROM Items")});
    EXPECT_EQ(message([&] { query.open(); }), QStringLiteral("ItemQuery: Unable to execute multiple statements at a time"));
}

TEST_F(DbQueryTest, AMissingParameterStopsTheStatementBeforeItRuns)
{
    openItems();
    addItem(1, QStringLiteral("keep"));
    query.close();
    query.setSql({QStringLiteral("DELETE FROM Items"), QStringLiteral("WHERE ListID = :AID and ID = :ID")});
    EXPECT_EQ(query.paramCount(), 2);
    query.param(0).setAsInteger(1);
    EXPECT_EQ(message([&] { query.execSql(); }), QStringLiteral("ItemQuery: Parameter 'ID' (1) has no value"));
    EXPECT_EQ(db.rows(QStringLiteral("SELECT Name FROM Items")), QStringLiteral("keep"));

    // A new SQL text forgets the values set for the old one.
    query.setSql({QStringLiteral("DELETE FROM Items WHERE ID = :ID")});
    EXPECT_EQ(message([&] { query.execSql(); }), QStringLiteral("ItemQuery: Parameter 'ID' (0) has no value"));
}

TEST_F(DbQueryTest, OverlongTextIsAnErrorAndNotStoredCut)
{
    openItems();
    addItem(1, QString(10, QChar(0xE4))); // ten "ä": the column's width
    EXPECT_EQ(message([&] { addItem(1, QString(11, QChar(0xE4))); }),
              QStringLiteral("ItemQuery: CHECK constraint failed: Name longer than 10 characters"));
    // The failed row stays pending until it is dropped.
    EXPECT_TRUE(query.isAppending());
    query.close();
    EXPECT_EQ(db.rows(QStringLiteral("SELECT length(Name) FROM Items")), QStringLiteral("10"));
}

TEST_F(DbQueryTest, BusyHookRunsAroundWorkAndEndsBeforeAFailureLeaves)
{
    QStringList calls;
    query.setBusyHook([&](bool busy) { calls.append(busy ? QStringLiteral("on") : QStringLiteral("off")); });
    openItems();
    EXPECT_EQ(calls, (QStringList{QStringLiteral("on"), QStringLiteral("off")}));
    calls.clear();
    query.close();
    query.setSql({QStringLiteral("SELECT broken FROM")});
    try {
        query.open();
        FAIL() << "open must fail";
    } catch (const EDatabaseError&) {
        EXPECT_EQ(calls, (QStringList{QStringLiteral("on"), QStringLiteral("off")}));
    }
}

TEST_F(DbQueryTest, KeepsEveryValueAsStored)
{
    // Null and '' stay apart, texts keep their zeros and umlauts, numbers their kind.
    query.setSql({QStringLiteral("SELECT NULL AS Absent, '' AS Empty, 'Grüße' AS Umlauts, 42 AS Number, "
                                 "-2.5 AS Real, 'a' || char(0) || 'b' AS WithZero, \"Items\".\"Done\" "
                                 "FROM Lists LEFT JOIN Items ON 1 = 1")});
    db.connection.execute(QStringLiteral("Test"), QStringLiteral("INSERT INTO Lists (Title) VALUES ('x')"));
    db.connection.execute(QStringLiteral("Test"), QStringLiteral("INSERT INTO Items (ListID, Name, Done) VALUES (1, 'y', 1)"));
    query.open();
    ASSERT_EQ(query.recordCount(), 1);
    const std::shared_ptr<const DbResult> result = query.result();
    EXPECT_EQ(result->columnNames(), (QStringList{QStringLiteral("Absent"), QStringLiteral("Empty"),
                                                  QStringLiteral("Umlauts"), QStringLiteral("Number"),
                                                  QStringLiteral("Real"), QStringLiteral("WithZero"),
                                                  QStringLiteral("Done")}));
    EXPECT_TRUE(result->isNull(0, 0));
    EXPECT_TRUE(result->text(0, 0).isNull());
    EXPECT_FALSE(result->isNull(0, 1));
    EXPECT_FALSE(result->text(0, 1).isNull());
    EXPECT_TRUE(result->text(0, 1).isEmpty());
    EXPECT_EQ(result->text(0, 2), QString::fromUtf8("Grüße"));
    EXPECT_EQ(result->integer(0, 3), 42);
    EXPECT_EQ(result->columnKind(3), DbResult::Kind::Integer);
    EXPECT_EQ(result->text(0, 4), QStringLiteral("-2.5"));
    EXPECT_EQ(result->columnKind(4), DbResult::Kind::Real);
    EXPECT_EQ(result->text(0, 5), QString(QStringLiteral("a")) + QChar(0) + QStringLiteral("b"));
    EXPECT_EQ(result->columnKind(6), DbResult::Kind::Boolean);
    EXPECT_EQ(result->text(0, 6), QStringLiteral("True"));
    EXPECT_EQ(result->displayValue(0, 6), QVariant(true));
}

TEST_F(DbQueryTest, PostWritesTextsWhole)
{
    openItems();
    // Shorter after longer, so a reused buffer must not leave bytes behind.
    const std::pair<QString, const char*> cases[] = {
        {QString::fromUtf8("Größenwahn"), "4772c3b6c39f656e7761686e"},
        {QString(QStringLiteral("a")) + QChar(0) + QStringLiteral("b"), "610062"},
        {QString(), ""},
        {QString::fromUtf8("Öß"), "c396c39f"},
        {QString(QChar(0xD800)) + QStringLiteral("x"), "efbfbd78"}, // a lone surrogate: the replacement character
    };
    QStringList expected;
    for (const auto& [name, hex] : cases) {
        addItem(1, name);
        expected.append(QString::fromLatin1(hex) + QStringLiteral(",0"));
    }
    const QString stored =
        db.rows(QStringLiteral("SELECT hex(CAST(Name AS BLOB)), Name IS NULL FROM Items ORDER BY ID")).toLower();
    EXPECT_EQ(stored.toStdString(), expected.join(u'|').toStdString());
}

TEST_F(DbQueryTest, DisconnectClosesTheQueries)
{
    openItems();
    db.connection.disconnect();
    EXPECT_FALSE(query.isOpen());
    EXPECT_FALSE(db.connection.isConnected());
    EXPECT_EQ(message([&] { query.open(); }), QStringLiteral("ItemQuery: The connection TestConnection is not connected"));
}

} // namespace
