#include "platform/DbSqlite.h"

#include "platform/DbError.h"

#include <QSqlDriver>
#include <QSqlError>

namespace DbSqlite {

sqlite3* handle(const QSqlDatabase& db)
{
    if (!db.isOpen() || !db.driver())
        return nullptr;
    const QVariant v = db.driver()->handle();
    if (!v.isValid() || qstrcmp(v.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(v.constData());
}

QString errorText(const QSqlQuery& query)
{
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

void run(QSqlQuery& query, const QString& component, const QList<QVariant>& values)
{
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values.at(i));
    if (!query.exec())
        throw EDatabaseError(component, errorText(query));
}

} // namespace DbSqlite
