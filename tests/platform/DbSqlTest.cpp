#include "platform/DbSql.h"

#include <gtest/gtest.h>

namespace {

struct RewriteCase {
    const char* text;
    const char* sql;
    QStringList names;
};

TEST(DbSqlTest, RewritesNamedParametersOutsideLiteralsAndComments)
{
    const RewriteCase cases[] = {
        {"SELECT * FROM Verfasser\nWHERE ID = :ID", "SELECT * FROM Verfasser\nWHERE ID = ?", {"ID"}},
        // A name used twice is two parameters, bound by position.
        {"WHERE a = :X or b = :X", "WHERE a = ? or b = ?", {"X", "X"}},
        {"SET Name = :Name,Anrede = :Anrede,", "SET Name = ?,Anrede = ?,", {"Name", "Anrede"}},
        {"WHERE t = '12:30' and u = :U", "WHERE t = '12:30' and u = ?", {"U"}},
        {"WHERE t = 'it''s :no' and u = :U", "WHERE t = 'it''s :no' and u = ?", {"U"}},
        {"SELECT \":Col\" FROM x -- :Comment\nWHERE y = :Y /* :Z */",
         "SELECT \":Col\" FROM x -- :Comment\nWHERE y = ? /* :Z */",
         {"Y"}},
        {"WHERE a = ':open", "WHERE a = ':open", {}},
        {"WHERE a = : b and c = :1", "WHERE a = : b and c = :1", {}},
        {"WHERE Ort = :Ört", "WHERE Ort = ?", {"Ört"}},
    };
    for (const RewriteCase& c : cases) {
        const DbStatement statement = rewriteParameters(QString::fromUtf8(c.text));
        EXPECT_EQ(statement.sql, QString::fromUtf8(c.sql)) << c.text;
        EXPECT_EQ(statement.paramNames, c.names) << c.text;
    }
}

TEST(DbSqlTest, FindsTheSingleTableOfASelect)
{
    EXPECT_EQ(selectedTable(QStringLiteral("SELECT * FROM Adressen;")), QStringLiteral("Adressen"));
    EXPECT_EQ(selectedTable(QStringLiteral("SELECT ID,Firma FROM Verfasser")), QStringLiteral("Verfasser"));
    EXPECT_EQ(selectedTable(QStringLiteral("SELECT * FROM Verfasser\nORDER BY Firma")), QStringLiteral("Verfasser"));
    EXPECT_EQ(selectedTable(QStringLiteral("select *\nfrom Adressen\nwhere AbsenderID = :ID")),
              QStringLiteral("Adressen"));
    EXPECT_EQ(selectedTable(QStringLiteral("SELECT * FROM a, b")), QString());
    EXPECT_EQ(selectedTable(QStringLiteral("SELECT * FROM a JOIN b ON a.x = b.x")), QString());
    EXPECT_EQ(selectedTable(QStringLiteral("UPDATE Adressen SET Status = 1")), QString());
}

} // namespace
