#pragma once

#include <QString>

// Whether DeleteDirectoryTree may delete dir at all: false for "/", the home folder and anything
// above it, relative paths, paths with fewer than two components ("/tmp"), and a folder that is
// itself a symbolic link. A folder that does not exist yet passes.
bool DirectoryTreeDeletable(const QString& dir);

// Deletes a folder with everything in it, hidden entries included. A symbolic link inside is
// removed as a link; its target is never entered. Refused (false, nothing deleted) for what
// DirectoryTreeDeletable refuses. False as well for a folder that does not exist and when any
// entry could not be removed (the others are still removed).
bool DeleteDirectoryTree(const QString& dir);

// Makes folder an empty folder with owner rights only; one that exists is first deleted with
// DeleteDirectoryTree. False when folder is not an empty folder afterwards or is a symbolic link.
bool MakeEmptyFolder(const QString& folder);
