#pragma once

#include <QStringList>

// Lists the send logs for the main window's tree: one line per log, the log's title, "|" and the
// file name without folder. Returns false after an unexpected error (the listing has shown its
// own box); the caller then adds no log nodes. May throw; the caller reports that. Main thread.
class ILogListing {
public:
    virtual ~ILogListing() = default;
    virtual bool ListLogFiles(QStringList& lines) = 0;
};
