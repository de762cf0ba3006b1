#pragma once

#include "platform/DbResult.h"

#include <QAbstractTableModel>

#include <memory>

class DbQuery;

// A model for Qt's grids over a query's result: one column per result column (headed by its
// name), one row per result row, values read on demand from the compact result. It follows
// the query while its controls are enabled; while they are disabled it keeps showing the rows
// it had (also when the query is closed meanwhile) and resets once when they are enabled
// again. Main thread only; the query must outlive the model.
class DbDataSource : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit DbDataSource(DbQuery& query, QObject* parent = nullptr);

    DbQuery& query() const { return m_query; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The column of a result column name (without regard to case); -1 when there is none.
    int columnOf(const QString& name) const;

private:
    void takeResult();

    DbQuery& m_query;
    std::shared_ptr<const DbResult> m_shown;
    int m_rows = 0; // rows appended to the shared result later stay hidden until the next reset
};
