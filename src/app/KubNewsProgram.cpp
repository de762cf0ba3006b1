#include "app/KubNewsProgram.h"

#include "addressbook/AbsF.h"
#include "addressbook/AssiAbsenderForm.h"
#include "addressbook/EmpfF.h"
#include "app/Main.h"
#include "backup/StartRecovery.h"
#include "core/DM.h"
#include "core/DatabaseSchema.h"
#include "core/LogListing.h"
#include "core/SendSlotTable.h"
#include "core/StartUp.h"
#include "desktop/MessageBoxes.h"
#include "mailing/SendLogFiles.h"
#include "mailing/SendWorkflow.h"
#include "mailing/UserSpass.h"
#include "platform/AppPaths.h"
#include "platform/WindowMessages.h"

#include <QPointer>

#include <memory>

namespace {

// The tree's log nodes come from the send-log folder.
class SendLogListing : public ILogListing {
public:
    bool ListLogFiles(QStringList& lines) override { return ::ListLogFiles(lines); }
};

void createFirstDatabase()
{
    const DbCreateResult created = CreateEmptyDatabase(AppPaths::defaultDatabaseFolder());
    if (!created.ok)
        MessageBoxes::error(QStringLiteral("Die leere Datenbank konnte nicht angelegt werden!\r\n\r\n") +
                            created.message);
}

using RunMaker = std::function<QThread*(SendRunRequest request)>;

// The list screens of the navigation tree, created inside the main window's host panel.
QWidget* createListScreen(HostedScreen screen, QWidget* host, const RunMaker& createRun)
{
    if (!DM2)
        return nullptr;
    switch (screen) {
    case HostedScreen::Senders: {
        auto* senders = new TAbsFrame(*DM2, host);
        senders->OpenData();
        return senders;
    }
    case HostedScreen::Recipients: {
        auto* recipients = new TEmpfFrame(*DM2, host);
        if (auto* mainWindow = qobject_cast<TMainForm*>(host->window())) {
            recipients->setNewsletterCommand([mainWindow, createRun](std::optional<qint64> senderId) {
                TSendWorkflowSeams seams;
                seams.sendSlots = mainWindow->sendSlots();
                seams.mainWindow = mainWindow;
                seams.createRun = createRun;
                TSendWorkflow(seams).EmpfFNewsExecute(senderId);
            });
        }
        recipients->FCB1Change();
        return recipients;
    }
    case HostedScreen::None:
        break;
    }
    return nullptr;
}

} // namespace

int RunKubNewsProgram(KubNewsProgramSeams programSeams)
{
    SendLogListing logListing;
    std::unique_ptr<TDM2> database;
    QPointer<TMainForm> mainForm;

    StartUpSteps steps = programSeams.start;
    steps.afterFirstRun = createFirstDatabase;
    steps.recoverDatabase = RecoverDatabaseAtStart;
    steps.createMainWindow = [&]() -> QWidget* {
        TMainFormSeams seams;
        seams.logListing = &logListing;
        seams.createScreen = [createRun = programSeams.createRun](HostedScreen screen, QWidget* host) {
            return createListScreen(screen, host, createRun);
        };
        // The sender wizard opens here when the database has no sender yet.
        seams.firstShowSenderCheck = [] {
            if (DM2 && DM2->NoSenderExists()) {
                TAssiAbsenderForm wizard(*DM2);
                wizard.exec();
            }
        };
        mainForm = new TMainForm(seams);
        TUserSP::setMainWindowLinks(StatusWindowLinks{[] { WindowMessages::send(WindowMessages::WM_SENDWINDOWCLOSED); },
                                                      [] { WindowMessages::send(WindowMessages::WM_LOGSCHANGED); },
                                                      [&mainForm](const QString& title, const QString& file) {
                                                          if (mainForm)
                                                              mainForm->ShowLog(title, file);
                                                      }});
        return mainForm;
    };
    steps.createDatabaseModule = [&](QWidget*) {
        database = std::make_unique<TDM2>(*mainForm);
        DM2 = database.get();
        return database->ok();
    };

    const int exitCode = RunStartUp(steps);
    TUserSP::setMainWindowLinks({});
    DM2 = nullptr;
    database.reset();
    return exitCode;
}
