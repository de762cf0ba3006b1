#pragma once

#include "platform/VolumeProvider.h"

#include <QFileIconProvider>
#include <QHash>
#include <QIcon>
#include <QString>

// Icons and display names of files, folders and volumes as the desktop shows them, and opening
// a file with the desktop's program for it. Icons of files are fetched once per extension and
// shared. Main thread only; tests derive from it to replace what they need.
class ShellIcons {
public:
    virtual ~ShellIcons() = default;

    // By name only: the file itself is not read.
    virtual QIcon fileIcon(const QString& fileName);
    virtual QIcon folderIcon();
    virtual QIcon volumeIcon(VolumeKind kind);
    // The name the desktop shows for a path: its last component, "/" for the root.
    virtual QString displayName(const QString& path) const;
    // False when no program could be started for the file.
    virtual bool openFile(const QString& path);

    static ShellIcons& system();

private:
    QFileIconProvider m_provider;
    QHash<QString, QIcon> m_iconByExtension;
};
