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
    using Kind = TDatabaseRecovery::Kind;
    const TDatabaseRecovery recovery = RecoverDatabaseFolder(storedDatabaseFolder(), newsDatabaseSchema());
    if (const QString text = TmpProblemText(recovery); !text.isEmpty())
        MessageBoxes::warning(text);
    const QString text = DatabaseRecoveryText(recovery);
    if (text.isEmpty())
        return;
    // What was put right informs; what is left as it was asks the user to act.
    const bool putRight =
        recovery.kind == Kind::Recovered || recovery.kind == Kind::OldKept || recovery.kind == Kind::OldLeft;
    if (putRight)
        MessageBoxes::information(text);
    else
        MessageBoxes::warning(text);
}
