#pragma once

#include <QString>

// Stands in for the installer: on the first start, when no registry file was named
// (KUBNEWS_REGISTRY) and the default one does not exist, writes it with the two settings keys:
// "Software\KUB\News" (a fixed Internet connection, no reconnection between mails) and
// "Software\KUB\News\Database" with "DBPath" = the work folder's "Datenbank" (absolute).
// Call before the database module is created. Main thread.
struct FirstRunResult {
    bool registryWritten = false; // this was the first run: the empty database is to be created next
    bool failed = false;          // the file could not be written; error holds why
    QString error;
};

FirstRunResult PrepareFirstRun();
