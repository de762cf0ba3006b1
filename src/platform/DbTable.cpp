#include "platform/DbTable.h"

#include "platform/DbConnection.h"
#include "platform/DbError.h"
#include "platform/DbSchema.h"

DbTable::DbTable(DbConnection& connection, QString componentName)
    : m_connection(connection), m_name(std::move(componentName))
{}

DbTable::~DbTable()
{
    try {
        close();
    } catch (const EDatabaseError&) {
        // The lock ends with the connection at the latest.
    }
}

void DbTable::setTableName(const QString& tableName)
{
    close();
    m_tableName = tableName;
}

void DbTable::open()
{
    if (m_open)
        return;
    const QString schema = quoteIdentifier(m_connection.schemaNameOf(m_name, m_tableName));
    if (m_exclusive) {
        // In exclusive locking mode the lock taken by a write transaction is kept after it.
        m_connection.execute(m_name, QStringLiteral("PRAGMA %1.locking_mode = EXCLUSIVE").arg(schema));
        try {
            m_connection.execute(m_name, QStringLiteral("BEGIN EXCLUSIVE"));
            m_connection.execute(m_name, QStringLiteral("COMMIT"));
        } catch (const EDatabaseError&) {
            if (m_connection.inTransaction())
                m_connection.rollback();
            m_connection.execute(m_name, QStringLiteral("PRAGMA %1.locking_mode = NORMAL").arg(schema));
            throw;
        }
    } else {
        m_connection.execute(m_name,
                             QStringLiteral("SELECT count(*) FROM %1.%2").arg(schema, quoteIdentifier(m_tableName)));
    }
    m_open = true;
}

void DbTable::close()
{
    if (!m_open)
        return;
    m_open = false;
    if (!m_exclusive || !m_connection.isConnected())
        return;
    const QString schema = quoteIdentifier(m_connection.schemaNameOf(m_name, m_tableName));
    m_connection.execute(m_name, QStringLiteral("PRAGMA %1.locking_mode = NORMAL").arg(schema));
    // The lock is released at the next access of the file.
    m_connection.execute(m_name, QStringLiteral("SELECT count(*) FROM %1.sqlite_master").arg(schema));
}

void DbTable::pack()
{
    if (!m_open || !m_exclusive)
        throw EDatabaseError(m_name, QStringLiteral("The table must be open exclusively to be packed"));
    m_connection.execute(
        m_name, QStringLiteral("VACUUM %1").arg(quoteIdentifier(m_connection.schemaNameOf(m_name, m_tableName))));
}
