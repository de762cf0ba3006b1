#pragma once

#include "core/Records.h"

#include <QDialog>

class CommandUpdater;
class QAction;
class QTreeWidget;
class TFlatSB;

// "Import Übersicht": the records read from the file, one ticked row each in file order; the
// user unticks rows that are not to be written and confirms the overwrite of the sender's
// recipients. Confirmed is true only after Yes to that question. Main thread only; created by
// its caller for one use.
class TImpCheckForm : public QDialog {
    Q_OBJECT
public:
    explicit TImpCheckForm(QWidget* parent = nullptr);

    bool Confirmed = false;

    // One ticked row per record; each row carries its record's index.
    void FillRows(const TFDBData& records);
    // Clears Selected of every record whose row is unticked; records must be the filled array.
    void ApplyUnchecked(TFDBData& records) const;

    void ImpCheckOKExecute();
    void updateCommands();

    QTreeWidget* LV1;
    QAction* ImpCheckOK;
    TFlatSB* FlatSB1;
    TFlatSB* FlatSB2;

protected:
    void showEvent(QShowEvent* event) override;

private:
    CommandUpdater* m_updater;
};
