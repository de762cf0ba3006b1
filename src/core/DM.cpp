#include "core/DM.h"

#include "core/DatabaseLockNote.h"
#include "core/DatabaseSchema.h"
#include "core/SettingsStore.h"
#include "desktop/MessageBoxes.h"
#include "desktop/ScreenCursor.h"
#include "platform/DbError.h"
#include "platform/PrivateFiles.h"

#include <QDir>
#include <QFileInfo>

#include <memory>

TDM2* DM2 = nullptr;

namespace {

// The hourglass while a query works; the cursor that was there before comes back afterwards.
std::function<void(bool)> hourglassHook()
{
    auto saved = std::make_shared<QList<CursorShape>>();
    return [saved](bool busy) {
        if (busy) {
            saved->append(ScreenCursor::current());
            ScreenCursor::set(CursorShape::Hourglass);
        } else if (!saved->isEmpty()) {
            ScreenCursor::set(saved->takeLast());
        }
    };
}

// A database folder made before its rights were kept to the owner; SQLite gives its journals
// the rights of their table file.
void narrowDatabaseFolder(const QString& folder)
{
    if (folder.trimmed().isEmpty() || !QFileInfo(folder).isDir())
        return;
    PrivateFiles::narrow(folder);
    for (const DbTableDef& table : newsDatabaseSchema().tables) {
        PrivateFiles::narrow(QDir(folder).filePath(table.tableFileName()));
        PrivateFiles::narrow(QDir(folder).filePath(table.indexFileName()));
    }
}

void showNumbered(const char* number, const EDatabaseError& e)
{
    MessageBoxes::error(QString::fromLatin1(number) + e.message());
}

// A connect that failed because another program holds the database says so in German first.
void showConnectFailure(const QString& folder, const EDatabaseError& e)
{
    const QString lock = DatabaseLockNote(folder, newsDatabaseSchema());
    if (lock.isEmpty())
        showNumbered("#49 ", e);
    else
        MessageBoxes::error(QStringLiteral("#49 ") + lock + QStringLiteral("\r\n\r\n") + e.message());
}

} // namespace

TDM2::TDM2(TDatabaseAvailability& availability)
    : AdsConnection1(QStringLiteral("AdsConnection1"), newsDatabaseSchema()),
      EmpfQuery(AdsConnection1, QStringLiteral("EmpfQuery")), EmpfSource(EmpfQuery),
      AbsendQuery(AdsConnection1, QStringLiteral("AbsendQuery")), AbsendSource(AbsendQuery),
      AdsConnection2(QStringLiteral("AdsConnection2"), newsDatabaseSchema()),
      AdsTable1(AdsConnection2, QStringLiteral("AdsTable1"))
{
    EmpfQuery.setSql({QStringLiteral("SELECT * FROM Adressen;")});
    EmpfQuery.setBusyHook(hourglassHook());
    AbsendQuery.setSql({QStringLiteral("SELECT * FROM Verfasser")});
    AbsendQuery.setBusyHook(hourglassHook());
    AdsTable1.setExclusive(true);

    bool failed = false;
    QString folder;
    ReadDBPath(failed, folder);
    if (failed)
        return;
    m_settingsRead = true;
    narrowDatabaseFolder(folder);
    AdsConnection1.setConnectPath(folder);
    try {
        AdsConnection1.connect();
    } catch (const EDatabaseError& e) {
        availability.setDatabaseUnavailable(true);
        showConnectFailure(folder, e);
    }
}

TDM2::~TDM2()
{
    try {
        AdsConnection2.disconnect();
        AdsConnection1.disconnect();
    } catch (const EDatabaseError&) {
        // Nothing can be reported while the program ends.
    }
}

bool TDM2::Reconnect()
{
    try {
        AdsConnection1.connect();
        return true;
    } catch (const EDatabaseError& e) {
        showConnectFailure(AdsConnection1.connectPath(), e);
        return false;
    }
}

bool TDM2::NoSenderExists()
{
    try {
        AbsendQuery.close();
        AbsendQuery.setSql({QStringLiteral("SELECT * FROM Verfasser"), QStringLiteral("ORDER BY Firma")});
        AbsendQuery.open();
        return AbsendQuery.recordCount() == 0;
    } catch (const EDatabaseError& e) {
        showNumbered("#89 ", e);
        return false;
    }
}
