#pragma once

#include "addressbook/RecordDialog.h"
#include "core/Records.h"

class QLineEdit;

// The modal dialog in which one sender is entered or changed. It touches no database: the
// caller loads a record (user name and password decoded), runs the dialog and stores the record
// back only when Cancelled is false. OK (command AMFOK) is enabled while company, company
// e-mail and SMTP server hold text; a single blank counts.
class TAbsModForm : public TRecordDialog {
    Q_OBJECT
public:
    explicit TAbsModForm(QWidget* parent = nullptr);

    void LoadRecord(const TAbsenderDataRecord& record);
    // The texts as they stand, untrimmed.
    void StoreRecord(TAbsenderDataRecord& record) const;

    QAction* AMFOK;
    QLineEdit* FE1;
    QLineEdit* FE2;
    QLineEdit* FE3;
    QLineEdit* FE4;
    QLineEdit* FE5;
    QLineEdit* FE6;
    QLineEdit* FE7;
    QLineEdit* FE8;
    QLineEdit* FE9;
    QLineEdit* FE10;
    QLineEdit* FE11;
    QLineEdit* FE12;
    QLineEdit* FE13;

protected:
    bool canConfirm() const override;
};
