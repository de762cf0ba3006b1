#pragma once

#include <QString>

// Whether both existing paths lie on one file system, so that a rename can move one into the
// other's folder.
bool SameFileSystem(const QString& a, const QString& b);

// Writes a file's or a folder's data through to the disk (fsync); false when it cannot.
bool SyncToDisk(const QString& path);

// The bytes free for the user on the file system of an existing path; -1 when unknown.
qint64 FreeSpaceOf(const QString& path);
