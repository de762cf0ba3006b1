#include "core/SettingsStore.h"

#include "core/Records.h"
#include "desktop/MessageBoxes.h"
#include "desktop/ScreenCursor.h"
#include "platform/RegistryStore.h"

#include <QDir>

#include <functional>

namespace {

const QString kNewsKey = QStringLiteral("Software\\KUB\\News");
const QString kDatabaseKey = QStringLiteral("Software\\KUB\\News\\Database");

const QString kSettingsFaulty = QStringLiteral("Registrierungeinträge für Einstellungen fehlerhaft!");
const QString kFolderFaulty = QStringLiteral("Registrierungeinträge für Verzeichniseinstellung fehlerhaft!");
const QString kRegistryAccess = QStringLiteral("Fehler beim Zugriff auf die Registrierungsdatenbank!");

// How a routine reports a registry exception: "#<number> <message>", or the exception's class
// name and message when number is 0.
struct Routine {
    QString key;
    QString keyMessage;
    int number;
    bool resetsCursor;
};

void report(const Routine& routine, const QString& text)
{
    if (routine.resetsCursor)
        ScreenCursor::set(CursorShape::Default);
    MessageBoxes::error(text);
}

// Runs work on the routine's opened key; returns false after reporting a failure.
bool withKey(const Routine& routine, const std::function<void(RegistryStore&)>& work)
{
    try {
        RegistryStore registry;
        registry.setRoot(RegistryRoot::LocalMachine);
        if (!registry.openKey(routine.key, false)) {
            report(routine, routine.keyMessage);
            return false;
        }
        work(registry);
        registry.closeKey();
        return true;
    } catch (const ERegistryException& e) {
        report(routine, routine.number != 0 ? QStringLiteral("#%1 %2").arg(routine.number).arg(e.message())
                                            : ERegistryException::className() + QStringLiteral(": ") + e.message());
        return false;
    }
}

// Nothing is resolved against the process's current folder: a relative folder counts as none.
QString absoluteOrNone(const QString& folder)
{
    return QDir::isAbsolutePath(folder) ? folder : QString();
}

} // namespace

void ReadDBPath(bool& Failed, QString& Path)
{
    Failed = false;
    const QString keyMessage = QStringLiteral("Werte für den Datenbankzugriff konnten nicht gelesen werden!");
    const bool opened = withKey({kDatabaseKey, keyMessage, 43, true}, [&](RegistryStore& registry) {
        const bool stored = registry.valueExists(QStringLiteral("DBPath"));
        const QString value = stored ? registry.readString(QStringLiteral("DBPath")) : QString();
        // An empty value is the database module's to report; a relative one counts as missing.
        if (stored && (value.isEmpty() || QDir::isAbsolutePath(value))) {
            Path = value;
        } else {
            Failed = true;
            MessageBoxes::error(keyMessage);
        }
    });
    if (!opened)
        Failed = true;
}

bool LoadOptions(TOptionData& Data)
{
    const bool ok = withKey({kNewsKey, kSettingsFaulty, 94, true}, [&](RegistryStore& registry) {
        if (registry.valueExists(QStringLiteral("ImportPath")))
            Data.ImportPath = registry.readString(QStringLiteral("ImportPath"));
        if (registry.valueExists(QStringLiteral("TemplatePath")))
            Data.TemplatePath = registry.readString(QStringLiteral("TemplatePath"));
        if (registry.valueExists(QStringLiteral("DFUE")))
            Data.DialUp = registry.readInteger(QStringLiteral("DFUE")) == 0;
    });
    if (!ok)
        return false;
    Data.MailsPerConnection = ReadMailsPerConnection();
    return true;
}

bool SaveOptions(const TOptionData& Data)
{
    const bool ok = withKey({kNewsKey, kSettingsFaulty, 126, true}, [&](RegistryStore& registry) {
        registry.writeString(QStringLiteral("ImportPath"), Data.ImportPath);
        registry.writeString(QStringLiteral("TemplatePath"), Data.TemplatePath);
        registry.writeInteger(QStringLiteral("DFUE"), Data.DialUp ? 0 : 1);
    });
    if (!ok)
        return false;
    WriteMailsPerConnection(Data.MailsPerConnection);
    return true;
}

namespace {

QString readOptionalString(const Routine& routine, const QString& name)
{
    QString result;
    withKey(routine, [&](RegistryStore& registry) {
        if (registry.valueExists(name))
            result = registry.readString(name);
    });
    return result;
}

} // namespace

QString ReadImportPath()
{
    return absoluteOrNone(readOptionalString({kNewsKey, kFolderFaulty, 129, true}, QStringLiteral("ImportPath")));
}

QString ReadTemplatePath()
{
    return absoluteOrNone(readOptionalString({kNewsKey, kFolderFaulty, 164, true}, QStringLiteral("TemplatePath")));
}

bool ReadDialUp()
{
    bool dialUp = false;
    const Routine routine{kNewsKey, QStringLiteral("Registrierungeinträge für Verbindungseinstellung fehlerhaft!"), 168,
                          true};
    withKey(routine, [&](RegistryStore& registry) {
        if (registry.valueExists(QStringLiteral("DFUE")))
            dialUp = registry.readInteger(QStringLiteral("DFUE")) == 0;
    });
    return dialUp;
}

QString ReadVersion()
{
    return readOptionalString({kNewsKey, kRegistryAccess, 368, true}, QStringLiteral("Ver"));
}

void WriteVersion(const QString& Value)
{
    withKey({kNewsKey, kRegistryAccess, 401, true},
            [&](RegistryStore& registry) { registry.writeString(QStringLiteral("Ver"), Value); });
}

int ReadMailsPerConnection()
{
    int result = 0;
    withKey({kNewsKey, kRegistryAccess, 0, false}, [&](RegistryStore& registry) {
        if (registry.valueExists(QStringLiteral("MAO")))
            result = registry.readInteger(QStringLiteral("MAO"));
    });
    return result;
}

void WriteMailsPerConnection(int Value)
{
    withKey({kNewsKey, kRegistryAccess, 0, false},
            [&](RegistryStore& registry) { registry.writeInteger(QStringLiteral("MAO"), Value); });
}
