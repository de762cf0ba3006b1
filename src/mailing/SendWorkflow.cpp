#include "mailing/SendWorkflow.h"

#include "core/CredentialCodec.h"
#include "core/DM.h"
#include "core/InternetConnection.h"
#include "core/SendSlotSource.h"
#include "core/SettingsStore.h"
#include "core/StartForm.h"
#include "desktop/MessageBoxes.h"
#include "desktop/ScreenCursor.h"
#include "mail/GeneratorMailSource.h"
#include "mail/MGS.h"
#include "mail/SenderMailData.h"
#include "mail/SmtpMailTransport.h"
#include "mail/SmtpServerAddress.h"
#include "mailing/ProgressPacer.h"
#include "mailing/SendLogFiles.h"
#include "mailing/SendSlotLease.h"
#include "mailing/SendWorkflowDialogs.h"
#include "mailing/StatusWindowReporter.h"
#include "mailing/UserSpass.h"
#include "platform/BusyGuard.h"
#include "platform/DbError.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>

#include <array>

namespace {

int requireColumn(const DbResult& result, const QString& queryName, const QString& column)
{
    const int index = result.columnIndex(column);
    if (index < 0)
        throw EDatabaseError(queryName,
                             QStringLiteral("Das Feld '") + column + QStringLiteral("' wurde nicht gefunden"));
    return index;
}

QString exceptionText(const std::exception& error)
{
    return QString::fromUtf8(error.what());
}

// Keeps the main window disabled for its lifetime; a window freed meanwhile is left alone.
class DisabledWindow {
public:
    explicit DisabledWindow(QWidget* window) : m_window(window)
    {
        if (m_window && m_window->isEnabled())
            m_window->setEnabled(false);
        else
            m_window = nullptr;
    }
    ~DisabledWindow()
    {
        if (m_window)
            m_window->setEnabled(true);
    }
    DisabledWindow(const DisabledWindow&) = delete;
    DisabledWindow& operator=(const DisabledWindow&) = delete;

private:
    QPointer<QWidget> m_window;
};

void showProgress(TPStartForm& progress, const QString& text)
{
    progress.FPB1->setValue(0);
    progress.showStatus(text);
}

} // namespace

QThread* CreateSendRunThread(SendRunRequest request)
{
    SmtpSessionOptions options;
    options.timeouts = request.timeouts;
    return new TMGS(std::move(request.settings), std::make_unique<SmtpMailTransport>(std::move(options)),
                    std::make_unique<GeneratorMailSource>(std::move(request.generator)),
                    std::make_unique<StatusWindowReporter>(request.window));
}

TSendWorkflow::TSendWorkflow(TSendWorkflowSeams seams) : m_seams(std::move(seams))
{
    if (!m_seams.dialogs) {
        m_ownDialogs = std::make_unique<TSendWorkflowDialogs>();
        m_seams.dialogs = m_ownDialogs.get();
    }
    if (!m_seams.createLog)
        m_seams.createLog = [](bool& failed, QString& name) { CreateLogFile(failed, name); };
    if (!m_seams.createRun)
        m_seams.createRun = CreateSendRunThread;
}

TSendWorkflow::~TSendWorkflow() = default;

QString TSendWorkflow::noSenderText()
{
    return QStringLiteral("Die Absenderdaten konnten nicht ermittelt werden!\r\n"
                          "Bitte wählen Sie vor dem versenden von Newslettern einen Absender aus.\r\n"
                          "Sollte kein Absender zur Auswahl stehen, fügen Sie bitte unter dem Menüpunkt\r\n"
                          "\"Bearbeiten / Absenderdaten\" einen neuen Absender hinzu.");
}

QString TSendWorkflow::tooLongAddressesText(int count)
{
    return QString::number(count) +
           QStringLiteral(" Empfänger mit einer E-Mail-Adresse über %1 Zeichen werden nicht versendet!\r\n\r\n"
                          "Bitte korrigieren Sie die E-Mail-Adresse in den Empfängerdaten.")
               .arg(TRecipientMailData::capacity(RecipientField::Email));
}

DbConnection* TSendWorkflow::database() const
{
    if (m_seams.database)
        return m_seams.database;
    return DM2 ? &DM2->AdsConnection1 : nullptr;
}

void TSendWorkflow::EmpfFNewsExecute(std::optional<qint64> senderId)
{
    ScreenCursor::set(CursorShape::Hourglass);
    QApplication::processEvents();
    try {
        QStringList lines;
        bool textOnly = false;
        QString fileName;
        if (m_seams.dialogs->chooseTemplate(lines, textOnly, fileName))
            SendNewsletter(lines, textOnly, fileName, senderId);
    } catch (const std::exception& error) {
        ScreenCursor::set(CursorShape::Default);
        MessageBoxes::error(exceptionText(error));
    }
    ScreenCursor::set(CursorShape::Default);
    QApplication::processEvents();
}

