#pragma once

#include "core/StartUp.h"
#include "mailing/SendWorkflow.h"

#include <QThread>

#include <functional>

// What a caller of the whole program may replace. The program itself passes nothing.
struct KubNewsProgramSeams {
    // The splash's pauses, the lock file and the event loop switch; the program's own steps
    // (main window, database module, first database) are always filled in.
    StartUpSteps start;
    // Makes a send run's thread, not started; none: CreateSendRunThread.
    std::function<QThread*(SendRunRequest request)> createRun;
};

// The program as kubNEWS runs it: start-up, the main window with its list screens, the sender
// wizard on the first show and the database module, until the main window has closed. Call once
// from the main thread with the QApplication created. Returns the exit code.
int RunKubNewsProgram(KubNewsProgramSeams seams = {});
