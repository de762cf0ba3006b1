#pragma once

#include <QString>

class DbConnection;

// One table of a connection, opened to be packed. Opened exclusively it holds its file's lock
// until close, so no other connection can read or write the file meanwhile. Throws
// EDatabaseError "name: engine text". Main thread only.
class DbTable {
public:
    DbTable(DbConnection& connection, QString componentName);
    ~DbTable();
    DbTable(const DbTable&) = delete;
    DbTable& operator=(const DbTable&) = delete;

    void setTableName(const QString& tableName); // closes the table first
    const QString& tableName() const { return m_tableName; }
    void setExclusive(bool exclusive) { m_exclusive = exclusive; }
    bool exclusive() const { return m_exclusive; }

    void open();
    void close();
    bool isOpen() const { return m_open; }
    // Rewrites the table's file without the space of deleted rows (VACUUM); needs the table
    // open exclusively.
    void pack();

private:
    DbConnection& m_connection;
    QString m_name;
    QString m_tableName;
    bool m_exclusive = false;
    bool m_open = false;
};
