#include "platform/DbDataSource.h"

#include "DbTestSchema.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

class DbDataSourceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        db.connection.execute(QStringLiteral("Test"),
                              QStringLiteral("INSERT INTO Items (ListID, Name, Done) VALUES (1, 'b', 1), (1, 'a', 0)"));
        query.setSql({QStringLiteral("SELECT * FROM Items ORDER BY Name")});
    }
    TestDatabase db;
    DbQuery query{db.connection, QStringLiteral("EmpfQuery")};
    DbDataSource source{query};
    QAbstractItemModelTester tester{&source, QAbstractItemModelTester::FailureReportingMode::Fatal};
};

TEST_F(DbDataSourceTest, ShowsTheResultWithTypedValues)
{
    QSignalSpy resets(&source, &QAbstractItemModel::modelReset);
    query.open();
    EXPECT_EQ(resets.count(), 1);
    ASSERT_EQ(source.rowCount(), 2);
    ASSERT_EQ(source.columnCount(), 4);
    EXPECT_EQ(source.headerData(2, Qt::Horizontal).toString(), QStringLiteral("Name"));
    const int name = source.columnOf(QStringLiteral("name"));
    const int done = source.columnOf(QStringLiteral("Done"));
    EXPECT_EQ(source.data(source.index(0, name)).toString(), QStringLiteral("a"));
    EXPECT_EQ(source.data(source.index(1, done)), QVariant(true));
    EXPECT_EQ(source.data(source.index(0, source.columnOf(QStringLiteral("ListID")))).toLongLong(), 1);
    query.close();
    EXPECT_EQ(source.rowCount(), 0);
}

TEST_F(DbDataSourceTest, KeepsItsRowsWhileDisabledAndResetsOnceAtTheEnd)
{
    query.open();
    QSignalSpy resets(&source, &QAbstractItemModel::modelReset);
    QSignalSpy moves(&query, &DbQuery::currentRowChanged);
    query.disableControls();
    query.disableControls();
    query.close();
    query.setSql({QStringLiteral("SELECT * FROM Items WHERE Name = 'b'")});
    query.open();
    query.append();
    query.fieldByName(QStringLiteral("Name")).setAsString(QStringLiteral("c"));
    query.post();
    query.first();
    query.next();
    EXPECT_EQ(source.rowCount(), 2);
    EXPECT_EQ(source.data(source.index(0, 2)).toString(), QStringLiteral("a"));
    query.enableControls();
    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(moves.count(), 0);
    query.enableControls();
    EXPECT_EQ(resets.count(), 1);
    ASSERT_EQ(moves.count(), 1);
    EXPECT_EQ(moves.first().first().toInt(), 1);
    EXPECT_EQ(source.rowCount(), 2);
    EXPECT_EQ(source.data(source.index(1, 2)).toString(), QStringLiteral("c"));
    // An unmatched enable does nothing.
    query.enableControls();
    EXPECT_EQ(resets.count(), 1);
}

} // namespace