void TSendWorkflow::SendNewsletter(const QStringList& Lines, bool TextOnly, QString FileName,
                                   std::optional<qint64> senderId)
{
    // A text-only run carries no HTML, whatever file was selected before the mode was chosen.
    if (TextOnly)
        FileName.clear();
    QString subject;
    if (!m_seams.dialogs->askSubject(subject))
        return;

    TFDBData recipients;
    TAbsenderDataRecord sender;
    {
        // From the progress window until the check dialog, the recipient screen must stay as it is.
        BusyGuard busy(QStringLiteral("Newsletterversand"));
        if (!busy.acquired()) {
            MessageBoxes::warning(BusyGuard::refusalText());
            return;
        }
        const DisabledWindow disabled(m_seams.mainWindow);
        auto progress = std::make_unique<TPStartForm>();
        progress->FPB1->setVisible(true);
        progress->show();
        showProgress(*progress, QStringLiteral("Empfängerdaten werden geholt..."));

        if (!senderId) {
            progress.reset();
            MessageBoxes::warning(noSenderText());
            return;
        }
        int tooLong = 0;
        if (!GatherRecipients(*senderId, recipients, progress, tooLong))
            return;
        if (progress)
            showProgress(*progress, QStringLiteral("Absenderdaten werden geholt..."));
        if (!GetSenderData(sender, *senderId))
            return;
        if (tooLong > 0) {
            // The stay-on-top progress window would hide the box.
            if (progress)
                progress->hide();
            MessageBoxes::warning(tooLongAddressesText(tooLong));
            if (progress)
                progress->show();
        }
        if (!m_seams.dialogs->checkRecipients(recipients, sender.Firma, sender.Firmenemail, subject, FileName,
                                              progress))
            return;
    }

    TRecipientList list;
    if (!BuildRecipientList(recipients, list))
        return;
    if (list.isEmpty()) {
        MessageBoxes::warning(QStringLiteral("Keine Empfänger zum Versand vorhanden!"));
        return;
    }
    recipients.clear();
    if (ReadDialUp() && !waitForConnection())
        return;
    startRun(Lines, FileName, subject, sender, list);
}

bool TSendWorkflow::waitForConnection() const
{
    while (!IsInternetConnected(m_seams.probe)) {
        const MsgAnswer answer =
            MessageBoxes::show(QStringLiteral("Bitte starten Sie jetzt Ihre Internetverbindung!\r\n"
                                              "Bestätigen Sie anschließend mit OK."),
                               MsgIcon::Information, MsgButtons::OkCancel);
        if (answer != MsgAnswer::Ok)
            return false;
    }
    return true;
}

void TSendWorkflow::startRun(const QStringList& lines, const QString& fileName, const QString& subject,
                             const TAbsenderDataRecord& sender, const TRecipientList& list)
{
    SlotStatus status = SlotStatus::Taken;
    const PSendSlot slot = m_seams.sendSlots->AcquireSendSlot(status);
    if (status != SlotStatus::Taken || !slot)
        return;
    SendSlotLease lease(*m_seams.sendSlots, slot);

    SendRunRequest request;
    request.settings.ProgressMax = int(list.count());
    const SmtpServerAddress server = ParseSmtpServer(sender.Host);
    request.settings.Host = server.host;
    request.settings.Port = server.port;
    request.settings.Tls = server.tls;
    request.timeouts = m_seams.smtpTimeouts;
    request.settings.UserId = sender.UserID;
    request.settings.Password = sender.UserPW;
    request.generator = std::make_unique<TMessageGenerator>();
    request.generator->SetText(lines);
    if (!fileName.isEmpty())
        request.generator->LoadHtmlFile(fileName);
    request.generator->SetSenderData(TSenderMailData::FromSender(sender, subject));
    request.generator->SetUserData(list);
    request.settings.MailsPerConnection = ReadMailsPerConnection();

    bool logFailed = false;
    QString logName;
    m_seams.createLog(logFailed, logName);
    if (logFailed)
        logName.clear();
    request.settings.LogFileName = logName;
    slot->LogFile = logName;

    // The mode decides the window's layout when it shows, so it is set first.
    auto* window = qobject_cast<TUserSP*>(slot->Form.data());
    if (window) {
        window->Mode = 1;
        window->LogName = logName;
        window->setTitle(QStringLiteral("Senden Newsletter"));
        window->setStatusText(QString());
        window->show();
    }
    request.window = window;
    QThread* run = m_seams.createRun(std::move(request));
    if (!run)
        return;
    lease.handTo(run);
    run->start();
}

