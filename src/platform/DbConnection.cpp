#include "platform/DbConnection.h"

#include "platform/DbCollation.h"
#include "platform/DbError.h"
#include "platform/DbQuery.h"
#include "platform/DbSqlite.h"
#include "platform/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

#include <atomic>
#include <sqlite3.h>

namespace {

enum class OpenMode { ReadWrite, ReadOnly, Create };

QString uniqueConnectionName(const QString& component)
{
    static std::atomic<int> counter{0};
    return QStringLiteral("kubdb-%1-%2").arg(component).arg(++counter);
}

// SQLite URI of a file; the path is percent-encoded so '?', '#' and '%' in folder names stay.
QString fileUri(const QString& path, OpenMode mode)
{
    const char* modeText = mode == OpenMode::ReadOnly ? "ro" : (mode == OpenMode::Create ? "rwc" : "rw");
    return QStringLiteral("file:") +
           QString::fromLatin1(QUrl::toPercentEncoding(QDir::cleanPath(QFileInfo(path).absoluteFilePath()), "/")) +
           QStringLiteral("?mode=") + QLatin1String(modeText);
}

QString filePath(const QString& folder, const QString& fileName)
{
    return QDir(folder).filePath(fileName);
}

void checkFolderAndFiles(const QString& component, const QString& folder, const DbSchema& schema, OpenMode mode)
{
    // An empty name would make SQLite open a temporary database.
    if (folder.trimmed().isEmpty())
        throw EDatabaseError(component, QStringLiteral("No database folder is set"));
    const QFileInfo folderInfo(folder);
    if (folderInfo.exists() && !folderInfo.isDir())
        throw EDatabaseError(component, QStringLiteral("The database folder \"%1\" is not a folder").arg(folder));
    if (!folderInfo.isDir())
        throw EDatabaseError(component, QStringLiteral("The database folder \"%1\" does not exist").arg(folder));
    for (const DbTableDef& table : schema.tables) {
        const bool exists = QFileInfo::exists(filePath(folder, table.tableFileName()));
        if (mode != OpenMode::Create && !exists)
            throw EDatabaseError(
                component,
                QStringLiteral("The table file \"%1\" does not exist in \"%2\"").arg(table.tableFileName(), folder));
        if (mode == OpenMode::Create && exists)
            throw EDatabaseError(
                component,
                QStringLiteral("The table file \"%1\" already exists in \"%2\"").arg(table.tableFileName(), folder));
    }
}

// Throws unless the file of table index i holds the table with the expected column names.
void validateTable(QSqlDatabase& db, const QString& component, const DbSchema& schema, int i)
{
    const DbTableDef& table = schema.tables.at(i);
    const QString file = table.tableFileName() + QStringLiteral(": ");
    QSqlQuery query(db);
    DbSqlite::exec(query, component,
                   QStringLiteral("PRAGMA %1.table_info(%2)")
                       .arg(quoteIdentifier(schema.schemaNameOf(i)), quoteIdentifier(table.name)),
                   {}, file);
    QStringList found;
    while (query.next())
        found.append(query.value(1).toString());
    if (found.isEmpty())
        throw EDatabaseError(component, file + QStringLiteral("the file holds no table \"%1\"").arg(table.name));
    QStringList expected;
    for (const DbColumn& column : table.columns)
        expected.append(column.name);
    if (found.join(u',').compare(expected.join(u','), Qt::CaseInsensitive) != 0)
        throw EDatabaseError(component, file + QStringLiteral("the table \"%1\" has the columns (%2) instead of (%3)")
                                                   .arg(table.name, found.join(QStringLiteral(", ")),
                                                        expected.join(QStringLiteral(", "))));
}

void closeAndRemove(QSqlDatabase& db, const QString& connectionName)
{
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(connectionName);
}

// SQLite creates its files readable by everyone (and gives its journals the rights of their
// database file); an empty file made beforehand is taken as a new database with its rights.
void createEmptyPrivateFile(const QString& component, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, PrivateFiles::kFilePermissions))
        throw EDatabaseError(component, QStringLiteral("The file \"%1\" could not be created: %2")
                                            .arg(QFileInfo(path).fileName(), file.errorString()));
}

