#pragma once

#include "core/Records.h"

#include <QString>
#include <QStringList>

#include <memory>

class TPStartForm;

// The dialogs the send workflow asks the user through. Main thread only.
class ISendWorkflowDialogs {
public:
    virtual ~ISendWorkflowDialogs() = default;
    // The template dialog; true when confirmed, with its result.
    virtual bool chooseTemplate(QStringList& lines, bool& textOnly, QString& fileName) = 0;
    // The subject dialog; true when confirmed, with the subject as typed.
    virtual bool askSubject(QString& subject) = 0;
    // The recipient check: fills it (freeing progress, which becomes null), shows it and, after
    // "Senden", clears Selected of the unticked records and returns true.
    virtual bool checkRecipients(TFDBData& recipients, const QString& company, const QString& email,
                                 const QString& subject, const QString& fileName,
                                 std::unique_ptr<TPStartForm>& progress) = 0;
};

// The program's own dialogs, each created, shown modally and freed per call.
class TSendWorkflowDialogs final : public ISendWorkflowDialogs {
public:
    bool chooseTemplate(QStringList& lines, bool& textOnly, QString& fileName) override;
    bool askSubject(QString& subject) override;
    bool checkRecipients(TFDBData& recipients, const QString& company, const QString& email, const QString& subject,
                         const QString& fileName, std::unique_ptr<TPStartForm>& progress) override;
};
