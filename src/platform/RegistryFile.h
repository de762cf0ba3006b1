#pragma once

#include <QList>
#include <QString>

// The parsed contents of the registry file; used only by RegistryStore.
struct RegistryValue {
    enum class Type { String, Dword, Other };
    QString name;
    Type type = Type::String;
    QString text;       // String
    quint32 number = 0; // Dword
    QString raw;        // Other: the data as written, kept unchanged
};

struct RegistrySection {
    QString name; // full key path, e.g. HKEY_LOCAL_MACHINE\Software\KUB\News
    QList<RegistryValue> values;

    RegistryValue* find(const QString& valueName);
    const RegistryValue* find(const QString& valueName) const;
};

class RegistryFile {
public:
    // A missing or unreadable file gives no sections. A file larger than kMaxFileSize is not
    // read at all and counts as unreadable.
    static RegistryFile load(const QString& path);
    // Atomic: a failed save leaves the old file in place. Returns false on failure. The file is
    // written for its owner only, in a folder created for its owner only.
    bool save(const QString& path, QString* error) const;

    // False when the file exists but could not be read; it must then not be replaced by a
    // save, which would lose what it holds. unreadableReason() tells why.
    bool readable() const { return m_unreadableReason.isEmpty(); }
    const QString& unreadableReason() const { return m_unreadableReason; }

    static constexpr qint64 kMaxFileSize = 4 * 1024 * 1024;

    RegistrySection* find(const QString& sectionName);
    const RegistrySection* find(const QString& sectionName) const;
    // True when the section or any section below it exists.
    bool hasKey(const QString& sectionName) const;
    RegistrySection& add(const QString& sectionName);

private:
    QList<RegistrySection> m_sections;
    QString m_unreadableReason;
};
