#pragma once

#include <QtGlobal>

// The pause of the main-thread loops of backup, restore and copy-and-pack: pending window
// messages are processed, so the progress window repaints and its cancel button is noticed,
// then the thread sleeps 20 ms, but at most once per 250 ms, so sleeping never takes more than
// about a twelfth of an operation however often it pauses.
void ProgressPause();

// The milliseconds slept in ProgressPause since the program started.
qint64 ProgressPauseSleptMs();
