#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The description of the tables a connection works on. Each table lives in its own SQLite
// file "<name>.ADT" in the database folder; the first table's file is the main database, each
// other one is attached under its table's name, so SQL names every table without a schema.
// "<name>.ADI" beside it lists the table's index definitions as text.

enum class DbColumnType { Integer, AutoIncrement, SmallInt, Boolean, Text };

struct DbColumn {
    QString name;
    DbColumnType type = DbColumnType::Text;
    int width = 0;     // Text: the most characters a value may have (a CHECK constraint)
    QString collation; // Text: the collation of the column, empty for the binary one
};

struct DbIndex {
    QString name;
    QStringList columns;
    bool unique = false;
};

struct DbTableDef {
    QString name;
    QList<DbColumn> columns;
    QList<DbIndex> indexes;

    QString tableFileName() const { return name + QStringLiteral(".ADT"); }
    QString indexFileName() const { return name + QStringLiteral(".ADI"); }
    // The schema the table lives in on a connection: "main" for the first table, else its name.
    QString createTableSql(const QString& schemaName) const;
    QStringList createIndexSql(const QString& schemaName) const; // IF NOT EXISTS statements
    QString indexFileText() const;
};

struct DbSchema {
    QList<DbTableDef> tables; // tables.first() is the main database file

    QString schemaNameOf(int tableIndex) const;
    // -1 when no table has this name (compared without regard to case).
    int indexOfTable(const QString& name) const;
};

// Quotes an SQL identifier.
QString quoteIdentifier(const QString& name);
