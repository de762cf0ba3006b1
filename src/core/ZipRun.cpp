#include "core/ZipRun.h"

#include "core/BackupUSPForm.h"

#include <QCoreApplication>

TZipRun::TZipRun(QWidget* boxParent, const std::function<void(TBackupUSPForm&)>& formCreated)
    : events(boxParent), form(std::make_unique<TBackupUSPForm>())
{
    events.attach(engine);
    events.ProgressForm = form.get();
    form->show();
    QCoreApplication::processEvents();
    if (formCreated)
        formCreated(*form);
}

TZipRun::~TZipRun() = default;
