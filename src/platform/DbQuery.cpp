#include "platform/DbQuery.h"

#include "platform/DbConnection.h"
#include "platform/DbError.h"
#include "platform/DbSchema.h"
#include "platform/DbSqlite.h"

#include <QSqlQuery>

#include <vector>

// Runs the busy hook around one piece of work; its end runs before an exception leaves.
class DbQuery::BusyScope {
public:
    explicit BusyScope(const std::function<void(bool)>& hook)
        : m_hook(hook)
    {
        if (m_hook)
            m_hook(true);
    }
    ~BusyScope()
    {
        if (m_hook)
            m_hook(false);
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    const std::function<void(bool)>& m_hook;
};

namespace {

// The kind of a result column from its declared type, as Qt's SQLite driver tells them apart;
// an expression without one takes the type of its first value.
DbResult::Kind kindOf(const QByteArray& declaredType, DbSqlite::Statement::Type firstValue)
{
    const QByteArray type = declaredType.toLower();
    if (type.isEmpty()) {
        switch (firstValue) {
        case DbSqlite::Statement::Type::Integer:
            return DbResult::Kind::Integer;
        case DbSqlite::Statement::Type::Real:
            return DbResult::Kind::Real;
        default:
            return DbResult::Kind::Text;
        }
    }
    if (type == "integer" || type == "int")
        return DbResult::Kind::Integer;
    if (type == "double" || type == "float" || type == "real" || type.startsWith("numeric"))
        return DbResult::Kind::Real;
    if (type == "boolean" || type == "bool")
        return DbResult::Kind::Boolean;
    return DbResult::Kind::Text;
}

// The column's name without quotes and without a table in front.
QString columnNameOf(const DbSqlite::Statement& statement, int column)
{
    QString name = statement.columnName(column);
    name.remove(u'"');
    return name.mid(name.lastIndexOf(u'.') + 1);
}

void appendCurrentRow(DbResult& result, const DbSqlite::Statement& statement, std::vector<DbResult::Value>& values)
{
    values.resize(size_t(result.columnCount()));
    for (int i = 0; i < result.columnCount(); ++i) {
        const DbSqlite::Statement::Column column = statement.column(i);
        DbResult::Value& value = values[size_t(i)];
        switch (column.type) {
        case DbSqlite::Statement::Type::Null:
            value = {};
            break;
        case DbSqlite::Statement::Type::Integer:
            value = {DbResult::Value::Integer, column.integer, 0, nullptr, 0};
            break;
        case DbSqlite::Statement::Type::Real:
            value = {DbResult::Value::Real, 0, column.real, nullptr, 0};
            break;
        case DbSqlite::Statement::Type::Text:
            value = {DbResult::Value::Text, 0, 0, column.text, column.bytes};
            break;
        }
    }
    result.appendRow(values.data());
}

} // namespace

void DbParam::setValue(const QVariant& value)
{
    m_query.setParamValue(m_index, value);
}

QString DbField::asString() const
{
    if (m_query.m_appending)
        return m_query.appendValue(m_column).toString();
    return m_query.m_row < 0 ? QString() : m_query.m_result->text(m_query.m_row, m_column);
}

qint64 DbField::asInteger() const
{
    if (m_query.m_appending)
        return m_query.appendValue(m_column).toLongLong();
    if (m_query.m_row < 0)
        return 0;
    bool ok = false;
    const qint64 value = m_query.m_result->integer(m_query.m_row, m_column, &ok);
    if (!ok)
        throw EDatabaseError(m_query.name(), QStringLiteral("'%1' is not a valid integer value")
                                                 .arg(m_query.m_result->text(m_query.m_row, m_column)));
    return value;
}

bool DbField::asBoolean() const
{
    if (m_query.m_appending)
        return m_query.appendValue(m_column).toLongLong() != 0;
    return m_query.m_row >= 0 && m_query.m_result->boolean(m_query.m_row, m_column);
}

bool DbField::isNull() const
{
    if (m_query.m_appending)
        return m_query.appendValue(m_column).isNull();
    return m_query.m_row < 0 || m_query.m_result->isNull(m_query.m_row, m_column);
}

void DbField::setValue(const QVariant& value)
{
    m_query.setAppendValue(m_column, value);
}

DbQuery::DbQuery(DbConnection& connection, const QString& componentName, QObject* parent)
    : QObject(parent),
      m_connection(connection)
{
    setObjectName(componentName);
    m_connection.attachQuery(this);
}

DbQuery::~DbQuery()
{
    m_connection.detachQuery(this);
}

void DbQuery::clearSql()
{
    setSql({});
}

void DbQuery::addSql(const QString& line)
{
    QStringList lines = m_sql;
    lines.append(line);
    setSql(lines);
}

void DbQuery::setSql(const QStringList& lines)
{
    close();
    m_sql = lines;
    m_statement.reset();
    m_paramValues = QList<QVariant>(statement().paramNames.size());
}

const DbStatement& DbQuery::statement() const
{
    if (!m_statement)
        m_statement = std::make_unique<DbStatement>(rewriteParameters(sqlText()));
    return *m_statement;
}

int DbQuery::paramCount() const
{
    return static_cast<int>(statement().paramNames.size());
}

DbParam DbQuery::param(int index)
{
    if (index < 0 || index >= paramCount())
        throw EDatabaseError(name(), QStringLiteral("Parameter index %1 out of range (%2 parameters)")
                                         .arg(index)
                                         .arg(paramCount()));
    return DbParam(*this, index);
}

void DbQuery::setParamValue(int index, const QVariant& value)
{
    m_paramValues[index] = value;
}

QList<QVariant> DbQuery::boundValues() const
{
    const QStringList& names = statement().paramNames;
    for (int i = 0; i < names.size(); ++i) {
        if (!m_paramValues.at(i).isValid())
            throw EDatabaseError(name(), QStringLiteral("Parameter '%1' (%2) has no value").arg(names.at(i)).arg(i));
    }
    return m_paramValues;
}

void DbQuery::open()
{
    if (isOpen())
        return;
    const QList<QVariant> values = boundValues();
    BusyScope busy(m_busyHook);
    // Straight on the engine: a QVariant and a UTF-16 copy per value would cost several times
    // the reading itself for a list of 100,000 recipients.
    DbSqlite::Statement select(m_connection.database(name()), name(), statement().sql);
    select.bindValues(values);
    bool hasRow = select.step();
    QStringList names;
    QList<DbResult::Kind> kinds;
    for (int i = 0; i < select.columnCount(); ++i) {
        names.append(columnNameOf(select, i));
        kinds.append(kindOf(select.declaredType(i), hasRow ? select.column(i).type : DbSqlite::Statement::Type::Null));
    }
    auto result = std::make_shared<DbResult>(names, kinds);
    std::vector<DbResult::Value> row;
    for (; hasRow; hasRow = select.step())
        appendCurrentRow(*result, select, row);
    m_result = std::move(result);
    m_row = m_result->rowCount() > 0 ? 0 : -1;
    m_pastEnd = false;
    resultReplaced();
}

DbSqlite::Statement& DbQuery::prepared(Prepared& slot, const QString& sql)
{
    if (slot.statement && slot.sql == sql)
        return *slot.statement;
    slot.statement.reset();
    slot.statement = std::make_unique<DbSqlite::Statement>(m_connection.database(name()), name(), sql);
    slot.sql = sql;
    return *slot.statement;
}

void DbQuery::close()
{
    m_appending = false;
    m_appendValues.clear();
    m_insert.statement.reset();
    m_reread.statement.reset();
    if (!m_result)
        return;
    m_result.reset();
    m_row = -1;
    m_pastEnd = false;
    resultReplaced();
}

int DbQuery::execSql()
{
    const QList<QVariant> values = boundValues();
    BusyScope busy(m_busyHook);
    QSqlQuery query(m_connection.database(name()));
    DbSqlite::exec(query, name(), statement().sql, values);
    return query.numRowsAffected();
}

void DbQuery::first()
{
    m_row = recordCount() > 0 ? 0 : -1;
    m_pastEnd = false;
    rowMoved();
}

void DbQuery::next()
{
    if (m_row + 1 < recordCount()) {
        ++m_row;
        rowMoved();
    } else {
        m_pastEnd = true;
    }
}

bool DbQuery::eof() const
{
    return recordCount() == 0 || m_pastEnd;
}

void DbQuery::setRecNo(int row)
{
    if (row < 0 || row >= recordCount() || (row == m_row && !m_pastEnd))
        return;
    m_row = row;
    m_pastEnd = false;
    rowMoved();
}

int DbQuery::requireColumn(const QString& fieldName) const
{
    const int column = m_result ? m_result->columnIndex(fieldName) : -1;
    if (column < 0)
        throw EDatabaseError(name(), QStringLiteral("Das Feld '%1' wurde nicht gefunden").arg(fieldName));
    return column;
}

DbField DbQuery::fieldByName(const QString& fieldName)
{
    return DbField(*this, requireColumn(fieldName));
}

void DbQuery::append()
{
    if (!isOpen())
        throw EDatabaseError(name(), QStringLiteral("Cannot perform this operation on a closed dataset"));
    m_appending = true;
    m_appendValues.clear();
}

void DbQuery::setAppendValue(int column, const QVariant& value)
{
    if (!m_appending)
        throw EDatabaseError(name(), QStringLiteral("Dataset not in edit or insert mode"));
    m_appendValues.insert(column, value);
}

void DbQuery::post()
{
    if (!m_appending)
        throw EDatabaseError(name(), QStringLiteral("Dataset not in edit or insert mode"));
    const QString table = selectedTable(sqlText());
    if (table.isEmpty())
        throw EDatabaseError(name(), QStringLiteral("The result of this statement cannot be changed"));
    QStringList columns;
    QStringList marks;
    QList<QVariant> values;
    for (auto it = m_appendValues.cbegin(); it != m_appendValues.cend(); ++it) {
        columns.append(quoteIdentifier(m_result->columnNames().at(it.key())));
        marks.append(QStringLiteral("?"));
        values.append(it.value());
    }
    const QString insert = columns.isEmpty()
                               ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoteIdentifier(table))
                               : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                     .arg(quoteIdentifier(table), columns.join(u','), marks.join(u','));
    BusyScope busy(m_busyHook);
    DbSqlite::Statement& insertStatement = prepared(m_insert, insert);
    insertStatement.bindValues(values);
    insertStatement.step();
    const qint64 rowId = insertStatement.lastInsertRowId();

