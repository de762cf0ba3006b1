#include "platform/FileSizeSignal.h"

#include <signal.h>

namespace {

// With a handler in place, the write that raised the signal returns EFBIG (POSIX write()).
void ignoreFileSizeSignal(int) {}

} // namespace

bool TurnFileSizeSignalIntoWriteError()
{
    struct sigaction action {};
    action.sa_handler = ignoreFileSizeSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return sigaction(SIGXFSZ, &action, nullptr) == 0;
}
