#include "platform/DbSqlite.h"

#include "platform/DbError.h"

#include <sqlite3.h>

#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QStringEncoder>

#include <cstring>

namespace DbSqlite {

namespace {

sqlite3* driverHandle(const QSqlDriver* driver)
{
    if (!driver || !driver->isOpen())
        return nullptr;
    const QVariant v = driver->handle();
    if (!v.isValid() || qstrcmp(v.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(v.constData());
}

// An open file whose folder was deleted or renamed still reads, but writing fails with
// "attempt to write a readonly database" or an I/O error that names no cause.
QString vanishedFileText(sqlite3* handle)
{
    if (!handle)
        return {};
    for (int i = 0; const char* schema = sqlite3_db_name(handle, i); ++i) {
        const char* name = sqlite3_db_filename(handle, schema);
        if (!name || !*name)
            continue; // the temporary database
        const QFileInfo file(QString::fromUtf8(name));
        if (file.exists())
            continue;
        if (!QFileInfo(file.path()).isDir())
            return QStringLiteral("The database folder \"%1\" is gone: it was removed or renamed while the "
                                  "program was running")
                .arg(file.path());
        return QStringLiteral("The table file \"%1\" is gone from \"%2\": it was removed or renamed while the "
                              "program was running")
            .arg(file.fileName(), file.path());
    }
    return {};
}

// The engine's text of the handle's last error, or the vanished file's.
QString handleErrorText(sqlite3* handle)
{
    const QString vanished = vanishedFileText(handle);
    return vanished.isEmpty() ? QString::fromUtf8(sqlite3_errmsg(handle)) : vanished;
}

} // namespace

sqlite3* handle(const QSqlDatabase& db)
{
    return db.isOpen() ? driverHandle(db.driver()) : nullptr;
}

QString errorText(const QSqlQuery& query)
{
    const QString vanished = vanishedFileText(driverHandle(query.driver()));
    if (!vanished.isEmpty())
        return vanished;
    const QSqlError error = query.lastError();
    return error.databaseText().isEmpty() ? error.driverText() : error.databaseText();
}

void exec(QSqlQuery& query, const QString& component, const QString& sql, const QList<QVariant>& values,
          const QString& prefix)
{
    const bool ok = query.prepare(sql) && [&] {
        for (const QVariant& value : values)
            query.addBindValue(value);
        return query.exec();
    }();
    if (!ok)
        throw EDatabaseError(component, prefix + errorText(query));
}

Statement::Statement(const QSqlDatabase& db, const QString& component, const QString& sql)
    : m_handle(handle(db)),
      m_component(component)
{
    if (!m_handle)
        throw EDatabaseError(component, QStringLiteral("The database is not open"));
    const QByteArray text = sql.toUtf8();
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(m_handle, text.constData(), int(text.size()), &m_statement, &tail) != SQLITE_OK)
        fail();
    // A second statement would silently not run.
    if (tail && !QByteArray(tail).trimmed().isEmpty()) {
        sqlite3_finalize(m_statement);
        throw EDatabaseError(component, QStringLiteral("Unable to execute multiple statements at a time"));
    }
}

Statement::~Statement()
{
    sqlite3_finalize(m_statement);
}

void Statement::fail() const
{
    throw EDatabaseError(m_component, handleErrorText(m_handle));
}

void Statement::bindInteger(int position, qint64 value)
{
    if (sqlite3_bind_int64(m_statement, position + 1, value) != SQLITE_OK)
        fail();
}

void Statement::bindText(int position, const QString& value)
{
    if (m_texts.size() <= size_t(position))
        m_texts.resize(size_t(position) + 1);
    // Each place keeps its buffer, so binding the next row's text allocates nothing; SQLite
    // reads it where it is. QByteArray ends it with a zero, so SQLite needs no terminated copy
    // of its own for length() and the collation, unless the text has a zero inside.
    QByteArray& utf8 = m_texts[size_t(position)];
    utf8.resize(value.size() * 3);
    QStringEncoder encoder(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
    utf8.truncate(encoder.appendToBuffer(utf8.data(), value) - utf8.constData());
    const int bytes = std::memchr(utf8.constData(), 0, size_t(utf8.size())) ? int(utf8.size()) : -1;
    if (sqlite3_bind_text(m_statement, position + 1, utf8.constData(), bytes, SQLITE_STATIC) != SQLITE_OK)
        fail();
}

void Statement::bindValue(int position, const QVariant& value)
{
    int rc = SQLITE_OK;
    switch (value.metaType().id()) {
    case QMetaType::UnknownType:
        rc = sqlite3_bind_null(m_statement, position + 1);
        break;
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        rc = value.isNull() ? sqlite3_bind_null(m_statement, position + 1)
                            : sqlite3_bind_int64(m_statement, position + 1, value.toLongLong());
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        rc = value.isNull() ? sqlite3_bind_null(m_statement, position + 1)
                            : sqlite3_bind_double(m_statement, position + 1, value.toDouble());
        break;
    default:
        if (value.isNull()) {
            rc = sqlite3_bind_null(m_statement, position + 1);
            break;
        }
        bindText(position, value.toString());
        return;
    }
    if (rc != SQLITE_OK)
        fail();
}

void Statement::bindValues(const QList<QVariant>& values)
{
    for (int i = 0; i < values.size(); ++i)
        bindValue(i, values.at(i));
}

bool Statement::step()
{
    const int rc = sqlite3_step(m_statement);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE) {
        sqlite3_reset(m_statement);
        return false;
    }
    // The message first: resetting may replace it.
    const EDatabaseError error(m_component, handleErrorText(m_handle));
    sqlite3_reset(m_statement);
    throw error;
}

void Statement::reset()
{
    sqlite3_reset(m_statement);
}

int Statement::columnCount() const
{
    return sqlite3_column_count(m_statement);
}

QString Statement::columnName(int column) const
{
    return QString::fromUtf8(sqlite3_column_name(m_statement, column));
}

QByteArray Statement::declaredType(int column) const
{
    return QByteArray(sqlite3_column_decltype(m_statement, column));
}

Statement::Column Statement::column(int index) const
{
    // One locked call for the value; reading it needs no lock of its own, as a connection is
    // only ever used by the thread that made it.
    sqlite3_value* value = sqlite3_column_value(m_statement, index);
    Column column;
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
        column.type = Type::Integer;
        column.integer = sqlite3_value_int64(value);
        break;
    case SQLITE_FLOAT:
        column.type = Type::Real;
        column.real = sqlite3_value_double(value);
        break;
    case SQLITE_NULL:
        break;
    default:
        column.type = Type::Text;
        column.text = reinterpret_cast<const char*>(sqlite3_value_text(value));
        column.bytes = sqlite3_value_bytes(value);
        if (!column.text)
            column.text = "";
        break;
    }
    return column;
}

qint64 Statement::lastInsertRowId() const
{
    return sqlite3_last_insert_rowid(m_handle);
}

} // namespace DbSqlite
