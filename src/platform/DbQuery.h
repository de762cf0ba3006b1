#pragma once

#include "platform/DbResult.h"
#include "platform/DbSql.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>

class DbConnection;
class DbQuery;
namespace DbSqlite {
class Statement;
}

// A position in a query's result that survives close and reopen: the row's "ID" when the
// result has that column, else its row number.
struct DbBookmark {
    bool valid = false;
    bool byId = false;
    qint64 value = 0;
    bool isEmpty() const { return !valid; }
};

// The typed setters of parameters and fields; Booleans are stored as 0 and 1, and an empty text
// as '' (a null QString would otherwise bind as NULL).
template <typename Target>
class DbValueSetters {
public:
    void setAsString(const QString& value)
    {
        static_cast<Target*>(this)->setValue(value.isNull() ? QStringLiteral("") : value);
    }
    void setAsInteger(qint64 value) { static_cast<Target*>(this)->setValue(value); }
    void setAsBoolean(bool value) { static_cast<Target*>(this)->setValue(qint64(value ? 1 : 0)); }
};

// One parameter of a query, bound by position.
class DbParam : public DbValueSetters<DbParam> {
private:
    friend class DbQuery;
    friend class DbValueSetters<DbParam>;
    DbParam(DbQuery& query, int index)
        : m_query(query),
          m_index(index)
    {
    }
    void setValue(const QVariant& value);
    DbQuery& m_query;
    int m_index;
};

// One column of the current row, or of the row being appended; the setters work only while a
// row is being appended.
class DbField : public DbValueSetters<DbField> {
public:
    QString asString() const;
    qint64 asInteger() const; // throws when the value is text that is no number
    bool asBoolean() const;
    bool isNull() const;

private:
    friend class DbQuery;
    friend class DbValueSetters<DbField>;
    DbField(DbQuery& query, int column)
        : m_query(query),
          m_column(column)
    {
    }
    void setValue(const QVariant& value);
    DbQuery& m_query;
    int m_column;
};

// A query on a connection. The SQL text is set line by line (the lines are joined by line
// breaks); ":Name" parameters are numbered in order of appearance and set by position before
// open or execSql, which throw when one has no value. Open reads the whole result, so no
// statement stays open across writes; the result is live: append, set fields and post write a
// row into the table that the SELECT reads, and the row with its ID assigned by the database
// joins the result. Every failure throws EDatabaseError "name: engine text".
//
// Bound controls (DbDataSource) follow resultChanged and currentRowChanged; while
// disableControls() is in force (nested) neither is emitted, and the final enableControls()
// emits both once. Main thread only. A query must not outlive its connection.
class DbQuery : public QObject {
    Q_OBJECT
public:
    DbQuery(DbConnection& connection, const QString& componentName, QObject* parent = nullptr);
    ~DbQuery() override;

    QString name() const { return objectName(); }
    DbConnection& connection() const { return m_connection; }

    // Changing the SQL text closes the query and forgets every parameter value.
    const QStringList& sql() const { return m_sql; }
    void clearSql();
    void addSql(const QString& line);
    void setSql(const QStringList& lines);
    QString sqlText() const { return m_sql.join(u'\n'); }

    int paramCount() const;
    DbParam param(int index); // throws when index is out of range

    // Called with true before the query works and with false afterwards (also on a failure,
    // before the exception reaches the caller). Typically sets the hourglass cursor.
    void setBusyHook(std::function<void(bool busy)> hook) { m_busyHook = std::move(hook); }

    void open(); // does nothing when open
    void close(); // drops the result and a pending append
    bool isOpen() const { return m_result != nullptr; }
    // Runs UPDATE, DELETE or any statement without a result; returns the rows changed.
    int execSql();

    void first();
    void next();
    bool eof() const;
    int recordCount() const { return m_result ? m_result->rowCount() : 0; }
    int recNo() const { return m_row; } // -1 when no row is current
    void setRecNo(int row);

    // Throws "name: Das Feld 'X' wurde nicht gefunden" for a column the result lacks.
    DbField fieldByName(const QString& name);

    void append(); // starts a new row; needs an open query
    void post();   // writes the appended row
    void cancel(); // drops a row being appended (also one whose post failed); nothing else
    bool isAppending() const { return m_appending; }

    DbBookmark bookmark() const;
    bool gotoBookmark(const DbBookmark& mark); // false when the row is not there

    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return m_disabled > 0; }

    // The current result (shared, so a grid may keep showing it after close); nullptr when closed.
    std::shared_ptr<const DbResult> result() const { return m_result; }

signals:
    void resultChanged();
    void currentRowChanged(int row);

private:
    friend class DbParam;
    friend class DbField;

    class BusyScope;
    // A statement kept prepared while the query is open, so appending many rows parses the
    // INSERT once.
    struct Prepared {
        QString sql;
        std::unique_ptr<DbSqlite::Statement> statement;
    };
    DbSqlite::Statement& prepared(Prepared& slot, const QString& sql);
    const DbStatement& statement() const;
    QList<QVariant> boundValues() const;
    int requireColumn(const QString& name) const;
    void setParamValue(int index, const QVariant& value);
    void setAppendValue(int column, const QVariant& value);
    QVariant appendValue(int column) const { return m_appendValues.value(column); }
    void resultReplaced();
    void rowMoved();

    DbConnection& m_connection;
    QStringList m_sql;
    mutable std::unique_ptr<DbStatement> m_statement; // parsed on demand
    QList<QVariant> m_paramValues;                    // invalid: not set
    std::function<void(bool)> m_busyHook;
    std::shared_ptr<DbResult> m_result;
    int m_row = -1;
    bool m_pastEnd = false;
    bool m_appending = false;
    QMap<int, QVariant> m_appendValues;
    Prepared m_insert;
    Prepared m_reread;
    int m_disabled = 0;
};
