#pragma once

#include "core/DMTestDatabase.h"
#include "core/SendSlotTable.h"
#include "core/StartForm.h"
#include "mailing/SendWorkflow.h"
#include "mailing/SendWorkflowDialogs.h"
#include "mailing/UserSpass.h"
#include "platform/ConnectivityProbe.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>

#include <functional>

// The workflow's dialogs answered by a script; what the check dialog was given is kept.
class ScriptedDialogs : public ISendWorkflowDialogs {
public:
    bool templateConfirmed = true;
    QStringList lines{QStringLiteral("Hallo <#EVorname>,")};
    bool textOnly = false;
    QString fileName;
    std::optional<QString> subject = QStringLiteral("Neues im März");
    bool send = true;
    QList<int> untick;
    // Runs inside the check dialog, before it answers.
    std::function<void()> duringCheck;

    struct Check {
        int count = 0;
        QString company, email, subject, fileName;
        bool hadProgress = false;
    };
    QList<Check> checks;
    int subjectAsked = 0;

    bool chooseTemplate(QStringList& outLines, bool& outTextOnly, QString& outFileName) override
    {
        if (!templateConfirmed)
            return false;
        outLines = lines;
        outTextOnly = textOnly;
        outFileName = fileName;
        return true;
    }
    bool askSubject(QString& outSubject) override
    {
        ++subjectAsked;
        if (!subject)
            return false;
        outSubject = *subject;
        return true;
    }
    bool checkRecipients(TFDBData& recipients, const QString& company, const QString& email, const QString& subj,
                         const QString& file, std::unique_ptr<TPStartForm>& progress) override
    {
        checks.append({int(recipients.size()), company, email, subj, file, progress != nullptr});
        progress.reset();
        if (duringCheck)
            duringCheck();
        if (!send)
            return false;
        for (int row : untick)
            recipients[row].Selected = false;
        return true;
    }
};

class ScriptedProbe : public ConnectivityProbe {
public:
    mutable QList<bool> answers;
    mutable int asked = 0;
    bool isConnected() const override
    {
        ++asked;
        return answers.isEmpty() ? true : answers.takeFirst();
    }
};

// A run that ends at once.
class EmptyRun : public QThread {
protected:
    void run() override {}
};

// The program's slot table with real status windows, a database with the fixture's senders and
// recipients, and every other seam recorded.
class WorkflowRig {
public:
    WorkflowRig()
        : slotTable({[] { return new TUserSP; },
                     [](const QWidget* window) { return static_cast<const TUserSP*>(window)->Closed; }})
    {
        setSettings(false, 0);
    }
    ~WorkflowRig()
    {
        for (const QPointer<QThread>& run : runs) {
            if (run)
                run->wait();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // "DFUE" 0 is the dial-up setting.
    void setSettings(bool dialUp, int mailsPerConnection)
    {
        db.env.writeStandardRegistry(QStringLiteral("\"DFUE\"=dword:%1\n\"MAO\"=dword:%2\n")
                                         .arg(dialUp ? 0 : 1, 8, 10, QLatin1Char('0'))
                                         .arg(mailsPerConnection, 8, 16, QLatin1Char('0')));
    }

    TSendWorkflowSeams seams()
    {
        TSendWorkflowSeams seams;
        seams.sendSlots = &slotTable;
        seams.database = &db.connection;
        seams.dialogs = &dialogs;
        seams.probe = &probe;
        seams.createLog = [this](bool& failed, QString& name) {
            ++logsCreated;
            failed = logFails;
            name = logFails ? QString() : db.env.root() + QStringLiteral("/News_01032026_1.log");
        };
        seams.createRun = [this](SendRunRequest request) -> QThread* {
            requests.push_back(std::move(request));
            QThread* run = makeRun ? makeRun(requests.back()) : new EmptyRun;
            QObject::connect(run, &QThread::finished, run, &QObject::deleteLater);
            runs.append(run);
            return run;
        };
        return seams;
    }

    int slotsTaken() const
    {
        int taken = 0;
        for (int i = 0; i < MaxSendSlots; ++i)
            taken += slotTable.slot(i).Ref ? 1 : 0;
        return taken;
    }

    NewsTestDatabase db;
    TSendSlotTable slotTable;
    ScriptedDialogs dialogs;
    ScriptedProbe probe;
    bool logFails = false;
    int logsCreated = 0;
    std::vector<SendRunRequest> requests;
    QList<QPointer<QThread>> runs;
    // Makes the run's thread from the request; none: a run that ends at once.
    std::function<QThread*(SendRunRequest&)> makeRun;
};
