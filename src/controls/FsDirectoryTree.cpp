#include "controls/FsDirectoryTree.h"

#include "controls/BusyCursor.h"
#include "controls/ControlText.h"
#include "controls/FsFileListBox.h"
#include "desktop/MessageBoxes.h"
#include "desktop/ShellIcons.h"

#include <QCollator>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>

namespace {

constexpr int kChildrenCheckedRole = Qt::UserRole + 2; // each child has been probed for subfolders
const QString kPlaceholderCaption = QStringLiteral(":");
const QString kInvalidNameText =
    QStringLiteral("A directory name cannot contain any of the following characters:\r\\ / : * ? \" < > |");

// Commits an in-place edit after the editor has closed, so the rename and its message box do not
// run inside the editor's own focus handling.
class FolderRenameDelegate : public QStyledItemDelegate {
public:
    using Commit = std::function<void(const QPersistentModelIndex&, const QString&)>;
    FolderRenameDelegate(QObject* parent, Commit commit) : QStyledItemDelegate(parent), m_commit(std::move(commit)) {}

    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override
    {
        if (const auto* edit = qobject_cast<QLineEdit*>(editor))
            m_commit(QPersistentModelIndex(index), edit->text());
    }

private:
    Commit m_commit;
};

QString withSlash(const QString& path)
{
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

QString withoutSlash(const QString& path)
{
    return path.size() > 1 && path.endsWith(QLatin1Char('/')) ? path.chopped(1) : path;
}

bool probedAtLoad(VolumeKind kind)
{
    // Removable and optical media may be absent and network volumes may not answer: they get an
    // expand button without being read.
    return kind == VolumeKind::Fixed || kind == VolumeKind::Ram;
}

QTreeWidgetItem* topLevelOf(const QTreeWidgetItem* node)
{
    while (node && node->parent())
        node = node->parent();
    return const_cast<QTreeWidgetItem*>(node);
}

void addPlaceholder(QTreeWidgetItem* node)
{
    auto* placeholder = new QTreeWidgetItem(node, {kPlaceholderCaption});
    placeholder->setFlags(Qt::ItemIsEnabled);
}

QString volumeCaption(const VolumeInfo& volume, const ShellIcons& icons)
{
    if (volume.mountPoint == QLatin1String("/"))
        return volume.mountPoint;
    return icons.displayName(volume.mountPoint) + QStringLiteral(" (") + volume.mountPoint + QLatin1Char(')');
}

// Updates the folder paths of a renamed node and everything below it.
void replacePathPrefix(QTreeWidgetItem* node, const QString& oldPrefix, const QString& newPrefix)
{
    const QString path = TFsDirectoryTree::nodePath(node);
    if (path.startsWith(oldPrefix))
        node->setData(0, TFsDirectoryTree::kPathRole, QString(newPrefix + path.mid(oldPrefix.size())));
    for (int i = 0; i < node->childCount(); ++i)
        replacePathPrefix(node->child(i), oldPrefix, newPrefix);
}

// Marks a routine that rebuilds nodes: selection changes meanwhile are not passed on.
class FillingGuard {
public:
    explicit FillingGuard(bool& flag) : m_flag(flag), m_before(flag) { flag = true; }
    ~FillingGuard() { m_flag = m_before; }
    FillingGuard(const FillingGuard&) = delete;
    FillingGuard& operator=(const FillingGuard&) = delete;

private:
    bool& m_flag;
    bool m_before;
};

} // namespace

TFsDirectoryTree::TFsDirectoryTree(QWidget* parent, VolumeProvider* volumes, ShellIcons* icons)
    : TFlatTreeView(parent), m_volumes(volumes ? volumes : &VolumeProvider::system()),
      m_icons(icons ? icons : &ShellIcons::system())
{
    setReadOnly(true);
    setHideSelection(false);
    resize(250, 150);
    setItemDelegate(new FolderRenameDelegate(this, [this](const QPersistentModelIndex& index, const QString& name) {
        QMetaObject::invokeMethod(
            this,
            [this, index, name] {
                if (!index.isValid())
                    return;
                const FsResult renamed = renameFolder(itemFromIndex(index), name);
                if (!renamed)
                    MessageBoxes::error(renamed.message(), this);
            },
            Qt::QueuedConnection);
    }));
    connect(this, &QTreeWidget::itemExpanded, this, &TFsDirectoryTree::nodeExpanded);
    connect(this, &QTreeWidget::currentItemChanged, this, &TFsDirectoryTree::selectionChanged);
    connect(this, &QTreeWidget::itemClicked, this, &TFsDirectoryTree::nodeClicked);
    connect(m_volumes, &VolumeProvider::volumesChanged, this, &TFsDirectoryTree::refreshDrives);
    loadDrives();
    setDirectory(QStringLiteral("/"));
}

QString TFsDirectoryTree::nodePath(const QTreeWidgetItem* node)
{
    return node ? node->data(0, kPathRole).toString() : QString();
}

QString TFsDirectoryTree::directory() const
{
    return withoutSlash(nodePath(currentItem()));
}

QString TFsDirectoryTree::volume() const
{
    if (directory().isEmpty())
        return {};
    return withoutSlash(nodePath(topLevelOf(currentItem())));
}

QList<VolumeInfo> TFsDirectoryTree::listedVolumes() const
{
    QList<VolumeInfo> volumes = m_volumes->volumes();
    volumes.removeIf([this](const VolumeInfo& volume) { return !m_volumeKinds.testFlag(volume.kind); });
    return volumes;
}

void TFsDirectoryTree::initNode(QTreeWidgetItem* node, const QString& path)
{
    node->setData(0, kPathRole, path);
    node->setData(0, kScannedRole, false);
    node->setData(0, kChildrenCheckedRole, false);
    node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

QTreeWidgetItem* TFsDirectoryTree::newVolumeNode(const VolumeInfo& volume)
{
    auto* node = new QTreeWidgetItem({volumeCaption(volume, *m_icons)});
    node->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    node->setIcon(0, m_icons->volumeIcon(volume.kind));
    initNode(node, withSlash(volume.mountPoint));
    if (probedAtLoad(volume.kind))
        checkSubfolders(node);
    else
        addPlaceholder(node);
    m_identityByMountPoint.insert(volume.mountPoint, volume.identity);
    return node;
}

void TFsDirectoryTree::loadDrives()
{
    const FillingGuard filling(m_fillingDrives);
    const BusyCursor busy;
    clear();
    m_identityByMountPoint.clear();
    for (const VolumeInfo& volume : listedVolumes())
        addTopLevelItem(newVolumeNode(volume));
}

void TFsDirectoryTree::refreshDrives()
{
    {
        const FillingGuard filling(m_fillingDrives);
        const QList<VolumeInfo> now = listedVolumes();
        const auto listed = [&](const QString& mountPoint) {
            return std::any_of(now.begin(), now.end(), [&](const VolumeInfo& v) { return v.mountPoint == mountPoint; });
        };
        for (int i = topLevelItemCount() - 1; i >= 0; --i) {
            const QString mountPoint = withoutSlash(nodePath(topLevelItem(i)));
            if (!listed(mountPoint)) {
                delete takeTopLevelItem(i);
                m_identityByMountPoint.remove(mountPoint);
            }
        }
        for (const VolumeInfo& volume : now) {
            if (m_identityByMountPoint.contains(volume.mountPoint))
                continue;
            int at = 0;
            while (at < topLevelItemCount() && withoutSlash(nodePath(topLevelItem(at))) < volume.mountPoint)
                ++at;
            insertTopLevelItem(at, newVolumeNode(volume));
        }
    }
    selectionChanged();
}

void TFsDirectoryTree::checkSubfolders(QTreeWidgetItem* node)
{
    const QString path = nodePath(node);
    if (path.isEmpty() || node->data(0, kScannedRole).toBool() || node->childCount() > 0)
        return;
    const QDir::Filters filters =
        QDir::Dirs | QDir::NoDotAndDotDot | (m_showHiddenDirs ? QDir::Hidden : QDir::Filters());
    if (QDirIterator(path, filters).hasNext())
        addPlaceholder(node);
}

void TFsDirectoryTree::readSubfolders(QTreeWidgetItem* node)
{
    const QString path = nodePath(node);
    if (path.isEmpty() || node->data(0, kScannedRole).toBool())
        return;
    node->setData(0, kScannedRole, true);
    const QDir::Filters filters =
        QDir::Dirs | QDir::NoDotAndDotDot | (m_showHiddenDirs ? QDir::Hidden : QDir::Filters());
    QStringList names = QDir(path).entryList(filters, QDir::NoSort);
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(names.begin(), names.end(), [&](const QString& a, const QString& b) {
        const int order = collator.compare(a, b);
        return order != 0 ? order < 0 : a < b;
    });
    // This runs while the view expands the node: removing rows there can crash the view, so the
    // placeholder becomes the first folder, or is hidden when there is none.
    QTreeWidgetItem* placeholder = nullptr;
    for (int i = node->childCount() - 1; i >= 0; --i) {
        QTreeWidgetItem* child = node->child(i);
        if (!placeholder && child->text(0) == kPlaceholderCaption && !child->flags().testFlag(Qt::ItemIsSelectable))
            placeholder = child;
        else
            delete node->takeChild(i);
    }
    if (placeholder && names.isEmpty()) {
        placeholder->setHidden(true);
        node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
        const QPersistentModelIndex index(indexFromItem(placeholder));
        QTimer::singleShot(0, this, [this, index] {
            if (index.isValid())
                delete itemFromIndex(index);
        });
    }
    for (const QString& name : names) {
        QTreeWidgetItem* child = placeholder ? placeholder : new QTreeWidgetItem(node);
        placeholder = nullptr;
        child->setText(0, name);
        child->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
        child->setIcon(0, m_icons->folderIcon());
        initNode(child, path + name + QLatin1Char('/'));
    }
}

void TFsDirectoryTree::refreshNode(QTreeWidgetItem* node, VolumeKind kind)
{
    // Collapsed, so that the next expansion reads it again.
    node->setExpanded(false);
    qDeleteAll(node->takeChildren());
    initNode(node, nodePath(node));
    if (probedAtLoad(kind))
        checkSubfolders(node);
    else
        addPlaceholder(node);
}

void TFsDirectoryTree::nodeExpanded(QTreeWidgetItem* node)
{
    if (node->data(0, kChildrenCheckedRole).toBool())
        return;
    const BusyCursor busy;
    readSubfolders(node);
    for (int i = 0; i < node->childCount(); ++i)
        checkSubfolders(node->child(i));
    node->setData(0, kChildrenCheckedRole, true);
}

QTreeWidgetItem* TFsDirectoryTree::volumeNodeFor(const QString& path) const
{
    const QString target = withSlash(path);
    QTreeWidgetItem* best = nullptr;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* node = topLevelItem(i);
        const QString root = nodePath(node);
        if (target.startsWith(root) && (!best || root.size() > nodePath(best).size()))
            best = node;
    }
    return best;
}

QTreeWidgetItem* TFsDirectoryTree::findFolderNode(const QString& folder, QTreeWidgetItem* root)
{
    QTreeWidgetItem* node = root ? root : volumeNodeFor(folder);
    if (!node || !withSlash(folder).startsWith(nodePath(node)))
        return nullptr;
    const QStringList names = withSlash(folder).mid(nodePath(node).size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& name : names) {
        readSubfolders(node);
        const QString wanted = nodePath(node) + name + QLatin1Char('/');
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < node->childCount() && !nodePath(node->child(i)).isEmpty(); ++i) {
            if (nodePath(node->child(i)) == wanted) {
                next = node->child(i);
                break;
            }
        }
        if (!next)
            return nullptr;
        node = next;
    }
    return node;
}

