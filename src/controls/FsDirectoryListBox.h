#pragma once

#include "controls/DirectoryLabel.h"
#include "controls/FlatFrame.h"

#include <QLabel>
#include <QListWidget>
#include <QPointer>

class TFsFileListBox;
class VolumeProvider;

// One list of a folder's path and its subfolders: the levels from the root of the folder's
// volume down to the folder, then the folder's subfolders, each indented by its level with a
// folder glyph. A double click or Enter on a line enters that folder. A linked file list and
// label follow the folder. The process's current folder is never read nor changed. Frame
// settings are on frame(). Starts at "/". Main thread only.
class TFsDirectoryListBox : public QListWidget {
    Q_OBJECT
public:
    // volumes must outlive the list; the default is the system's.
    explicit TFsDirectoryListBox(QWidget* parent = nullptr, VolumeProvider* volumes = nullptr);
    ~TFsDirectoryListBox() override;

    static constexpr int kPathRole = Qt::UserRole;      // the line's folder
    static constexpr int kLevelRole = Qt::UserRole + 1; // 0 for the volume's root
    static constexpr int kGlyphRole = Qt::UserRole + 2; // a FolderGlyph

    FlatFrame& frame() { return *m_frame; }

    // The folder shown: absolute, without a trailing "/" except for the root.
    QString directory() const { return m_directory; }
    // Shows the folder (relative names resolve against directory()), or the nearest existing
    // folder above it on its volume; "/" when its volume is gone.
    void setDirectory(const QString& folder);
    // Reads the lines again: a folder removed meanwhile gives way to its nearest existing parent.
    void buildList();

    // The mount point of the directory's volume, the first line.
    QString drive() const { return m_drive; }
    // Shows the root of the volume mounted at mountPoint.
    void setDrive(const QString& mountPoint) { setDirectory(mountPoint); }

    // The folder of a line; empty for none.
    QString itemPath(int row) const;
    // The number of path lines, from the volume's root to the directory.

    TFsFileListBox* fileList() const;
    // Links the list both ways; it shows the directory at once.
    void setFileList(TFsFileListBox* list);
    // The label shows the directory shortened to its own width, or to the list's when autoSize.
    void setDirLabel(QLabel* label, bool autoSize = false);

signals:
    // The directory changed; the linked list and label have followed.
    void changed();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void openRow(int row);
    void change();
    void updateDirLabel();
    // The longest listed mount point holding path; "/" when none does.
    QString volumeOf(const QString& path) const;
    bool listed(const QString& mountPoint) const;
    QString existingFolder() const;
    void fillLines();

    FlatFrame* m_frame;
    VolumeProvider* m_volumes;
    QString m_directory;
    QString m_drive;
    QString m_shownDirectory; // as last passed on to the linked controls
    int m_levelCount = 0;
    QPointer<QListWidget> m_fileList; // a TFsFileListBox
    DirectoryLabel m_dirLabel;
};
