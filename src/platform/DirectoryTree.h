#pragma once

#include <QString>

// Deletes a folder with everything in it, hidden entries included. A symbolic link inside is
// removed as a link; its target is never entered. Refused (false, nothing deleted): "/", the
// home folder and anything above it, relative paths, paths with fewer than two components
// ("/tmp"), and a folder that is itself a symbolic link. False as well for a folder that does
// not exist and when any entry could not be removed (the others are still removed).
bool DeleteDirectoryTree(const QString& dir);
