#include "platform/DbSqlite.h"

#include "platform/DbError.h"

#include <sqlite3.h>

#include <QFileInfo>

#include <QSqlDriver>
#include <QSqlError>

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

void run(QSqlQuery& query, const QString& component, const QList<QVariant>& values)
{
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values.at(i));
    if (!query.exec())
        throw EDatabaseError(component, errorText(query));
}

} // namespace DbSqlite
