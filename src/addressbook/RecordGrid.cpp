#include "addressbook/RecordGrid.h"

#include "platform/DbDataSource.h"
#include "platform/DbQuery.h"

#include <QHeaderView>

// The data source's columns picked and ordered by name; recomputed at each reset.
class TRecordGrid::ColumnModel : public QAbstractTableModel {
public:
    ColumnModel(DbDataSource& source, const QList<TGridColumn>& columns, bool centredTitles, QObject* parent)
        : QAbstractTableModel(parent), m_source(source), m_centred(centredTitles)
    {
        for (const TGridColumn& column : columns)
            m_fields.append(column.field);
        connect(&m_source, &QAbstractItemModel::modelAboutToBeReset, this, [this] { beginResetModel(); });
        connect(&m_source, &QAbstractItemModel::modelReset, this, [this] {
            mapColumns();
            endResetModel();
        });
        mapColumns();
    }

    DbDataSource& source() const { return m_source; }

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : m_source.rowCount(); }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(m_fields.size());
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || role != Qt::DisplayRole)
            return {};
        const int column = m_sourceColumns.value(index.column(), -1);
        return column < 0 ? QVariant() : m_source.data(m_source.index(index.row(), column), role);
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && section >= 0 && section < m_fields.size()) {
            if (role == Qt::DisplayRole)
                return m_fields.at(section);
            if (role == Qt::TextAlignmentRole && m_centred)
                return QVariant::fromValue(Qt::AlignCenter);
        }
        return QAbstractTableModel::headerData(section, orientation, role);
    }

private:
    void mapColumns()
    {
        m_sourceColumns.clear();
        for (const QString& field : std::as_const(m_fields))
            m_sourceColumns.append(m_source.columnOf(field));
    }

    DbDataSource& m_source;
    bool m_centred;
    QStringList m_fields;
    QList<int> m_sourceColumns;
};

TRecordGrid::TRecordGrid(DbDataSource& source, const QList<TGridColumn>& columns, bool centredTitles, QWidget* parent)
    : QTableView(parent), m_model(new ColumnModel(source, columns, centredTitles, this)), m_columns(columns)
{
    setModel(m_model);
    setEditTriggers(NoEditTriggers);
    setSelectionBehavior(SelectRows);
    setSelectionMode(SingleSelection);
    setWordWrap(false);
    setShowGrid(true);
    setAlternatingRowColors(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    for (int i = 0; i < columns.size(); ++i)
        setColumnWidth(i, columns.at(i).width);
    // The selection stays visible when the grid loses the focus.
    QPalette colours = palette();
    for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        colours.setColor(QPalette::Inactive, role, colours.color(QPalette::Active, role));
    setPalette(colours);

    connect(&query(), &DbQuery::currentRowChanged, this, &TRecordGrid::followQueryRow);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this](const QModelIndex& current) {
        if (!m_following && current.isValid())
            query().setRecNo(current.row());
    });
    followQueryRow(query().recNo());
}

DbQuery& TRecordGrid::query() const
{
    return m_model->source().query();
}

void TRecordGrid::followQueryRow(int row)
{
    m_following = true;
    if (row >= 0 && row < m_model->rowCount()) {
        const int column = currentIndex().isValid() ? currentIndex().column() : 0;
        const QModelIndex index = m_model->index(row, column);
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(index);
    } else if (row < 0) {
        selectionModel()->clear();
    }
    m_following = false;
}

QString TRecordGrid::selectedField() const
{
    const std::shared_ptr<const DbResult> result = query().result();
    if (!result || m_columns.isEmpty())
        return {};
    const int column = currentIndex().isValid() ? currentIndex().column() : 0;
    const QString& field = m_columns.at(column).field;
    return result->columnIndex(field) < 0 ? QString() : field;
}

QString TRecordGrid::selectedFieldText() const
{
    const QString field = selectedField();
    const std::shared_ptr<const DbResult> result = query().result();
    const int row = query().recNo();
    if (field.isEmpty() || row < 0 || row >= result->rowCount())
        return {};
    return result->text(row, result->columnIndex(field));
}
