#include "mailing/PrintQueues.h"

#include <cups/cups.h>

#include <QByteArray>
#include <QFile>

namespace {

class CupsPrintQueues : public IPrintQueues {
public:
    PrintQueueState state(const QString& queue) override
    {
        PrintQueueState result;
        cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue.toUtf8().constData(), nullptr);
        if (!dest)
            return result;
        result.known = true;
        const char* accepting = cupsGetOption("printer-is-accepting-jobs", dest->num_options, dest->options);
        const char* printerState = cupsGetOption("printer-state", dest->num_options, dest->options);
        // A queue that does not say otherwise takes jobs, as the print system's own tools assume.
        result.accepting = !accepting || qstrcmp(accepting, "false") != 0;
        result.paused = printerState && QByteArray(printerState).toInt() == IPP_PSTATE_STOPPED;
        cupsFreeDests(1, dest);
        return result;
    }

    int submit(const QString& queue, const QString& pdfFile, const QString& title) override
    {
        return cupsPrintFile2(CUPS_HTTP_DEFAULT, queue.toUtf8().constData(), QFile::encodeName(pdfFile).constData(),
                              title.toUtf8().constData(), 0, nullptr);
    }
};

} // namespace

IPrintQueues& SystemPrintQueues()
{
    static CupsPrintQueues queues;
    return queues;
}
