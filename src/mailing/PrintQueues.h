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
    // Hands a PDF file to the queue as a job of that title; the job's number, 0 when the queue
    // did not take it.
    virtual int submit(const QString& queue, const QString& pdfFile, const QString& title) = 0;
};

// The system's print queues (CUPS, asked through libcups). Main thread.
IPrintQueues& SystemPrintQueues();
