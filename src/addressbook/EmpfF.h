#pragma once

#include "addressbook/ScreenDatabase.h"
#include "addressbook/SenderChoice.h"
#include "controls/TTACutLabel.h"
#include "core/Records.h"

#include <QFrame>
#include <QList>

#include <functional>
#include <memory>
#include <optional>

class CommandUpdater;
class QAction;
class QComboBox;
class TDM2;
class TFlatSB;
class TRecordGrid;

// The recipient screen: a sender is picked in FCB1, the grid lists that sender's recipients
// ordered by surname, the current recipient's fields stand below, and Label6 counts them.
// Recipients are added, edited and deleted through the recipient dialog; the commands for the
// import (EmpfFImp) and the send workflow (EmpfFNews) are enabled while a sender is chosen.
//
// The main window creates the frame inside its host panel and then calls FCB1Change once,
// which loads the first sender's list (creation itself loads only when there is no sender, the
// list of sender ID 0). Deleting the frame runs ReleaseData. The sender choices are read once,
// at creation. All work runs on the main thread on the database module's shared queries; a
// routine that returns false has reported the failure. While a routine waits for the user the
// busy guard is held, so the main window keeps the frame alive.
class TEmpfFrame : public QFrame {
    Q_OBJECT
public:
    TEmpfFrame(TDM2& dm, QWidget* parent, TDialogRunner runDialog = execDialog());
    ~TEmpfFrame() override;

    // The choice box's change handler; also called by the main window after parenting.
    void FCB1Change();
    // Closes the recipient query and forgets the sender choices.
    void ReleaseData();

    // The chosen sender; only while FCB1 has a selection (index not -1).
    const QList<TDBABSRecord>& SenderChoices() const { return m_senderChoices; }
    bool hasChosenSender() const;
    const TDBABSRecord& chosenSender() const;

    // For the import: the chosen sender's list again, and the count label.
    bool OpenRecipientList(qint64 senderId);
    void UpdateRecipientCount();

    bool DBError() const { return m_dbError; }
    void updateCommands();

    void EmpfFNeuExecute();
    void EmpfFModExecute();
    void EmpfFDelExecute();
    void EmpfFImpExecute();
    void EmpfFNewsExecute();
    // What "Newsletter >>" runs, with the chosen sender's ID (none when no sender is chosen);
    // set by whoever hosts the frame.
    void setNewsletterCommand(std::function<void(std::optional<qint64> senderId)> command)
    {
        m_newsletterCommand = std::move(command);
    }

    bool InsertRecipient(const TEmpfDataRecord& record, qint64 senderId);
    bool UpdateRecipient(const TEmpfDataRecord& record, qint64 senderId, qint64 recipientId);
    bool DeleteRecipient(qint64 senderId, qint64 recipientId);

    QAction* EmpfFNeu;
    QAction* EmpfFMod;
    QAction* EmpfFDel;
    QAction* EmpfFImp;
    QAction* EmpfFNews;
    QComboBox* FCB1;
    TTACutLabel* Label6;
    TFlatSB* FlatSB1;
    TFlatSB* FlatSB2;
    TFlatSB* FlatSB3;
    TFlatSB* FlatSB4;
    TFlatSB* FlatSB5;
    TRecordGrid* RxDBGrid1;

private:
    void buildLayout();
    QWidget* buildDetails();
    void LoadSenderChoices();
    void EmpfFModUpdate();
    void RxDBGrid1DblClick();
    bool rowsListed() const;
    void AddRecipient();
    void EditRecipient();
    void LoadRecipientRecord(TEmpfDataRecord& record);
    void senderTyped(const QString& text);
    // Shows the record in the dialog; true with the record stored back when it was confirmed.
    bool editInDialog(TEmpfDataRecord& record, const QString& senderFirma);
    TEmpfDataRecord& NewRecord();
    void FreeRecord() { m_record.reset(); }

    TDM2& m_dm;
    TDialogRunner m_runDialog;
    std::function<void(std::optional<qint64>)> m_newsletterCommand;
    CommandUpdater* m_updater;
    QList<TDBABSRecord> m_senderChoices;
    std::unique_ptr<TEmpfDataRecord> m_record;
    bool m_dbError = false;
};
