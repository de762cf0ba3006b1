#pragma once

#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>

// Whether anything has the name, a link to nowhere too.
bool NameTaken(const QString& path);

// prefix + "_" + the moment as yyyyMMdd_hhmmss: the first name tried for a folder set aside.
QString DatedName(const QString& prefix, const QDateTime& now);

// Moves folder to the first of name, name_2, name_3, ... that does not exist, so two folders set
// aside in the same second never meet. rename must refuse an existing target (as QDir::rename
// does). beforeMove(candidate), when given, runs before each try and false stops the move. The
// name the folder went to, or nothing when it could not be moved.
std::optional<QString> MoveAside(const QString& folder, const QString& name,
                                 const std::function<bool(const QString& from, const QString& to)>& rename,
                                 const std::function<bool(const QString& candidate)>& beforeMove = {});
