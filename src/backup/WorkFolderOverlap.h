#pragma once

#include <QString>

#include <optional>

// The work folder among "Tmp", "ADS_OLD" and "Log" that databaseFolder is, contains or lies
// inside, compared after links and ".." are resolved (for what does not exist yet, in its
// nearest existing folder); nothing when they are apart.
std::optional<QString> WorkFolderOverlapping(const QString& databaseFolder);