void TFsDirectoryTree::selectNode(QTreeWidgetItem* node)
{
    for (QTreeWidgetItem* up = node->parent(); up; up = up->parent())
        up->setExpanded(true);
    setCurrentItem(node);
    scrollToItem(node);
}

FsResult TFsDirectoryTree::setDirectory(const QString& path)
{
    if (path.isEmpty())
        return {};
    QString folder = QDir::cleanPath(QDir::current().absoluteFilePath(path));
    if (folder == directory())
        return {};
    while (!QFileInfo(folder).isDir()) {
        const QString parent = QFileInfo(folder).path();
        if (parent == folder)
            return FsResult::failure(QStringLiteral("The %1 directory does not exist").arg(path));
        folder = parent;
    }
    const BusyCursor busy;
    if (QTreeWidgetItem* node = findFolderNode(folder))
        selectNode(node);
    return {};
}

void TFsDirectoryTree::rescan()
{
    const QString remembered = directory();
    loadDrives();
    setDirectory(remembered);
}

bool TFsDirectoryTree::remounted(const QTreeWidgetItem* node, VolumeInfo* volume) const
{
    if (nodePath(node).isEmpty())
        return false;
    const QString mountPoint = withoutSlash(nodePath(topLevelOf(node)));
    for (const VolumeInfo& now : m_volumes->volumes()) {
        if (now.mountPoint == mountPoint) {
            *volume = now;
            return now.identity != m_identityByMountPoint.value(mountPoint);
        }
    }
    return false;
}

