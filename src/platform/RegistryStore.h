#pragma once

#include <QString>

#include <stdexcept>

// The exception type of the registry classes ("Ungültiger Datentyp für '%s'" and the like).
class ERegistryException : public std::runtime_error {
public:
    explicit ERegistryException(const QString& message);
    QString message() const { return QString::fromUtf8(what()); }
    static QString className() { return QStringLiteral("ERegistryException"); }
};

enum class RegistryRoot { LocalMachine, CurrentUser };

// A typed store over one text file laid out like a registry export:
//   [HKEY_LOCAL_MACHINE\Software\KUB\News]
//   "ImportPath"="/home/anna/Import"
//   "MAO"=dword:0000000a
// The registry's rules hold: a key is opened, and created only when the caller asks for it;
// key and value names match without regard to case; every write re-reads the file, changes
// it and saves it atomically; nothing is cached between calls, so each read sees the file as
// it is now. One object serves one routine on one thread.
class RegistryStore {
public:
    explicit RegistryStore(QString filePath);
    RegistryStore(); // the program's registry file (AppPaths::registryFile)

    void setRoot(RegistryRoot root) { m_root = root; }

    // True when the key exists (or was created because canCreate was set).
    // Throws ERegistryException when a key had to be created and the file cannot be saved.
    bool openKey(const QString& key, bool canCreate);
    void closeKey();
    bool keyExists(const QString& key) const;

    // The value calls need an open key.
    bool valueExists(const QString& name) const;
    // A missing value reads as ""; a value of another type throws.
    QString readString(const QString& name) const;
    // A missing value or one of another type throws.
    int readInteger(const QString& name) const;
    void writeString(const QString& name, const QString& value);
    void writeInteger(const QString& name, int value);

    QString filePath() const { return m_filePath; }

private:
    QString sectionName(const QString& key) const;

    QString m_filePath;
    RegistryRoot m_root = RegistryRoot::LocalMachine;
    QString m_openSection; // empty while no key is open
};
