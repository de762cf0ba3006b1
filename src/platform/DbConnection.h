#pragma once

#include "platform/DbSchema.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>

class DbQuery;

// The outcome of checking a folder's table files.
struct DbCheckResult {
    bool ok = false;
    QString message; // why the check failed; empty when ok
};

// A connection to the database folder: one SQLite connection on the first table's file with
// every other table's file attached, so one transaction covers all files. Files are opened
// with mode=rw and a rollback journal (never WAL): connecting never creates a table file. On
// connect each file is checked to hold its table with the expected columns, a missing index
// file is rewritten and the indexes are ensured. Every failure throws EDatabaseError with
// the component's name. Main thread only (the connection belongs to the creating thread).
// Queries register themselves and must not outlive their connection.
class DbConnection {
public:
    DbConnection(QString componentName, DbSchema schema);
    ~DbConnection();
    DbConnection(const DbConnection&) = delete;
    DbConnection& operator=(const DbConnection&) = delete;

    const QString& name() const { return m_name; }
    const DbSchema& schema() const { return m_schema; }

    // The database folder; takes effect at the next connect.
    void setConnectPath(const QString& folder) { m_connectPath = folder; }
    const QString& connectPath() const { return m_connectPath; }

    // Does nothing when already connected.
    void connect();
    // Closes every query of the connection first; a running transaction is rolled back.
    void disconnect();
    bool isConnected() const { return m_db.isOpen(); }

    void beginTransaction();
    void commit();
    void rollback();
    // True from begin until commit or rollback succeeded; a failed commit leaves it true.
    bool inTransaction() const;

    // A consistent copy of one table's file taken from the live connection (VACUUM INTO), so
    // no write can interleave; an existing destination file is replaced.
    void copyTableFile(const QString& tableName, const QString& destinationFile);

    // Runs one statement on the connection, with positional values; throws with component's name.
    void execute(const QString& component, const QString& sql, const QList<QVariant>& values = {});
    // The open database; throws when not connected.
    QSqlDatabase database(const QString& component) const;
    // The schema a table of this connection lives in ("main" or the attached name).
    QString schemaNameOf(const QString& component, const QString& tableName) const;

    // Creates the table files, their indexes and index files in folder (the files must not
    // exist yet); removes what it made when it fails. Throws EDatabaseError.
    static void createDatabaseFiles(const QString& component, const QString& folder, const DbSchema& schema);
    // Checks the table files of folder on a separate read-only connection: each must be an
    // SQLite file holding its table with the expected columns that passes "PRAGMA quick_check".
    static DbCheckResult checkFolder(const QString& folder, const DbSchema& schema);

private:
    friend class DbQuery;
    void attachQuery(DbQuery* query) { m_queries.append(query); }
    void detachQuery(DbQuery* query) { m_queries.removeAll(query); }
    void ensureIndexes();

    QString m_name;
    DbSchema m_schema;
    QString m_connectPath;
    QString m_connectionName;
    QSqlDatabase m_db;
    QList<DbQuery*> m_queries;
};

// Rolls back at its end unless commit() was called.
class DbTransaction {
public:
    explicit DbTransaction(DbConnection& connection);
    ~DbTransaction();
    DbTransaction(const DbTransaction&) = delete;
    DbTransaction& operator=(const DbTransaction&) = delete;

    void commit();

private:
    DbConnection& m_connection;
    bool m_done = false;
};