void TFsDirectoryTree::reloadIfRemounted()
{
    VolumeInfo volume;
    if (!remounted(currentItem(), &volume))
        return;
    // Reading the volume again deletes the selected node: keep its path, rebuild without passing
    // the selection on, then go back to that path, its nearest existing parent, or the root.
    const QString remembered = directory();
    QTreeWidgetItem* root = topLevelOf(currentItem());
    const FillingGuard filling(m_fillingDrives);
    m_identityByMountPoint.insert(volume.mountPoint, volume.identity);
    root->setText(0, volumeCaption(volume, *m_icons));
    refreshNode(root, volume.kind);
    QString target = remembered;
    while (!QFileInfo(target).isDir() && target.size() > volume.mountPoint.size())
        target = QFileInfo(target).path();
    QTreeWidgetItem* again = findFolderNode(target, root);
    selectNode(again ? again : root);
}

void TFsDirectoryTree::selectionChanged()
{
    if (m_fillingDrives)
        return;
    reloadIfRemounted();
    const QString volumeNow = volume();
    if (volumeNow != m_volumeBefore) {
        m_volumeBefore = volumeNow;
        emit driveChanged();
    }
    if (TFsFileListBox* list = fileList())
        list->setDirectory(directory());
    updateDirLabel();
    emit directoryChanged();
}

