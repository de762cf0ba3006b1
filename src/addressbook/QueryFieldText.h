#pragma once

#include "controls/TKubDBText.h"

class DbQuery;

// The text of one column in a query's current row, for a data label; empty while the query is
// closed, has no current row or lacks the column. Follows the query's result and row (so not
// while its controls are disabled). The query must outlive the source, and the source the
// labels that show it (a label must not be its parent: it would be told of the source's end
// while it is itself being destroyed).
class TQueryFieldText : public TFieldTextSource {
    Q_OBJECT
public:
    TQueryFieldText(DbQuery& query, QString field, QObject* parent);

    QString displayText() const override;

private:
    DbQuery& m_query;
    QString m_field;
};

// A data label in the accent colour named "DBText" + field, showing field of query's current
// row; its source belongs to sourceOwner (see above).
TKubDBText* newDataLabel(DbQuery& query, const QString& field, QWidget* parent, QObject* sourceOwner);
