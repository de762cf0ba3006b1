#include "mailing/RecipientCheckModel.h"

namespace {

constexpr RecipientField kColumns[] = {RecipientField::Firma, RecipientField::Name, RecipientField::Ort,
                                       RecipientField::Email};
constexpr int kColumnCount = int(std::size(kColumns));

} // namespace

RecipientCheckModel::RecipientCheckModel(QObject* parent) : QAbstractTableModel(parent) {}

void RecipientCheckModel::setRecords(const TFDBData* records)
{
    beginResetModel();
    m_records = records;
    m_ticked.assign(records ? size_t(records->size()) : 0, 1);
    endResetModel();
}

void RecipientCheckModel::setTicked(int row, bool ticked)
{
    m_ticked[size_t(row)] = ticked ? 1 : 0;
    const QModelIndex cell = index(row, 0);
    emit dataChanged(cell, cell, {Qt::CheckStateRole});
}

void RecipientCheckModel::applyUnticked(TFDBData& records) const
{
    const qsizetype rows = qMin(records.size(), qsizetype(m_ticked.size()));
    for (qsizetype row = 0; row < rows; ++row) {
        if (!m_ticked[size_t(row)])
            records[row].Selected = false;
    }
}

int RecipientCheckModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_ticked.size());
}

int RecipientCheckModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant RecipientCheckModel::data(const QModelIndex& index, int role) const
{
    if (!m_records || !index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return m_records->at(index.row()).text(kColumns[index.column()]);
    if (role == Qt::CheckStateRole && index.column() == 0)
        return isTicked(index.row()) ? Qt::Checked : Qt::Unchecked;
    return {};
}

bool RecipientCheckModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::CheckStateRole || index.column() != 0 || !index.isValid())
        return false;
    setTicked(index.row(), value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags RecipientCheckModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == 0)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QVariant RecipientCheckModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const QString captions[] = {QStringLiteral("Firma"), QStringLiteral("Name"), QStringLiteral("Ort"),
                                       QStringLiteral("Email")};
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < kColumnCount)
        return captions[section];
    return {};
}
