#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// Points KUBNEWS_REGISTRY and KUBNEWS_HOME at a fresh temporary folder for one test and puts
// the old values back at its end.
class TestEnvironment {
public:
    TestEnvironment();
    ~TestEnvironment();
    TestEnvironment(const TestEnvironment&) = delete;
    TestEnvironment& operator=(const TestEnvironment&) = delete;

    QString root() const { return m_dir.path(); }
    QString registryFile() const { return m_dir.path() + QStringLiteral("/registry.reg"); }
    QString homeFolder() const { return m_dir.path() + QStringLiteral("/home"); }

    // Writes the registry file verbatim.
    void writeRegistry(const QString& text) const;
    QString readRegistry() const;

    // The settings keys as an installer leaves them, with the given extra value lines.
    void writeStandardRegistry(const QString& newsValues = {}, const QString& databaseValues = {}) const;

private:
    QTemporaryDir m_dir;
    QByteArray m_oldRegistry;
    QByteArray m_oldHome;
    bool m_hadRegistry;
    bool m_hadHome;
};
