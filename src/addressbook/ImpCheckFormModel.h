#pragma once

#include "core/Records.h"
#include "mailing/RecipientCheckModel.h"

#include <vector>

// The rows of the import preview: one per record of an array that the model reads and never
// copies (the preview costs a tick and a mark per row beyond the records), with the ticks of the
// recipient check in column 0 and every recipient field in a column; marked rows are tinted. The
// array must outlive the model and keep its size while the model shows it.
class TImpCheckModel : public RecipientCheckModel {
    Q_OBJECT
public:
    explicit TImpCheckModel(QObject* parent = nullptr);

    // Shows the records, every row ticked and none marked.
    void setRecords(const TFDBData& records);
    // Tints the rows of these record indexes.
    void markRows(const QList<qsizetype>& rows);

    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The column's width in pixels.
    static int columnWidth(int column);

private:
    const TFDBData* m_records = nullptr;
    std::vector<char> m_marked;
};
