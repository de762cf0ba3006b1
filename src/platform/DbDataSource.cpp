#include "platform/DbDataSource.h"

#include "platform/DbQuery.h"

DbDataSource::DbDataSource(DbQuery& query, QObject* parent) : QAbstractTableModel(parent), m_query(query)
{
    connect(&m_query, &DbQuery::resultChanged, this, &DbDataSource::takeResult);
    m_shown = m_query.result();
    m_rows = m_shown ? m_shown->rowCount() : 0;
}

void DbDataSource::takeResult()
{
    beginResetModel();
    m_shown = m_query.result();
    m_rows = m_shown ? m_shown->rowCount() : 0;
    endResetModel();
}

int DbDataSource::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int DbDataSource::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_shown ? 0 : m_shown->columnCount();
}

QVariant DbDataSource::data(const QModelIndex& index, int role) const
{
    if (!m_shown || !index.isValid() || index.row() >= m_rows || index.column() >= m_shown->columnCount())
        return {};
    if (role == Qt::DisplayRole)
        return m_shown->displayValue(index.row(), index.column());
    return {};
}

QVariant DbDataSource::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && m_shown && section < m_shown->columnCount())
        return m_shown->columnNames().at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

int DbDataSource::columnOf(const QString& name) const
{
    return m_shown ? m_shown->columnIndex(name) : -1;
}
