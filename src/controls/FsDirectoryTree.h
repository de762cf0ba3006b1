#pragma once

#include "controls/DirectoryLabel.h"
#include "controls/FlatTreeView.h"
#include "controls/FsResult.h"
#include "platform/VolumeProvider.h"

#include <QHash>
#include <QLabel>
#include <QListWidget>
#include <QPointer>

class ShellIcons;
class TFsFileListBox;

// A tree of the mounted volumes and their folders. Folders are read when a node is first expanded
// or a path passes through it; the selected node's folder is the tree's directory, which a linked
// file list and label follow. Volumes that come and go are followed through the provider; a
// volume mounted anew (another medium) is read again when its folders are selected. Folders can be
// renamed in place (F2) while the tree is not read-only. Main thread only.
class TFsDirectoryTree : public TFlatTreeView {
    Q_OBJECT
public:
    // volumes and icons must outlive the tree; the defaults are the system's.
    explicit TFsDirectoryTree(QWidget* parent = nullptr, VolumeProvider* volumes = nullptr,
                              ShellIcons* icons = nullptr);

    static constexpr int kPathRole = Qt::UserRole;        // the node's folder, ending in "/"
    static constexpr int kScannedRole = Qt::UserRole + 1; // its subfolders have been read

    // The selected folder without a trailing "/" (the root stays "/"); empty when none.
    QString directory() const;
    // Selects the folder, reading and expanding the nodes on the way; a missing tail selects its
    // nearest existing ancestor. A path on no listed volume changes nothing. Fails with "The %s
    // directory does not exist" only when no ancestor exists either.
    FsResult setDirectory(const QString& path);
    // The mount point of the selected folder's volume; empty when none is selected.
    QString volume() const;

    // Reloads every volume and selects the directory again.
    void rescan();

    TFsFileListBox* fileList() const;
    // Links the list both ways; it follows the tree from the next selection change.
    void setFileList(TFsFileListBox* list);
    // The label shows the directory shortened to its own width, or to the tree's when autoSize.
    void setDirLabel(QLabel* label, bool autoSize = false);

    void setVolumeKinds(VolumeKinds kinds);
    void setShowHiddenDirs(bool show);

    // Renames the node's folder within its parent to name, never replacing anything. Fails
    // without touching the disk for a volume root and for names that are empty, "." or "..", or
    // that hold NUL or one of \ / : * ? " < > |, and with a text of what happened when the
    // rename itself fails (a name that exists, no permission).
    FsResult renameFolder(QTreeWidgetItem* node, const QString& name);

    static QString nodePath(const QTreeWidgetItem* node);

signals:
    // The selection moved to another volume.
    void driveChanged();
    // The directory changed; the linked list and label have followed.
    void directoryChanged();

private:
    void loadDrives();
    void refreshDrives();
    QTreeWidgetItem* newVolumeNode(const VolumeInfo& volume);
    // The volume node holding path: the one of the longest mount point.
    QTreeWidgetItem* volumeNodeFor(const QString& path) const;
    void initNode(QTreeWidgetItem* node, const QString& path);
    void checkSubfolders(QTreeWidgetItem* node);
    void readSubfolders(QTreeWidgetItem* node);
    void refreshNode(QTreeWidgetItem* node, VolumeKind kind);
    void nodeExpanded(QTreeWidgetItem* node);
    // Walks from root (or the volume node holding folder) to folder's node, reading the nodes on
    // the way; none when a level has no node.
    QTreeWidgetItem* findFolderNode(const QString& folder, QTreeWidgetItem* root = nullptr);
    void selectNode(QTreeWidgetItem* node);
    // Whether the node's volume was mounted anew since it was read; fills volume when listed.
    bool remounted(const QTreeWidgetItem* node, VolumeInfo* volume) const;
    void selectionChanged();
    void reloadIfRemounted();
    void nodeClicked();
    void updateDirLabel();
    QList<VolumeInfo> listedVolumes() const;

    VolumeProvider* m_volumes;
    ShellIcons* m_icons;
    QPointer<QListWidget> m_fileList; // a TFsFileListBox
    DirectoryLabel m_dirLabel;
    VolumeKinds m_volumeKinds = kAllVolumeKinds;
    bool m_showHiddenDirs = false;
    bool m_fillingDrives = false;
    QHash<QString, QString> m_identityByMountPoint;
    QString m_volumeBefore;
};
