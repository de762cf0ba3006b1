#pragma once

#include <QString>

// The result code of a send run and the status window's text for it. A later code of a run
// replaces an earlier one; the value at the end of the run is reported.
enum class SendResult : int {
    Done = 0,
    CancelSeen = 1, // replaced by UserCancelled before it is reported
    NoConnection = 2,
    LoginRefused = 3,
    BuildFailed = 4,
    SendFailed = 5,
    DisconnectFailed = 6,
    UserCancelled = 7,
    LogNotCreated = 8, // the run's log could not be opened: nothing was sent
    LogIncomplete = 9, // the log failed during the run, which then stopped sending
};

// The text shown for a result; a value outside the enum shows the text of DisconnectFailed.
QString SendResultText(SendResult result);
