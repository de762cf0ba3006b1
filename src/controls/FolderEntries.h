#pragma once

#include <QFlags>
#include <QList>
#include <QRegularExpression>
#include <QString>

// File attributes as the file list selects by them. On Linux: hidden is a name that starts with
// "."; system is an entry that is neither a file nor a folder (a broken link, a socket, a
// device); archive is every regular file; read-only is an entry we may not write.
enum class TFileAttr {
    ftReadOnly = 1,
    ftHidden = 2,
    ftSystem = 4,
    ftVolumeID = 8,
    ftDirectory = 16,
    ftArchive = 32,
    ftNormal = 64
};
Q_DECLARE_FLAGS(TFileType, TFileAttr)
Q_DECLARE_OPERATORS_FOR_FLAGS(TFileType)

// A file mask: patterns separated by ";" with "*" and "?" as wildcards, matched without regard
// to letter case; a pattern ending in ".*" also matches names without an extension, so "*.*"
// matches every name. An empty pattern matches nothing.
class FileMask {
public:
    explicit FileMask(const QString& mask);
    bool matches(const QString& name) const;

private:
    QList<QRegularExpression> m_patterns;
};

inline bool IsWildcardPattern(const QString& text)
{
    return text.contains(QLatin1Char('*')) || text.contains(QLatin1Char('?'));
}

struct FolderEntry {
    QString name;
    bool isDirectory = false;
};

// The entries of folder that match mask and type, each once, folders first, each group in
// case-insensitive name order. An unreadable or missing folder gives none.
QList<FolderEntry> ReadFolderEntries(const QString& folder, const QString& mask, TFileType type);
