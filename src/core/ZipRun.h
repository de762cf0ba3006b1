#pragma once

#include "core/ZipEvents.h"
#include "platform/ZipEngine.h"

#include <functional>
#include <memory>

class QWidget;
class TBackupUSPForm;

// One backup or restore at work: the ZIP engine with its events routed to the progress window,
// which is shown (not modal) when the run is created. Main thread only.
struct TZipRun {
    // formCreated (may be empty) is called once the window is up.
    TZipRun(QWidget* boxParent, const std::function<void(TBackupUSPForm&)>& formCreated);
    ~TZipRun();
    TZipRun(const TZipRun&) = delete;
    TZipRun& operator=(const TZipRun&) = delete;

    TZipEvents events;
    TZipEngine engine;
    std::unique_ptr<TBackupUSPForm> form;
};
