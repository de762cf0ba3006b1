#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

struct sqlite3;

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

// Binds values by position to an already prepared query and executes it; throws like exec.
void run(QSqlQuery& query, const QString& component, const QList<QVariant>& values);

} // namespace DbSqlite
