#include "core/FirstRun.h"

#include "platform/AppPaths.h"
#include "platform/RegistryStore.h"

#include <QFile>
#include <QFileInfo>

FirstRunResult PrepareFirstRun()
{
    FirstRunResult result;
    const QString target = AppPaths::registryFile();
    if (AppPaths::registryOverridden() || QFileInfo::exists(target))
        return result;
    // Written beside the target and moved into place whole: a half-written file would make every
    // later start skip this step and fail on the missing database folder.
    const QString draft = target + QStringLiteral(".new");
    QFile::remove(draft);
    try {
        RegistryStore registry(draft);
        registry.setRoot(RegistryRoot::LocalMachine);
        registry.openKey(QStringLiteral("Software\\KUB\\News"), true);
        // A Linux desktop has no dial-up networking to ask for.
        registry.writeInteger(QStringLiteral("DFUE"), 1);
        registry.writeInteger(QStringLiteral("MAO"), 0);
        registry.openKey(QStringLiteral("Software\\KUB\\News\\Database"), true);
        registry.writeString(QStringLiteral("DBPath"), AppPaths::defaultDatabaseFolder());
        registry.closeKey();
    } catch (const ERegistryException& e) {
        QFile::remove(draft);
        result.failed = true;
        result.error = e.message();
        return result;
    }
    if (!QFile::rename(draft, target)) {
        QFile::remove(draft);
        result.failed = true;
        result.error = QStringLiteral("Die Datei ") + target + QStringLiteral(" konnte nicht angelegt werden.");
        return result;
    }
    result.registryWritten = true;
    return result;
}
