#include "platform/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString fromEnvironment(const char* name)
{
    return QDir::cleanPath(qEnvironmentVariable(name));
}

QString xdgFolder(const char* variable, const QString& fallbackBelowHome)
{
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    return QDir::homePath() + u'/' + fallbackBelowHome;
}

QString inWorkFolder(const QString& name)
{
    return AppPaths::workFolder() + u'/' + name;
}

} // namespace

namespace AppPaths {

QString workFolder()
{
    if (qEnvironmentVariableIsSet("KUBNEWS_HOME") && !qEnvironmentVariable("KUBNEWS_HOME").isEmpty())
        return QDir(fromEnvironment("KUBNEWS_HOME")).absolutePath();
    return xdgFolder("XDG_DATA_HOME", QStringLiteral(".local/share")) + QStringLiteral("/kubNEWSLETTER");
}

QString logFolder()
{
    return inWorkFolder(QStringLiteral("Log"));
}
QString tmpFolder()
{
    return inWorkFolder(QStringLiteral("Tmp"));
}
QString oldDatabaseFolder()
{
    return inWorkFolder(QStringLiteral("ADS_OLD"));
}
QString defaultDatabaseFolder()
{
    return inWorkFolder(QStringLiteral("Datenbank"));
}
QString restoreRecordFile()
{
    return inWorkFolder(QStringLiteral("Einspielen.stand"));
}
QString oldDatabaseNoticeFile()
{
    return inWorkFolder(QStringLiteral("ADS_OLD.gemeldet"));
}

QString assetFolder()
{
    const QStringList candidates{
        QCoreApplication::applicationDirPath() + QStringLiteral("/../share/kubNEWSLETTER"),
        QStringLiteral(KUB_ASSET_DIR_BUILD),
        QStringLiteral(KUB_ASSET_DIR_INSTALL),
    };
    for (const QString& candidate : candidates) {
        if (QFileInfo(candidate).isDir())
            return QDir(candidate).absolutePath();
    }
    return QDir(candidates.first()).absolutePath();
}

QString assetPath(const QString& relativeName)
{
    return assetFolder() + u'/' + relativeName;
}

bool registryOverridden()
{
    return !qEnvironmentVariable("KUBNEWS_REGISTRY").isEmpty();
}

QString registryFile()
{
    if (registryOverridden())
        return QDir(fromEnvironment("KUBNEWS_REGISTRY")).absolutePath();
    return xdgFolder("XDG_CONFIG_HOME", QStringLiteral(".config")) + QStringLiteral("/kubNEWSLETTER/registry.reg");
}

QString programBaseName()
{
    const QString file = QCoreApplication::applicationFilePath();
    return file.isEmpty() ? QStringLiteral("kubNEWS") : QFileInfo(file).completeBaseName();
}

} // namespace AppPaths
