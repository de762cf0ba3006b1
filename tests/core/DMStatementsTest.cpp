#include "DMTestDatabase.h"

#include <variant>

namespace {

using Param = std::variant<QString, qint64, bool>;

// One statement exactly as the screens program it: its lines, its parameters by position, and
// either the rows it opens (all result columns) or, after execSql, the rows of a probe.
struct StatementCase {
    const char* name;
    QStringList lines;
    QList<Param> params;
    QString expected;
    // Empty: the statement is opened and its rows are compared ("-sorted": in any order;
    // "-ids": only their IDs); otherwise the probe's rows after execSql.
    QString probe;
    QString setup{}; // run before the statement
};

QString s(const char* text)
{
    return QString::fromUtf8(text);
}

QList<StatementCase> statementCases()
{
    const QStringList recipientUpdate{
        s("UPDATE Adressen"),
        s("SET Name = :Name,Anrede = :Anrede,Strasse = :Strasse,PLZ = :PLZ,Ort = :Ort,Tel = :Tel,Fax = :Fax,Email = "
          ":Email,ZName = :ZName,Land = :Land,ZAdresse = :ZAdresse,"),
        s("Firma = :Firma,Titel = :Titel,Vorname = :Vorname,BFormel = :BFormel,Status = :Status,Send = :Send"),
        s("WHERE ID = :I and AbsenderID = :AID")};
    const QList<Param> recipientValues{s("Neu"),  s("Frau"),   s("Weg 1"),           s("12345"),  s("Ort"),
                                       s("01"),   s("02"),     s("neu@example.org"), s("Zusatz"), s("A"),
                                       s("Adr"),  s("Neu AG"), s("Prof."),           s("Ida"),    s("Liebe"),
                                       qint64(0), false};
    const QString recipientProbe = s("SELECT ID, AbsenderID, Name, Anrede, Strasse, PLZ, Ort, Tel, Fax, Email, ZName, "
                                     "Land, ZAdresse, Firma, Titel, Vorname, BFormel, Status, Send FROM Adressen "
                                     "WHERE ID = 2");
    const QString unchangedRecipient = s("2,1,Ärger,Frau,Öhrweg 5,23552,Lübeck,,,aerger@example.org,,D,,,Dr.,Änne,"
                                         "Sehr geehrte Frau,0,False");
    const QString allRecipientIds = s("SELECT ID FROM Adressen ORDER BY ID");
    const QString statusProbe = s("SELECT ID, Status FROM Adressen ORDER BY ID");

    return {
        {"recipient query's initial statement",
         {s("SELECT * FROM Adressen;")},
         {},
         s("1,1,Bauer,Herr,Ringweg 2,Kiel,bauer@example.org,24103,,D,,,,0,True,Bauer GmbH,,Karl,Sehr geehrter Herr|"
           "1,2,Ärger,Frau,Öhrweg 5,Lübeck,aerger@example.org,23552,,D,,,,0,False,,Dr.,Änne,Sehr geehrte Frau|"
           "1,3,Adam,,,,adam@example.org,,,,,,,0,True,,,,Sehr geehrte(r)|"
           "2,4,Zorn,Herr,,Passau,zorn@example.org,,,D,,,,0,True,Zorn & Co,,,Sehr geehrter Herr|"
           "2,5,de Vries,Frau,,Venlo,vries@example.org,,,NL,,,,0,True,,,Eva,Sehr geehrte Frau"),
         {}},
        {"sender query's initial statement",
         {s("SELECT * FROM Verfasser")},
         {},
         s("1,Zeitung Nord,Hafenstraße 1,20095,Hamburg,040 1234,040 1235,info@nord.example,www.nord.example,"
           "Jana Kiel,jana@nord.example,smtp.nord.example,,|"
           "2,Agentur Süd,Marktplatz 7,80331,München,089 55,,post@sued.example,,,,mail.sued.example,,"),
         {}},
        {"sender list",
         {s("SELECT * FROM Verfasser"), s("ORDER BY Firma")},
         {},
         s("2,Agentur Süd,Marktplatz 7,80331,München,089 55,,post@sued.example,,,,mail.sued.example,,|"
           "1,Zeitung Nord,Hafenstraße 1,20095,Hamburg,040 1234,040 1235,info@nord.example,www.nord.example,"
           "Jana Kiel,jana@nord.example,smtp.nord.example,,"),
         {}},
        {"sender of a send run",
         {s("SELECT * FROM Verfasser"), s("WHERE ID = :ID")},
         {qint64(2)},
         s("2,Agentur Süd,Marktplatz 7,80331,München,089 55,,post@sued.example,,,,mail.sued.example,,"),
         {}},
        // No ORDER BY: the rows may come in any order.
        {"sender choices", {s("SELECT ID,Firma FROM Verfasser")}, {}, s("1,Zeitung Nord|2,Agentur Süd"), s("-sorted")},
        {"recipient list of sender 1",
         {s("SELECT * FROM Adressen"), s("WHERE AbsenderID = :ID"), s("ORDER BY Name")},
         {qint64(1)},
         s("3|2|1"),
         s("-ids")},
        {"recipient list of sender 2",
         {s("SELECT * FROM Adressen"), s("WHERE AbsenderID = :ID"), s("ORDER BY Name")},
         {qint64(2)},
         s("5|4"),
         s("-ids")},
        {"recipient list of sender 0",
         {s("SELECT * FROM Adressen"), s("WHERE AbsenderID = :ID"), s("ORDER BY Name")},
         {qint64(0)},
         s(""),
         s("-ids")},
        {"recipient update", recipientUpdate, recipientValues + QList<Param>{qint64(2), qint64(1)},
         s("2,1,Neu,Frau,Weg 1,12345,Ort,01,02,neu@example.org,Zusatz,A,Adr,Neu AG,Prof.,Ida,Liebe,0,False"),
         recipientProbe},
        {"recipient update under another sender", recipientUpdate, recipientValues + QList<Param>{qint64(2), qint64(2)},
         unchangedRecipient, recipientProbe},
        {"recipient delete",
         {s("DELETE FROM Adressen"), s("WHERE AbsenderID = :AID and ID = :ID")},
         {qint64(1), qint64(2)},
         s("1|3|4|5"),
         allRecipientIds},
        {"sender update",
         {s("UPDATE Verfasser"),
          s("SET Firma = :Firma,Strasse = :Strasse,PLZ = :PLZ,Ort = :Ort,Tel = :Tel,Fax = :Fax,Firmenemail = "
            ":Firmenemail,Web = :Web,Verfasser = :Verfasser,Email = :Email,"),
          s("Host = :Host,UserID = :UserID,UserPW = :UserPW"), s("WHERE ID = :ID")},
         {s("Nord AG"), s("Kai 2"), s("20457"), s("Hamburg"), s("1"), s("2"), s("nord@example.org"), s("nord.example"),
          s("Ole"), s("ole@example.org"), s("smtp.example.org"), s("4003938653"), s("4004038654"), qint64(1)},
         s("1,Nord AG,Kai 2,20457,Hamburg,1,2,nord@example.org,nord.example,Ole,ole@example.org,smtp.example.org,"
           "4003938653,4004038654|2,Agentur Süd"),
         s("SELECT * FROM Verfasser ORDER BY ID"),
         {}},
        {"cascade: the sender's recipients",
         {s("DELETE FROM Adressen"), s("WHERE AbsenderID = :ID")},
         {qint64(1)},
         s("4|5"),
         allRecipientIds},
        {"cascade: the sender",
         {s("DELETE FROM Verfasser"), s("WHERE ID = :ID")},
         {qint64(1)},
         s("2"),
         s("SELECT ID FROM Verfasser")},
        {"import marks the old rows",
         {s("UPDATE Adressen"), s("SET Status = :Status"), s("WHERE AbsenderID = :AID")},
         {qint64(1), qint64(1)},
         s("1,1|2,1|3,1|4,0|5,0"),
         statusProbe},
        {"import deletes the marked rows",
         {s("DELETE FROM Adressen"), s("WHERE AbsenderID = :AID and Status = 1")},
         {qint64(1)},
         s("2|4|5"),
         allRecipientIds,
         s("UPDATE Adressen SET Status = 1 WHERE ID IN (1, 3, 4)")},
        {"import resets the marks",
         {s("UPDATE Adressen"), s("SET Status = :Status"), s("WHERE AbsenderID = :AID")},
         {qint64(0), qint64(1)},
         s("1,0|2,0|3,0|4,1|5,1"),
         statusProbe,
         s("UPDATE Adressen SET Status = 1")},
    };
}

void bind(DbQuery& query, const QList<Param>& params)
{
    for (int i = 0; i < params.size(); ++i) {
        std::visit(
            [&](const auto& value) {
                using T = std::decay_t<decltype(value)>;
                if constexpr (std::is_same_v<T, QString>)
                    query.param(i).setAsString(value);
                else if constexpr (std::is_same_v<T, bool>)
                    query.param(i).setAsBoolean(value);
                else
                    query.param(i).setAsInteger(value);
            },
            params.at(i));
    }
}

TEST(DMStatementsTest, EveryStatementOfTheScreensYieldsOrChangesTheExpectedRows)
{
    for (const StatementCase& c : statementCases()) {
        SCOPED_TRACE(c.name);
        NewsTestDatabase db;
        if (!c.setup.isEmpty())
            db.connection.execute(QStringLiteral("Setup"), c.setup);
        DbQuery query(db.connection, QStringLiteral("EmpfQuery"));
        query.close();
        query.clearSql();
        for (const QString& line : c.lines)
            query.addSql(line);
        ASSERT_EQ(query.paramCount(), c.params.size());
        bind(query, c.params);
        try {
            if (c.probe.isEmpty() || c.probe.startsWith(u'-')) {
                query.open();
                if (c.probe.isEmpty()) {
                    EXPECT_EQ(NewsTestDatabase::rowsOf(query), c.expected);
                } else if (c.probe == QLatin1String("-sorted")) {
                    QStringList lines = NewsTestDatabase::rowsOf(query).split(u'|');
                    lines.sort();
                    EXPECT_EQ(lines.join(u'|'), c.expected);
                } else {
                    QStringList ids;
                    for (query.first(); !query.eof(); query.next())
                        ids.append(query.fieldByName(QStringLiteral("ID")).asString());
                    EXPECT_EQ(ids.join(u'|'), c.expected);
                }
            } else {
                query.execSql();
                EXPECT_EQ(db.rows(c.probe).left(c.expected.size()), c.expected);
            }
        } catch (const EDatabaseError& e) {
            ADD_FAILURE() << e.what();
        }
    }
}

} // namespace
