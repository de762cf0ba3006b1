#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QTableView>

class DbDataSource;
class DbQuery;

// One column of a record grid: the result column it shows and its width in pixels.
struct TGridColumn {
    QString field;
    int width;
};

// The read-only record grid of the list screens: a table over a data source that shows the
// given columns (titled with their field names), one fixed-height line per row, whole-row
// selection that stays visible without the focus, resizable columns. Its current row follows
// the query's current row and moves the query's row when the user picks another one. The
// columns and their titles stay when the query is closed; the grid then shows no rows.
// Nothing here costs time per row, so 100,000 rows scroll as smoothly as ten.
// Main thread only; the data source and its query must outlive the grid.
class TRecordGrid : public QTableView {
    Q_OBJECT
public:
    TRecordGrid(DbDataSource& source, const QList<TGridColumn>& columns, bool centredTitles, QWidget* parent);

    DbQuery& query() const;
    // The field of the grid's current column (the first one until the user picks a cell);
    // empty while the query is closed or lacks that column.
    QString selectedField() const;
    // The text of the selected field in the query's current row; empty without one.
    QString selectedFieldText() const;
    bool hasSelectedField() const { return !selectedField().isEmpty(); }

private:
    void followQueryRow(int row);

    class ColumnModel;
    ColumnModel* m_model;
    QList<TGridColumn> m_columns;
    bool m_following = false;
};
