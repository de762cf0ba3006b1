#pragma once

#include <QString>

// What the print system says about a printer queue. Qt shows a queue that refuses jobs as
// idle and hands a job to a paused queue without a word, so printing asks the print system.
struct PrintQueueState {
    bool known = false;     // the print system has a queue of that name
    bool accepting = false; // it takes new jobs
    bool paused = false;    // it keeps its jobs until it is resumed
};

class IPrintQueues {
public:
    virtual ~IPrintQueues() = default;
    virtual PrintQueueState state(const QString& queue) = 0;
    // The highest number of the user's jobs on the queue, finished ones included; 0 for none.
    // A job printed later has a higher number.
    virtual int lastJob(const QString& queue) = 0;
};

// The system's print queues (CUPS, asked through libcups). Main thread.
IPrintQueues& SystemPrintQueues();
