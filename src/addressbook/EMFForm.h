#pragma once

#include "addressbook/RecordDialog.h"
#include "core/Records.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

// The modal dialog in which one recipient is entered or changed. It touches no database: the
// caller loads a record with the owning sender's company name, runs the dialog and stores the
// record back only when Cancelled is false. Status is neither shown nor changed. OK (command
// EMFOK) is enabled while the e-mail address holds text; a single blank counts.
class TEmpfModForm : public TRecordDialog {
    Q_OBJECT
public:
    explicit TEmpfModForm(QWidget* parent = nullptr);

    void LoadRecord(const TEmpfDataRecord& record, const QString& senderFirma);
    void StoreRecord(TEmpfDataRecord& record) const;

    QAction* EMFOK;
    QLabel* Label14;
    QLineEdit* FE12;
    QLineEdit* FE3;
    QLineEdit* FE1;
    QLineEdit* FE13;
    QLineEdit* FE2;
    QComboBox* FCB1;
    QLineEdit* FE4;
    QLineEdit* FE5;
    QLineEdit* FE6;
    QLineEdit* FE8;
    QLineEdit* FE7;
    QLineEdit* FE9;
    QLineEdit* FE10;
    QLineEdit* FE11;
    QComboBox* FCB2;
    QCheckBox* FCheckB1;

protected:
    bool canConfirm() const override;

private:
    QVBoxLayout* group(const QString& title, QBoxLayout* into);
    // The edit of each recipient field, in the order the source file's field list names them.
    std::array<QLineEdit*, kRecipientFieldCount> fieldEdits() const;
};
