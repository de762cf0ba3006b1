#include "platform/DbSchema.h"

namespace {

QString columnSql(const DbColumn& column)
{
    const QString name = quoteIdentifier(column.name);
    switch (column.type) {
    case DbColumnType::Integer:
        return name + QStringLiteral(" INTEGER");
    case DbColumnType::AutoIncrement:
        // AUTOINCREMENT never hands out an ID again, also not after the highest row was deleted.
        return name + QStringLiteral(" INTEGER PRIMARY KEY AUTOINCREMENT");
    case DbColumnType::SmallInt:
        return name + QStringLiteral(" SMALLINT");
    case DbColumnType::Boolean:
        return name + QStringLiteral(" BOOLEAN");
    case DbColumnType::Text:
        break;
    }
    QString sql = name + QStringLiteral(" VARCHAR(%1)").arg(column.width);
    if (!column.collation.isEmpty())
        sql += QStringLiteral(" COLLATE ") + column.collation;
    // SQLite stores any length; the named constraint makes an overlong value an error that says which.
    sql += QStringLiteral(" CONSTRAINT ") +
           quoteIdentifier(QStringLiteral("%1 longer than %2 characters").arg(column.name).arg(column.width)) +
           QStringLiteral(" CHECK (length(%1) <= %2)").arg(name).arg(column.width);
    return sql;
}

} // namespace

QString quoteIdentifier(const QString& name)
{
    QString escaped = name;
    escaped.replace(u'"', QLatin1String("\"\""));
    return u'"' + escaped + u'"';
}

QString DbTableDef::createTableSql(const QString& schemaName) const
{
    QStringList parts;
    for (const DbColumn& column : columns)
        parts.append(columnSql(column));
    return QStringLiteral("CREATE TABLE ") + quoteIdentifier(schemaName) + u'.' + quoteIdentifier(name) +
           QStringLiteral(" (") + parts.join(QStringLiteral(", ")) + u')';
}

QStringList DbTableDef::createIndexSql(const QString& schemaName) const
{
    QStringList statements;
    for (const DbIndex& index : indexes) {
        QStringList columnNames;
        for (const QString& column : index.columns)
            columnNames.append(quoteIdentifier(column));
        statements.append(
            QStringLiteral("CREATE %1INDEX IF NOT EXISTS ").arg(index.unique ? QStringLiteral("UNIQUE ") : QString()) +
            quoteIdentifier(schemaName) + u'.' + quoteIdentifier(index.name) + QStringLiteral(" ON ") +
            quoteIdentifier(name) + QStringLiteral(" (") + columnNames.join(QStringLiteral(", ")) + u')');
    }
    return statements;
}

QString DbTableDef::indexFileText() const
{
    QString text = QStringLiteral("# Index definitions of table %1: name, UNIQUE or INDEX, columns\n").arg(name);
    for (const DbIndex& index : indexes)
        text += index.name + u' ' + (index.unique ? QStringLiteral("UNIQUE") : QStringLiteral("INDEX")) + u' ' +
                index.columns.join(u',') + u'\n';
    return text;
}

QString DbSchema::schemaNameOf(int tableIndex) const
{
    return tableIndex == 0 ? QStringLiteral("main") : tables.at(tableIndex).name;
}

int DbSchema::indexOfTable(const QString& name) const
{
    for (int i = 0; i < tables.size(); ++i) {
        if (tables.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}