// Opens the first table's file, attaches the others, registers the collation and settles the
// journal mode; the caller removes the connection when this throws.
QSqlDatabase openFolder(const QString& connectionName, const QString& component, const QString& folder,
                        const DbSchema& schema, OpenMode mode)
{
    if (mode == OpenMode::Create) {
        for (const DbTableDef& table : schema.tables)
            createEmptyPrivateFile(component, filePath(folder, table.tableFileName()));
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
    db.setConnectOptions(mode == OpenMode::ReadOnly ? QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_OPEN_READONLY")
                                                    : QStringLiteral("QSQLITE_OPEN_URI"));
    const DbTableDef& first = schema.tables.first();
    db.setDatabaseName(fileUri(filePath(folder, first.tableFileName()), mode));
    if (!db.open()) {
        const QString text = db.lastError().databaseText();
        throw EDatabaseError(component, first.tableFileName() + QStringLiteral(": ") +
                                            (text.isEmpty() ? db.lastError().driverText() : text));
    }
    if (!registerGermanCollation(DbSqlite::handle(db)))
        throw EDatabaseError(component, QStringLiteral("The collation DE could not be registered"));
    QSqlQuery query(db);
    for (int i = 0; i < schema.tables.size(); ++i) {
        const DbTableDef& table = schema.tables.at(i);
        const QString prefix = table.tableFileName() + QStringLiteral(": ");
        const QString schemaName = quoteIdentifier(schema.schemaNameOf(i));
        if (i > 0)
            DbSqlite::exec(query, component, QStringLiteral("ATTACH DATABASE ? AS ") + schemaName,
                           {fileUri(filePath(folder, table.tableFileName()), mode)}, prefix);
        // The first statement that reads a file tells a garbage file from a database.
        if (mode == OpenMode::ReadOnly)
            DbSqlite::exec(query, component, QStringLiteral("SELECT count(*) FROM %1.sqlite_master").arg(schemaName),
                           {}, prefix);
        else
            DbSqlite::exec(query, component, QStringLiteral("PRAGMA %1.journal_mode = DELETE").arg(schemaName), {},
                           prefix);
        // Room for the pages a large write transaction changes: a smaller cache spills them
        // to the journal with a sync each time.
        DbSqlite::exec(query, component, QStringLiteral("PRAGMA %1.cache_size = -65536").arg(schemaName), {}, prefix);
    }
    return db;
}

void writeIndexFile(const QString& component, const QString& folder, const DbTableDef& table)
{
    QSaveFile file(filePath(folder, table.indexFileName()));
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(PrivateFiles::kFilePermissions) ||
        file.write(table.indexFileText().toUtf8()) < 0 || !file.commit())
        throw EDatabaseError(component, QStringLiteral("The index file \"%1\" could not be written: %2")
                                            .arg(table.indexFileName(), file.errorString()));
}

} // namespace

DbConnection::DbConnection(QString componentName, DbSchema schema)
    : m_name(std::move(componentName)), m_schema(std::move(schema))
{}

DbConnection::~DbConnection()
{
    try {
        disconnect();
    } catch (const EDatabaseError&) {
        // Nothing can be reported while the program ends.
    }
}

void DbConnection::connect()
{
    if (isConnected())
        return;
    const QString folder = m_connectPath;
    checkFolderAndFiles(m_name, folder, m_schema, OpenMode::ReadWrite);
    m_connectionName = uniqueConnectionName(m_name);
    try {
        m_db = openFolder(m_connectionName, m_name, folder, m_schema, OpenMode::ReadWrite);
        for (int i = 0; i < m_schema.tables.size(); ++i)
            validateTable(m_db, m_name, m_schema, i);
        ensureIndexes();
    } catch (const EDatabaseError&) {
        closeAndRemove(m_db, m_connectionName);
        throw;
    }
}

void DbConnection::ensureIndexes()
{
    QSqlQuery query(m_db);
    for (int i = 0; i < m_schema.tables.size(); ++i) {
        const DbTableDef& table = m_schema.tables.at(i);
        for (const QString& sql : table.createIndexSql(m_schema.schemaNameOf(i)))
            DbSqlite::exec(query, m_name, sql, {}, table.tableFileName() + QStringLiteral(": "));
        if (!QFileInfo::exists(filePath(m_connectPath, table.indexFileName())))
            writeIndexFile(m_name, m_connectPath, table);
    }
}

void DbConnection::disconnect()
{
    for (DbQuery* query : std::as_const(m_queries))
        query->close();
    if (!m_db.isValid())
        return;
    if (inTransaction())
        rollback();
    closeAndRemove(m_db, m_connectionName);
}

QSqlDatabase DbConnection::database(const QString& component) const
{
    if (!isConnected())
        throw EDatabaseError(component, QStringLiteral("The connection %1 is not connected").arg(m_name));
    return m_db;
}

void DbConnection::execute(const QString& component, const QString& sql, const QList<QVariant>& values)
{
    QSqlQuery query(database(component));
    DbSqlite::exec(query, component, sql, values);
}

