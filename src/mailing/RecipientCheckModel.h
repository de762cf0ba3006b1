#pragma once

#include "core/Records.h"

#include <QAbstractTableModel>

#include <vector>

// The rows of the recipient check: one per record of a run's recipients, in their order, with
// a tick in the first column and the columns "Firma", "Name", "Ort", "Email". The records are
// borrowed and must outlive the model; the ticks are the model's own, all set at the start.
// Main thread only.
class RecipientCheckModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RecipientCheckModel(QObject* parent = nullptr);

    // Shows records, every row ticked.
    void setRecords(const TFDBData* records);

    bool isTicked(int row) const { return m_ticked[size_t(row)] != 0; }
    void setTicked(int row, bool ticked);
    // Clears Selected of every record whose row is unticked; ticked rows change nothing.
    void applyUnticked(TFDBData& records) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    const TFDBData* m_records = nullptr;
    std::vector<char> m_ticked;
};
