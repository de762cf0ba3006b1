#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>

TestEnvironment::TestEnvironment()
    : m_oldRegistry(qgetenv("KUBNEWS_REGISTRY")), m_oldHome(qgetenv("KUBNEWS_HOME")),
      m_hadRegistry(qEnvironmentVariableIsSet("KUBNEWS_REGISTRY")), m_hadHome(qEnvironmentVariableIsSet("KUBNEWS_HOME"))
{
    QDir().mkpath(homeFolder());
    qputenv("KUBNEWS_REGISTRY", registryFile().toUtf8());
    qputenv("KUBNEWS_HOME", homeFolder().toUtf8());
}

TestEnvironment::~TestEnvironment()
{
    if (m_hadRegistry)
        qputenv("KUBNEWS_REGISTRY", m_oldRegistry);
    else
        qunsetenv("KUBNEWS_REGISTRY");
    if (m_hadHome)
        qputenv("KUBNEWS_HOME", m_oldHome);
    else
        qunsetenv("KUBNEWS_HOME");
}

void TestEnvironment::writeRegistry(const QString& text) const
{
    QFile file(registryFile());
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(text.toUtf8());
}

QString TestEnvironment::readRegistry() const
{
    QFile file(registryFile());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void TestEnvironment::writeStandardRegistry(const QString& newsValues, const QString& databaseValues) const
{
    writeRegistry(
        QStringLiteral("Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\KUB\\News]\n") +
        newsValues + QStringLiteral("\n[HKEY_LOCAL_MACHINE\\Software\\KUB\\News\\Database]\n") + databaseValues +
        u'\n');
}