void DbConnection::beginTransaction()
{
    execute(m_name, QStringLiteral("BEGIN"));
}

void DbConnection::commit()
{
    execute(m_name, QStringLiteral("COMMIT"));
}

void DbConnection::rollback()
{
    execute(m_name, QStringLiteral("ROLLBACK"));
}

bool DbConnection::inTransaction() const
{
    sqlite3* handle = DbSqlite::handle(m_db);
    return handle && sqlite3_get_autocommit(handle) == 0;
}

QString DbConnection::schemaNameOf(const QString& component, const QString& tableName) const
{
    const int index = m_schema.indexOfTable(tableName);
    if (index < 0)
        throw EDatabaseError(component, QStringLiteral("The table \"%1\" does not exist").arg(tableName));
    return m_schema.schemaNameOf(index);
}

void DbConnection::copyTableFile(const QString& tableName, const QString& destinationFile)
{
    const QString schemaName = schemaNameOf(m_name, tableName);
    if (QFileInfo::exists(destinationFile) && !QFile::remove(destinationFile))
        throw EDatabaseError(m_name, QStringLiteral("The file \"%1\" could not be replaced").arg(destinationFile));
    try {
        createEmptyPrivateFile(m_name, destinationFile);
        execute(m_name, QStringLiteral("VACUUM %1 INTO ?").arg(quoteIdentifier(schemaName)),
                {QDir::cleanPath(QFileInfo(destinationFile).absoluteFilePath())});
    } catch (const EDatabaseError&) {
        QFile::remove(destinationFile);
        throw;
    }
}

void DbConnection::createDatabaseFiles(const QString& component, const QString& folder, const DbSchema& schema)
{
    checkFolderAndFiles(component, folder, schema, OpenMode::Create);
    const QString connectionName = uniqueConnectionName(component);
    QSqlDatabase db;
    try {
        db = openFolder(connectionName, component, folder, schema, OpenMode::Create);
        for (int i = 0; i < schema.tables.size(); ++i) {
            const DbTableDef& table = schema.tables.at(i);
            const QString prefix = table.tableFileName() + QStringLiteral(": ");
            QSqlQuery query(db);
            DbSqlite::exec(query, component, table.createTableSql(schema.schemaNameOf(i)), {}, prefix);
            for (const QString& sql : table.createIndexSql(schema.schemaNameOf(i)))
                DbSqlite::exec(query, component, sql, {}, prefix);
            writeIndexFile(component, folder, table);
        }
        closeAndRemove(db, connectionName);
    } catch (const EDatabaseError&) {
        closeAndRemove(db, connectionName);
        for (const DbTableDef& table : schema.tables) {
            QFile::remove(filePath(folder, table.tableFileName()));
            QFile::remove(filePath(folder, table.indexFileName()));
        }
        throw;
    }
}

DbCheckResult DbConnection::checkFolder(const QString& folder, const DbSchema& schema)
{
    const QString component = QStringLiteral("DatabaseCheck");
    const QString connectionName = uniqueConnectionName(component);
    QSqlDatabase db;
    DbCheckResult result;
    try {
        checkFolderAndFiles(component, folder, schema, OpenMode::ReadOnly);
        db = openFolder(connectionName, component, folder, schema, OpenMode::ReadOnly);
        QSqlQuery query(db);
        for (int i = 0; i < schema.tables.size(); ++i) {
            validateTable(db, component, schema, i);
            const QString prefix = schema.tables.at(i).tableFileName() + QStringLiteral(": ");
            DbSqlite::exec(query, component,
                           QStringLiteral("PRAGMA %1.quick_check").arg(quoteIdentifier(schema.schemaNameOf(i))), {},
                           prefix);
            QStringList findings;
            while (query.next())
                findings.append(query.value(0).toString());
            if (findings != QStringList{QStringLiteral("ok")})
                throw EDatabaseError(component, prefix + findings.join(QStringLiteral("; ")));
        }
        result.ok = true;
    } catch (const EDatabaseError& e) {
        result.message = e.message();
    }
    closeAndRemove(db, connectionName);
    return result;
}

DbTransaction::DbTransaction(DbConnection& connection) : m_connection(connection)
{
    m_connection.beginTransaction();
}

DbTransaction::~DbTransaction()
{
    if (m_done || !m_connection.inTransaction())
        return;
    try {
        m_connection.rollback();
    } catch (const EDatabaseError&) {
        // The transaction ends with the connection at the latest.
    }
}

void DbTransaction::commit()
{
    m_connection.commit();
    m_done = true;
}