void TFsDirectoryTree::nodeClicked()
{
    VolumeInfo volume;
    if (remounted(currentItem(), &volume))
        selectionChanged();
}

TFsFileListBox* TFsDirectoryTree::fileList() const
{
    return static_cast<TFsFileListBox*>(m_fileList.data());
}

void TFsDirectoryTree::setFileList(TFsFileListBox* list)
{
    if (fileList() && fileList()->dirTree() == this)
        fileList()->setDirTree(nullptr);
    m_fileList = list;
    if (list)
        list->setDirTree(this);
}

void TFsDirectoryTree::setDirLabel(QLabel* label, bool autoSize)
{
    m_dirLabel.link(label, autoSize);
    updateDirLabel();
}

void TFsDirectoryTree::updateDirLabel()
{
    m_dirLabel.show(directory(), *this);
}

void TFsDirectoryTree::setVolumeKinds(VolumeKinds kinds)
{
    if (kinds == m_volumeKinds)
        return;
    m_volumeKinds = kinds;
    refreshDrives();
}

void TFsDirectoryTree::setShowHiddenDirs(bool show)
{
    if (show == m_showHiddenDirs)
        return;
    m_showHiddenDirs = show;
    rescan();
}

FsResult TFsDirectoryTree::renameFolder(QTreeWidgetItem* node, const QString& name)
{
    if (!node || !node->parent() || nodePath(node).isEmpty())
        return FsResult::failure(QStringLiteral("Only folders can be renamed, not volumes."));
    static const QString forbidden = QStringLiteral("\\/:*?\"<>|");
    const bool invalid = name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
                         name.contains(QChar(0)) ||
                         std::any_of(name.begin(), name.end(), [](QChar c) { return forbidden.contains(c); });
    if (invalid)
        return FsResult::failure(kInvalidNameText);
    const QString oldPath = withoutSlash(nodePath(node));
    const QString parentPath = nodePath(node->parent());
    const QString newPath = parentPath + name;
    if (newPath == oldPath)
        return {};
    if (QFileInfo::exists(newPath) || QFileInfo(newPath).isSymLink())
        return FsResult::failure(
            QStringLiteral("A file or folder named \"%1\" already exists in %2.").arg(name, withoutSlash(parentPath)));
    errno = 0;
    if (!QDir().rename(oldPath, newPath)) {
        const int error = errno;
        const QString reason = error ? QString::fromLocal8Bit(std::strerror(error)) : QStringLiteral("unknown error");
        return FsResult::failure(
            QStringLiteral("The folder %1 could not be renamed to \"%2\": %3.").arg(oldPath, name, reason));
    }
    node->setText(0, name);
    replacePathPrefix(node, withSlash(oldPath), withSlash(newPath));
    selectionChanged();
    return {};
}
