#pragma once

#include "core/Records.h"

#include <QDialog>

struct ImportNotes;
class CommandUpdater;
class QAction;
class QLabel;
class QScrollArea;
class QTreeView;
class TFlatSB;
class TImpCheckModel;

// "Import Übersicht": the records read from the file, one ticked row each in file order; the
// user unticks rows that are not to be written and confirms the overwrite of the sender's
// recipients. Confirmed is true only after Yes to that question. Notes about the file's quotes
// show above the list, and their records are tinted. Main thread only; created by its caller for
// one use.
class TImpCheckForm : public QDialog {
    Q_OBJECT
public:
    explicit TImpCheckForm(QWidget* parent = nullptr);

    bool Confirmed = false;

    // One ticked row per record, read from records, which must outlive the dialog unchanged.
    void FillRows(const TFDBData& records);
    // Shows the notes' text above the list and tints their records' rows; empty notes show nothing.
    void ShowNotes(const ImportNotes& notes);
    // Clears Selected of every record whose row is unticked; records must be the filled array.
    void ApplyUnchecked(TFDBData& records) const;

    void ImpCheckOKExecute();
    void updateCommands();

    QLabel* NoteLabel;
    QTreeView* LV1;
    TImpCheckModel* Rows;
    QAction* ImpCheckOK;
    TFlatSB* FlatSB1;
    TFlatSB* FlatSB2;

protected:
    void showEvent(QShowEvent* event) override;

private:
    CommandUpdater* m_updater;
    QScrollArea* m_notes;
};
