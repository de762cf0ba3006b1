#pragma once

#include "platform/DbQuery.h"
#include "support/QtPrinters.h"

#include <QStringList>

#include <ostream>

// The rows of an open query as "a,b|c,d", every column as text; leaves the query past its end.
inline QString rowsText(DbQuery& query)
{
    QStringList lines;
    for (query.first(); !query.eof(); query.next()) {
        QStringList values;
        for (const QString& column : query.result()->columnNames())
            values.append(query.fieldByName(column).asString());
        lines.append(values.join(u','));
    }
    return lines.join(u'|');
}
