#pragma once

#include <QString>

// Why folder could not be deleted or emptied (after DeleteDirectoryTree or MakeEmptyFolder
// failed): the first entry that still cannot be removed, in German with the system's reason,
// e.g. "/w/Tmp/a/b" kann nicht gelöscht werden: keine Berechtigung. It tries the removal of
// what is left once more to learn the reason, never through a link. Empty when nothing is in
// the way any more.
QString RemovalProblem(const QString& folder);
