#pragma once

#include "addressbook/ScreenDatabase.h"
#include "core/Records.h"

#include <QFrame>

#include <memory>

class CommandUpdater;
class QAction;
class TDM2;
class TFlatSB;
class TRecordGrid;

// The sender screen: all senders ordered by company in a grid, the current one's data below,
// and the commands to add, edit and delete senders through the sender dialog. Deleting a sender
// deletes its recipients in the same transaction. The stored SMTP user name and password are
// written encoded and read decoded.
//
// The main window creates the frame inside its host panel, calls OpenData, and deletes it when
// another screen is chosen or the window closes; the frame leaves AbsendQuery as it is. All
// work runs on the main thread on the database module's shared queries; every failure has been
// reported with a box when a routine returns false. While a routine waits for the user (a
// dialog, a question) the busy guard is held, so the main window keeps the frame alive.
class TAbsFrame : public QFrame {
    Q_OBJECT
public:
    TAbsFrame(TDM2& dm, QWidget* parent, TDialogRunner runDialog = execDialog());
    ~TAbsFrame() override;

    // Opens the sender list; a failure sets DBError.
    void OpenData();

    bool DBError() const { return m_dbError; }
    // Runs the idle-time command updates now (tests; the event loop runs them too).
    void updateCommands();

    void AbsFNeuExecute();
    void AbsFModExecute();
    void AbsFDelExecute();

    bool OpenSenderList();
    bool InsertSender(const TAbsenderDataRecord& record);
    bool UpdateSender(const TAbsenderDataRecord& record, qint64 senderId);
    bool DeleteSenderCascade(qint64 senderId);

    QAction* AbsFNeu;
    QAction* AbsFMod;
    QAction* AbsFDel;
    TFlatSB* FlatSB1;
    TFlatSB* FlatSB2;
    TFlatSB* FlatSB3;
    TRecordGrid* RxDBGrid1;

private:
    void buildLayout();
    QWidget* buildDetails();
    void AbsFNeuUpdate();
    void RxDBGrid1DblClick();
    void AddSender();
    void EditSender();
    void LoadSenderRecord(TAbsenderDataRecord& record);
    // After a failed change: the list once more; when that fails too, DBError.
    void reopenAfterFailure();
    // Shows the record in the dialog; true with the record stored back when it was confirmed.
    bool editInDialog(TAbsenderDataRecord& record);
    TAbsenderDataRecord& NewRecord();
    void FreeRecord() { m_record.reset(); }

    TDM2& m_dm;
    TDialogRunner m_runDialog;
    CommandUpdater* m_updater;
    std::unique_ptr<TAbsenderDataRecord> m_record;
    bool m_dbError = false;
};
