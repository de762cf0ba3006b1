#pragma once

#include <QString>

// Every folder and file name the program uses comes from here; nobody builds them by hand.
// Written data lives in the work folder ($XDG_DATA_HOME/kubNEWSLETTER, or KUBNEWS_HOME);
// read-only assets lie beside the build's program or in the installed share folder.
namespace AppPaths {

QString workFolder();
QString logFolder();             // <work>/Log
QString tmpFolder();             // <work>/Tmp
QString oldDatabaseFolder();     // <work>/ADS_OLD
QString defaultDatabaseFolder(); // <work>/Datenbank
// How far a restore got, for the start after it was interrupted.
QString restoreRecordFile(); // <work>/Einspielen.stand
// Which leftover "ADS_OLD" the start has told the user of.
QString oldDatabaseNoticeFile(); // <work>/ADS_OLD.gemeldet

QString assetFolder();
QString assetPath(const QString& relativeName);

// The registry file: KUBNEWS_REGISTRY, else $XDG_CONFIG_HOME/kubNEWSLETTER/registry.reg.
QString registryFile();
bool registryOverridden();

// Base name of the program file ("kubNEWS"), used for the window placement key.
QString programBaseName();

} // namespace AppPaths
