#include "addressbook/ImpCheckFormModel.h"

#include <QBrush>
#include <QColor>

namespace {

struct PreviewColumn {
    RecipientField field;
    int width; // pixels
};

constexpr int kDefaultWidth = 50;
constexpr PreviewColumn kColumns[] = {{RecipientField::Firma, 150},
                                      {RecipientField::ZName, 150},
                                      {RecipientField::Anrede, 100},
                                      {RecipientField::Vorname, 100},
                                      {RecipientField::Name, 100},
                                      {RecipientField::Titel, kDefaultWidth},
                                      {RecipientField::Strasse, 150},
                                      {RecipientField::PLZ, 60},
                                      {RecipientField::Ort, 150},
                                      {RecipientField::ZAdresse, 150},
                                      {RecipientField::Land, kDefaultWidth},
                                      {RecipientField::Email, 150},
                                      {RecipientField::Tel, 130},
                                      {RecipientField::Fax, 130},
                                      {RecipientField::BFormel, 150}};
static_assert(namesEveryRecipientFieldOnce(kColumns, &PreviewColumn::field), "a column for each recipient field");
constexpr int kColumnCount = static_cast<int>(std::size(kColumns));

} // namespace

TImpCheckModel::TImpCheckModel(QObject* parent) : RecipientCheckModel(parent) {}

void TImpCheckModel::setRecords(const TFDBData& records)
{
    m_records = &records;
    m_marked.assign(static_cast<size_t>(records.size()), 0);
    RecipientCheckModel::setRecords(&records);
}

void TImpCheckModel::markRows(const QList<qsizetype>& rows)
{
    for (const qsizetype row : rows) {
        if (row >= 0 && row < rowCount()) {
            m_marked[static_cast<size_t>(row)] = 1;
            emit dataChanged(index(static_cast<int>(row), 0), index(static_cast<int>(row), kColumnCount - 1));
        }
    }
}

int TImpCheckModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant TImpCheckModel::data(const QModelIndex& index, int role) const
{
    if (!m_records || !index.isValid() || index.row() >= rowCount())
        return {};
    if (role == Qt::DisplayRole)
        return m_records->at(index.row()).text(kColumns[index.column()].field);
    if (role == Qt::BackgroundRole)
        return m_marked[static_cast<size_t>(index.row())] ? QVariant(QBrush(QColor(255, 236, 153))) : QVariant();
    return RecipientCheckModel::data(index, role);
}

QVariant TImpCheckModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kColumnCount)
        return {};
    return recipientField(kColumns[section].field).caption.toString();
}

int TImpCheckModel::columnWidth(int column)
{
    return kColumns[column].width;
}
