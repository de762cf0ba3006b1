#pragma once

#include <QString>

// The title shown for a log's file name given without folder: News_08122026_3.log gives
// "News 08.12.2026 #3"; a name whose date part is not 8 characters long gives
// "Fehlerhaft (" + the name before its first "." + "_)". Callers refuse to open or delete
// entries whose title begins with "Fehlerhaft".
QString LogTitleFromFileName(const QString& FileName);

// Where a run logs when its own log could not be created: "newsletter.log" in the work
// folder, as an absolute path. Take it when the run is set up.
QString FallbackLogFilePath();
