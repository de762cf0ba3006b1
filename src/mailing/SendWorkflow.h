#pragma once

#include "core/Records.h"
#include "mail/MessageGenerator.h"
#include "mail/RecipientList.h"
#include "mail/SendRun.h"

#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class ConnectivityProbe;
class DbConnection;
class ISendSlotSource;
class ISendWorkflowDialogs;
class QThread;
class QWidget;
class TPStartForm;
class TUserSP;

// What a new send run is made of once the workflow has set it up.
struct SendRunRequest {
    SendRunSettings settings;
    std::unique_ptr<TMessageGenerator> generator; // filled: text, HTML file, sender, recipients
    TUserSP* window = nullptr;                    // the slot's status window, already shown
    SmtpTimeouts timeouts;
};

// The program's send run: a TMGS over SMTP that reports to the window. Not started.
QThread* CreateSendRunThread(SendRunRequest request);

// What the send workflow is given from outside. Only sendSlots is required.
struct TSendWorkflowSeams {
    ISendSlotSource* sendSlots = nullptr;
    // The database; none: the database module's connection at the time of the call.
    DbConnection* database = nullptr;
    // None: the program's own dialogs.
    ISendWorkflowDialogs* dialogs = nullptr;
    // None: the system's connectivity.
    const ConnectivityProbe* probe = nullptr;
    // Creates the run's send log; none: CreateLogFile.
    std::function<void(bool& failed, QString& name)> createLog;
    // Makes the run's thread, not started; none: CreateSendRunThread.
    std::function<QThread*(SendRunRequest request)> createRun;
    // The waits of the run's SMTP session; tests shorten them.
    SmtpTimeouts smtpTimeouts;
    // Disabled while the recipients are gathered, so it takes no sender change, screen switch
    // or second send meanwhile.
    QPointer<QWidget> mainWindow;
};

// The road from the recipient screen's "Newsletter >>" to a started send run: template,
// subject, gathering of the sender's recipients, sender data, recipient check, recipient list,
// dial-up prompt, send slot, send log, status window and thread. Every stop has told the user,
// or was the user's own cancel; no stop changes the database or leaves a slot taken. Main
// thread only; keeps nothing between runs.
class TSendWorkflow {
public:
    explicit TSendWorkflow(TSendWorkflowSeams seams);
    ~TSendWorkflow();

    // The command: senderId is the sender chosen on the recipient screen, none when no sender
    // is chosen.
    void EmpfFNewsExecute(std::optional<qint64> senderId);
    // The workflow after the template dialog. Returns once the run has started or was given up.
    // An unexpected error reaches the caller (EmpfFNewsExecute shows it); no slot stays taken.
    void SendNewsletter(const QStringList& Lines, bool TextOnly, QString FileName, std::optional<qint64> senderId);

    // Appends one record, Selected set, for each recipient of the sender whose Send column is
    // true, in name order, each field cut to its width. A recipient whose stored address is
    // longer than its field is never cut: it is left out and counted in tooLongAddresses.
    // False after a box; on a read failure the progress window is freed.
    bool GatherRecipients(qint64 senderId, TFDBData& Recipients, std::unique_ptr<TPStartForm>& Progress,
                          int& tooLongAddresses);
    // Reads the sender's row with UserID and UserPW decoded; false after a box.
    bool GetSenderData(TAbsenderDataRecord& Sender, qint64 ID);
    // The recipient list of the selected records with an address; false after a box.
    static bool BuildRecipientList(const TFDBData& Recipients, TRecipientList& List);

    static QString noSenderText();
    static QString tooLongAddressesText(int count);

private:
    DbConnection* database() const;
    bool waitForConnection() const;
    void startRun(const QStringList& lines, const QString& fileName, const QString& subject,
                  const TAbsenderDataRecord& sender, const TRecipientList& list);

    TSendWorkflowSeams m_seams;
    std::unique_ptr<ISendWorkflowDialogs> m_ownDialogs;
};
