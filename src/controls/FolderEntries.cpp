#include "controls/FolderEntries.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

QString wildcardToRegex(const QString& pattern)
{
    QString regex;
    for (const QChar c : pattern) {
        if (c == QLatin1Char('*'))
            regex += QStringLiteral(".*");
        else if (c == QLatin1Char('?'))
            regex += QLatin1Char('.');
        else
            regex += QRegularExpression::escape(QString(c));
    }
    return regex;
}

TFileType attributesOf(const QFileInfo& info)
{
    TFileType attributes;
    if (info.fileName().startsWith(QLatin1Char('.')))
        attributes |= TFileAttr::ftHidden;
    if (info.isDir())
        attributes |= TFileAttr::ftDirectory;
    else if (info.isFile())
        attributes |= TFileAttr::ftArchive;
    else
        attributes |= TFileAttr::ftSystem;
    if (!info.isWritable())
        attributes |= TFileAttr::ftReadOnly;
    return attributes;
}

// Hidden, system and folder entries come only when the type asks for each of what they are;
// without ftNormal, an entry must also have one of the asked attributes.
bool wanted(TFileType attributes, TFileType type)
{
    const TFileType special =
        TFileAttr::ftHidden | TFileAttr::ftSystem | TFileAttr::ftVolumeID | TFileAttr::ftDirectory;
    const TFileType asked = type & ~TFileType(TFileAttr::ftNormal);
    if ((attributes & special & ~asked) != TFileType())
        return false;
    return type.testFlag(TFileAttr::ftNormal) || (attributes & asked) != TFileType();
}

} // namespace

FileMask::FileMask(const QString& mask)
{
    for (const QString& pattern : mask.split(QLatin1Char(';'))) {
        if (pattern.isEmpty())
            continue;
        QString regex;
        if (pattern.endsWith(QLatin1String(".*")))
            regex = wildcardToRegex(pattern.chopped(2)) + QStringLiteral("(\\..*)?");
        else
            regex = wildcardToRegex(pattern);
        m_patterns.append(QRegularExpression(QRegularExpression::anchoredPattern(regex),
                                             QRegularExpression::CaseInsensitiveOption |
                                                 QRegularExpression::DotMatchesEverythingOption));
    }
}

bool FileMask::matches(const QString& name) const
{
    return std::any_of(m_patterns.begin(), m_patterns.end(),
                       [&](const QRegularExpression& pattern) { return pattern.match(name).hasMatch(); });
}

QList<FolderEntry> ReadFolderEntries(const QString& folder, const QString& mask, TFileType type)
{
    if (folder.isEmpty())
        return {};
    const FileMask fileMask(mask);
    const QFileInfoList infos =
        QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    QList<FolderEntry> entries;
    for (const QFileInfo& info : infos) {
        const TFileType attributes = attributesOf(info);
        if (wanted(attributes, type) && fileMask.matches(info.fileName()))
            entries.append({info.fileName(), attributes.testFlag(TFileAttr::ftDirectory)});
    }
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(entries.begin(), entries.end(), [&](const FolderEntry& a, const FolderEntry& b) {
        if (a.isDirectory != b.isDirectory)
            return a.isDirectory;
        const int order = collator.compare(a.name, b.name);
        return order != 0 ? order < 0 : a.name < b.name;
    });
    return entries;
}
