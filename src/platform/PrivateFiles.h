#pragma once

#include <QFileDevice>
#include <QString>

// The program's folders and files hold personal data and the sender's SMTP password, so other
// local users get no rights on them: folders are created 0700, files 0600.
namespace PrivateFiles {

inline constexpr QFileDevice::Permissions kFilePermissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
inline constexpr QFileDevice::Permissions kFolderPermissions =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;

// Creates folder and every missing folder above it with owner rights only; an existing folder
// is left as it is. True when folder exists afterwards.
bool makeFolder(const QString& folder);

// Takes the group's and others' rights from an existing folder or file; anything else is left
// alone. False when the rights could not be changed.
bool narrow(const QString& path);

// Narrows what the program keeps outside the database folder: the work folder with its Log,
// Tmp, ADS_OLD and Datenbank folders, the registry file and, unless KUBNEWS_REGISTRY names the
// file, the registry's own folder. Called once at start, before anything is written.
void narrowProgramFolders();

// True when path lies inside the work folder (links resolved as far as path exists).
bool insideWorkFolder(const QString& path);

} // namespace PrivateFiles
