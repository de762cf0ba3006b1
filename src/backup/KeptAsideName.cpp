#include "backup/KeptAsideName.h"

#include <QFileInfo>

namespace {

constexpr int kAttempts = 1000;

} // namespace

bool NameTaken(const QString& path)
{
    return QFileInfo::exists(path) || QFileInfo(path).isSymLink();
}

QString DatedName(const QString& prefix, const QDateTime& now)
{
    return prefix + u'_' + now.toString(QStringLiteral("yyyyMMdd_hhmmss"));
}

std::optional<QString> MoveAside(const QString& folder, const QString& name,
                                 const std::function<bool(const QString& from, const QString& to)>& rename,
                                 const std::function<bool(const QString& candidate)>& beforeMove)
{
    for (int n = 1; n <= kAttempts; ++n) {
        const QString candidate = n == 1 ? name : name + u'_' + QString::number(n);
        if (NameTaken(candidate))
            continue;
        if (beforeMove && !beforeMove(candidate))
            return std::nullopt;
        if (rename(folder, candidate))
            return candidate;
        // Taken between the look and the move: the next name; anything else is a failure.
        if (!QFileInfo::exists(candidate))
            return std::nullopt;
    }
    return std::nullopt;
}
