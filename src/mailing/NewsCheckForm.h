#pragma once

#include "core/Records.h"

#include <QDialog>

#include <memory>

class QLabel;
class QTableView;
class RecipientCheckModel;
class TFlatSB;
class TPStartForm;
class TTACutLabel;

// The recipient check "Newsletter versenden - Empfängerübersicht", the last dialog before a
// send run: the run's sender, subject and template, and every gathered recipient with a tick.
// Created by the send workflow, filled once by Setup, shown modally; after Result 1 the
// workflow calls ApplyUnchecked, then frees it. The records given to Setup must outlive the
// dialog. Main thread only.
class TNewsCheckForm : public QDialog {
    Q_OBJECT
public:
    explicit TNewsCheckForm(QWidget* parent = nullptr);
    ~TNewsCheckForm() override;

    // Fills the header lines and the list (every row ticked, in the records' order) and frees
    // the progress window, which it uses meanwhile.
    void Setup(const TFDBData& Recipients, const QString& Company, const QString& Email, const QString& Subject,
               const QString& FileName, std::unique_ptr<TPStartForm>& Progress);
    // Clears Selected of every record whose row the user unticked.
    void ApplyUnchecked(TFDBData& Recipients) const;

    quint8 Result = 0;

    RecipientCheckModel& model() const { return *m_model; }
    TTACutLabel* TAL7;
    TTACutLabel* TAL8;
    TTACutLabel* TAL9;
    TTACutLabel* TAL10;
    QTableView* LV1;
    TFlatSB* FlatSB1;
    TFlatSB* FlatSB2;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FlatSB1Click();

    RecipientCheckModel* m_model;
};