bool TSendWorkflow::GatherRecipients(qint64 senderId, TFDBData& Recipients, std::unique_ptr<TPStartForm>& Progress,
                                     int& tooLongAddresses)
{
    tooLongAddresses = 0;
    DbConnection* connection = database();
    if (!connection || !connection->isConnected()) {
        MessageBoxes::error(QStringLiteral("Keine Verbindung zur Datenbank!"));
        return false;
    }
    try {
        // A query of its own: the recipient grid's query and its position stay untouched.
        DbQuery query(*connection, QStringLiteral("EmpfQuery"));
        query.setSql({QStringLiteral("SELECT * FROM Adressen"), QStringLiteral("WHERE AbsenderID = :ID"),
                      QStringLiteral("ORDER BY Name")});
        query.param(0).setAsInteger(senderId);
        query.open();
        const std::shared_ptr<const DbResult> result = query.result();
        std::array<int, kRecipientFieldCount> columns{};
        for (const RecipientFieldInfo& info : kRecipientFields)
            columns[size_t(info.field)] = requireColumn(*result, query.name(), info.column.toString());
        const int sendColumn = requireColumn(*result, query.name(), QStringLiteral("Send"));
        const int emailColumn = columns[size_t(RecipientField::Email)];
        const int firmaColumn = columns[size_t(RecipientField::Firma)];
        const int emailWidth = TRecipientMailData::capacity(RecipientField::Email);

        const int rows = result->rowCount();
        if (Progress)
            Progress->FPB1->setMaximum(rows);
        Recipients.reserve(Recipients.size() + rows);
        ProgressPacer pacer;
        for (int row = 0; row < rows; ++row) {
            if (result->boolean(row, sendColumn)) {
                if (result->text(row, emailColumn).size() > emailWidth) {
                    ++tooLongAddresses;
                } else {
                    TRecipientMailData& record = Recipients.emplaceBack();
                    for (int field = 0; field < kRecipientFieldCount; ++field)
                        record.setText(field, result->text(row, columns[size_t(field)]));
                    record.Selected = true;
                }
            }
            if (Progress && pacer.due()) {
                Progress->FPB1->setValue(row + 1);
                Progress->showStatus(result->text(row, firmaColumn));
            }
        }
        if (Progress) {
            Progress->FPB1->setValue(rows);
            Progress->showStatus(QString());
        }
        return true;
    } catch (const std::exception& error) {
        Progress.reset();
        MessageBoxes::error(QStringLiteral("#977 ") + exceptionText(error));
        return false;
    }
}

bool TSendWorkflow::GetSenderData(TAbsenderDataRecord& Sender, qint64 ID)
{
    DbConnection* connection = database();
    if (!connection || !connection->isConnected()) {
        MessageBoxes::error(QStringLiteral("Keine Verbindung zur Datenbank!"));
        return false;
    }
    try {
        DbQuery query(*connection, QStringLiteral("AbsendQuery"));
        query.setSql({QStringLiteral("SELECT * FROM Verfasser"), QStringLiteral("WHERE ID = :ID")});
        query.param(0).setAsInteger(ID);
        query.open();
        if (query.recordCount() < 1) {
            MessageBoxes::error(QStringLiteral("Keine Absenderdaten ermittelt!"));
            return false;
        }
        query.first();
        const auto text = [&query](const char* column) {
            return query.fieldByName(QString::fromLatin1(column)).asString();
        };
        Sender.Firma = text("Firma");
        Sender.Strasse = text("Strasse");
        Sender.PLZ = text("PLZ");
        Sender.Ort = text("Ort");
        Sender.Tel = text("Tel");
        Sender.Fax = text("Fax");
        Sender.Firmenemail = text("Firmenemail");
        Sender.Web = text("Web");
        Sender.Verfasser = text("Verfasser");
        Sender.Email = text("Email");
        Sender.Host = text("Host");
        const QString userId = text("UserID");
        const QString password = text("UserPW");
        Sender.UserID = userId.isEmpty() ? QString() : DecodeCredential(userId);
        Sender.UserPW = password.isEmpty() ? QString() : DecodeCredential(password);
        return true;
    } catch (const std::exception& error) {
        MessageBoxes::error(QStringLiteral("#1031 ") + exceptionText(error));
        return false;
    }
}

bool TSendWorkflow::BuildRecipientList(const TFDBData& Recipients, TRecipientList& List)
{
    try {
        List = TRecipientList::FromRecords(Recipients);
        return true;
    } catch (const std::exception& error) {
        MessageBoxes::error(QStringLiteral("#1092 ") + exceptionText(error));
        return false;
    }
}
