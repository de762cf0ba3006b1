#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// Small helpers over Qt's SQLite driver shared by the engine classes.
namespace DbSqlite {

// The driver's SQLite handle; nullptr when the database is not open.
sqlite3* handle(const QSqlDatabase& db);

// The engine's own text of the query's last error; when a file of the connection has vanished
// since it was opened, a text that says so instead.
QString errorText(const QSqlQuery& query);

// Prepares sql, binds values by position and executes it; throws EDatabaseError
// "component: engine text" (with prefix before the engine text when given).
void exec(QSqlQuery& query, const QString& component, const QString& sql, const QList<QVariant>& values,
          const QString& prefix = {});

// One statement prepared straight on the driver's SQLite handle, for the loops over many rows
// where Qt's per-value QVariant and UTF-16 round trips cost more than the engine itself. Text
// goes in and out as UTF-8, the tables' own encoding. Finalised at its end, so it holds no
// lock afterwards; it must end before the connection closes, which Qt's driver cannot do while
// a statement it does not know of is alive. Failures throw EDatabaseError "component: engine
// text". One thread, the connection's.
class Statement {
public:
    // Throws when db is not open, or sql does not compile or holds more than one statement.
    Statement(const QSqlDatabase& db, const QString& component, const QString& sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Positions count from 0. A null QString binds as ''.
    void bindInteger(int position, qint64 value);
    void bindText(int position, const QString& value);
    // A value as QSqlQuery would bind it: null, Boolean and integer types as numbers, double,
    // anything else as text.
    void bindValue(int position, const QVariant& value);
    void bindValues(const QList<QVariant>& values);

    // True while a row is there; false at the end. The statement resets itself after its end
    // or a failure, so it can be bound and stepped again.
    bool step();
    void reset();

    int columnCount() const;
    QString columnName(int column) const;
    // The declared type of a result column ("" for an expression).
    QByteArray declaredType(int column) const;
    enum class Type { Integer, Real, Text, Null };
    // A value of the current row; text is UTF-8, valid until the next step, reset or the
    // statement's end.
    struct Column {
        Type type = Type::Null;
        qint64 integer = 0;
        double real = 0;
        const char* text = nullptr;
        int bytes = 0;
    };
    Column column(int index) const;

    qint64 lastInsertRowId() const;

private:
    [[noreturn]] void fail() const;

    sqlite3* m_handle = nullptr;
    sqlite3_stmt* m_statement = nullptr;
    QString m_component;
    std::vector<QByteArray> m_texts; // the bound texts, by position
};

} // namespace DbSqlite
