#pragma once

// A write past the file-size limit (ulimit -f, RLIMIT_FSIZE) raises SIGXFSZ, whose default ends
// the whole process. Call this first in main(), before any thread exists: from then on such a
// write fails with EFBIG instead, as one on a full disk fails with ENOSPC, so the writer sees an
// error it reports (a send log that cannot be completed). The signal is caught by a handler that
// does nothing rather than ignored, because an ignored signal stays ignored in the programs the
// process starts, while a caught one is back at its default there (execve). False when the
// handler could not be set.
bool TurnFileSizeSignalIntoWriteError();
