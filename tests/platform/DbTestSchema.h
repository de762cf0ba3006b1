#pragma once

#include "DbTestRows.h"
#include "platform/DbConnection.h"
#include "platform/DbSchema.h"

#include <QStringList>
#include <QTemporaryDir>

// A two-table schema for the engine tests: Lists (main file) and Items (attached).
inline DbSchema testSchema()
{
    DbTableDef lists;
    lists.name = QStringLiteral("Lists");
    lists.columns = {{QStringLiteral("ID"), DbColumnType::AutoIncrement, 0, {}},
                     {QStringLiteral("Title"), DbColumnType::Text, 30, QStringLiteral("DE")}};
    DbTableDef items;
    items.name = QStringLiteral("Items");
    items.columns = {{QStringLiteral("ListID"), DbColumnType::Integer, 0, {}},
                     {QStringLiteral("ID"), DbColumnType::AutoIncrement, 0, {}},
                     {QStringLiteral("Name"), DbColumnType::Text, 10, QStringLiteral("DE")},
                     {QStringLiteral("Done"), DbColumnType::Boolean, 0, {}}};
    items.indexes = {{QStringLiteral("LISTID"), {QStringLiteral("ListID")}, false}};
    return DbSchema{{lists, items}};
}

// A fresh database of the test schema in a temporary folder, with a connection on it.
class TestDatabase {
public:
    TestDatabase() : connection(QStringLiteral("TestConnection"), testSchema())
    {
        DbConnection::createDatabaseFiles(QStringLiteral("Create"), folder(), testSchema());
        connection.setConnectPath(folder());
        connection.connect();
    }
    QString folder() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }

    // Runs a SELECT and gives its rows as "a,b|c,d".
    QString rows(const QString& sql)
    {
        DbQuery query(connection, QStringLiteral("Probe"));
        query.setSql({sql});
        query.open();
        return rowsText(query);
    }

private:
    QTemporaryDir m_dir;

public:
    DbConnection connection;
};
