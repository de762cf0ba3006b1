#pragma once

#include <QString>

// What the start has told the user of the "ADS_OLD" folder that lies there now, remembered in
// AppPaths::oldDatabaseNoticeFile() by the folder's identity (device and inode), so that a
// leftover folder is mentioned once and a new one again.
namespace OldFolderNotice {

enum class Told {
    Nothing,    // not this folder
    Left,       // it lies beside an intact database
    Incomplete, // it holds no intact database either
};

Told told(const QString& oldFolder);
void remember(const QString& oldFolder, Told what);
// Forgets what was told; called when no "ADS_OLD" is there.
void forget();

} // namespace OldFolderNotice