    // The stored row, with its ID and whatever the table filled in, joins the result.
    QStringList resultColumns;
    for (const QString& column : m_result->columnNames())
        resultColumns.append(quoteIdentifier(column));
    DbSqlite::Statement& reread = prepared(m_reread, QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?")
                                                         .arg(resultColumns.join(u','), quoteIdentifier(table)));
    reread.bindInteger(0, rowId);
    m_appending = false;
    m_appendValues.clear();
    if (reread.step()) {
        std::vector<DbResult::Value> row;
        appendCurrentRow(*m_result, reread, row);
        m_row = m_result->rowCount() - 1;
        m_pastEnd = false;
    }
    // No statement may stay active: it would hold the file's read lock.
    reread.reset();
    resultReplaced();
}

void DbQuery::cancel()
{
    m_appending = false;
    m_appendValues.clear();
}

DbBookmark DbQuery::bookmark() const
{
    if (!m_result || m_row < 0)
        return {};
    const int idColumn = m_result->columnIndex(QStringLiteral("ID"));
    if (idColumn >= 0)
        return {true, true, m_result->integer(m_row, idColumn)};
    return {true, false, m_row};
}

bool DbQuery::gotoBookmark(const DbBookmark& mark)
{
    if (mark.isEmpty() || !m_result)
        return false;
    if (!mark.byId) {
        if (mark.value >= recordCount())
            return false;
        setRecNo(static_cast<int>(mark.value));
        return true;
    }
    const int idColumn = m_result->columnIndex(QStringLiteral("ID"));
    if (idColumn < 0)
        return false;
    for (int row = 0; row < m_result->rowCount(); ++row) {
        if (m_result->integer(row, idColumn) == mark.value) {
            setRecNo(row);
            return true;
        }
    }
    return false;
}

void DbQuery::disableControls()
{
    ++m_disabled;
}

void DbQuery::enableControls()
{
    if (m_disabled == 0)
        return;
    if (--m_disabled == 0) {
        emit resultChanged();
        emit currentRowChanged(m_row);
    }
}

void DbQuery::resultReplaced()
{
    if (m_disabled == 0) {
        emit resultChanged();
        emit currentRowChanged(m_row);
    }
}

void DbQuery::rowMoved()
{
    if (m_disabled == 0)
        emit currentRowChanged(m_row);
}
