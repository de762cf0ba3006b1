#include "desktop/ShellIcons.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QUrl>

namespace {

ShellIcons* g_system = nullptr;

QString extensionOf(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot <= 0 ? QString() : fileName.mid(dot).toLower();
}

} // namespace

QIcon ShellIcons::fileIcon(const QString& fileName)
{
    const QString extension = extensionOf(fileName);
    const auto cached = m_iconByExtension.constFind(extension);
    if (cached != m_iconByExtension.constEnd())
        return *cached;
    const QMimeType type = QMimeDatabase().mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
    QIcon icon = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
    if (icon.isNull())
        icon = m_provider.icon(QFileIconProvider::File);
    m_iconByExtension.insert(extension, icon);
    return icon;
}

QIcon ShellIcons::folderIcon()
{
    return m_provider.icon(QFileIconProvider::Folder);
}

QIcon ShellIcons::volumeIcon(VolumeKind kind)
{
    return m_provider.icon(kind == VolumeKind::Network ? QFileIconProvider::Network : QFileIconProvider::Drive);
}

QString ShellIcons::displayName(const QString& path) const
{
    const QString name = QFileInfo(path).fileName();
    return name.isEmpty() ? QStringLiteral("/") : name;
}

bool ShellIcons::openFile(const QString& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

ShellIcons& ShellIcons::system()
{
    // Deleted with the application: icons must not outlive it.
    if (!g_system) {
        g_system = new ShellIcons;
        qAddPostRoutine([] {
            delete g_system;
            g_system = nullptr;
        });
    }
    return *g_system;
}
