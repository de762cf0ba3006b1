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

QString assetFolder();
QString assetPath(const QString& relativeName);

// The registry file: KUBNEWS_REGISTRY, else $XDG_CONFIG_HOME/kubNEWSLETTER/registry.reg.
QString registryFile();
bool registryOverridden();

// Base name of the program file ("kubNEWS"), used for the window placement key.
QString programBaseName();

} // namespace AppPaths
