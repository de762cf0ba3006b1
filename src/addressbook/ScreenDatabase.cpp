#include "addressbook/ScreenDatabase.h"

#include "desktop/MessageBoxes.h"
#include "platform/BusyGuard.h"
#include "platform/DbQuery.h"

namespace ScreenDatabase {

void program(DbQuery& query, const QStringList& lines)
{
    query.close();
    query.clearSql();
    for (const QString& line : lines)
        query.addSql(line);
}

void showFailure(const std::exception& failure)
{
    MessageBoxes::error(QStringLiteral("Zugriff auf Datenbank konnte nicht korrekt durchgeführt werden!\r\n\r\n") +
                        QString::fromUtf8(failure.what()));
}

bool runChange(DbQuery& query, bool keepRow, const std::function<bool()>& change)
{
    const DbBookmark kept = keepRow ? query.bookmark() : DbBookmark{};
    query.disableControls();
    bool result = false;
    try {
        result = change();
    } catch (const std::exception& e) {
        // A row whose post failed must not stay pending in the shared query.
        query.cancel();
        showFailure(e);
    }
    try {
        if (query.isOpen() && !kept.isEmpty())
            query.gotoBookmark(kept);
    } catch (const std::exception&) {
        // The row stays where the reopen put it.
    }
    query.enableControls();
    return result;
}

void runGuarded(const QString& operation, const std::function<void()>& routine)
{
    BusyGuard busy(operation);
    if (!busy.acquired()) {
        MessageBoxes::warning(BusyGuard::refusalText());
        return;
    }
    routine();
}

} // namespace ScreenDatabase
