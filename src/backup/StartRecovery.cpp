#include "backup/StartRecovery.h"

#include "backup/DatabaseRecovery.h"
#include "core/DatabaseSchema.h"
#include "desktop/MessageBoxes.h"
#include "platform/RegistryStore.h"

namespace {

// The stored database folder, read without a box: the database module reports what is wrong.
QString storedDatabaseFolder()
{
    try {
        RegistryStore registry;
        registry.setRoot(RegistryRoot::LocalMachine);
        if (!registry.openKey(QStringLiteral("Software\\KUB\\News\\Database"), false) ||
            !registry.valueExists(QStringLiteral("DBPath")))
            return QString();
        return registry.readString(QStringLiteral("DBPath"));
    } catch (const ERegistryException&) {
        return QString();
    }
}

} // namespace

void RecoverDatabaseAtStart()
{
    const TDatabaseRecovery recovery =
        RecoverDatabaseFolder(storedDatabaseFolder(), newsDatabaseSchema(), QDateTime::currentDateTime());
    const QString text = DatabaseRecoveryText(recovery);
    if (!text.isEmpty())
        MessageBoxes::information(text);
}
