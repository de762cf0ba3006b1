#include "mailing/SendWorkflowDialogs.h"

#include "core/StartForm.h"
#include "mailing/BetreffForm.h"
#include "mailing/NewsCheckForm.h"
#include "mailing/NewsForm.h"

bool TSendWorkflowDialogs::chooseTemplate(QStringList& lines, bool& textOnly, QString& fileName)
{
    TNewsForm form;
    form.exec();
    if (form.Result != 1)
        return false;
    form.GetResult(lines, textOnly, fileName);
    return true;
}

bool TSendWorkflowDialogs::askSubject(QString& subject)
{
    TBetreffForm form;
    form.exec();
    if (form.Result != 1)
        return false;
    subject = form.Subject;
    return true;
}

bool TSendWorkflowDialogs::checkRecipients(TFDBData& recipients, const QString& company, const QString& email,
                                           const QString& subject, const QString& fileName,
                                           std::unique_ptr<TPStartForm>& progress)
{
    TNewsCheckForm form;
    form.Setup(recipients, company, email, subject, fileName, progress);
    form.exec();
    if (form.Result != 1)
        return false;
    form.ApplyUnchecked(recipients);
    return true;
}
