#pragma once

#include "controls/FlatFrame.h"
#include "controls/FolderEntries.h"
#include "controls/FsResult.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QTreeWidget>

class ShellIcons;
class TFsDirectoryListBox;
class TFsDirectoryTree;

// A list of the entries of one folder that match a file mask: folders before files, each group
// in case-insensitive name order, with the desktop's icons. Every name is built from its own
// directory(); the process's current folder is never read for it nor changed. A linked edit
// shows the selected name, or the mask when none is selected; changed() follows every change of
// the selection and every re-read. Frame settings are on frame(). Main thread only.
class TFsFileListBox : public QListWidget {
    Q_OBJECT
public:
    // icons must outlive the list; the default is the desktop's.
    explicit TFsFileListBox(QWidget* parent = nullptr, ShellIcons* icons = nullptr);
    ~TFsFileListBox() override;

    FlatFrame& frame() { return *m_frame; }

    // The folder shown: absolute, without a trailing "/" except for the root; empty for none.
    QString directory() const { return m_directory; }
    // Shows the folder (relative names resolve against directory()); a folder that cannot be
    // read shows an empty list. Also called by the linked directory tree.
    void setDirectory(const QString& directory);

    QString mask() const { return m_mask; }
    void setMask(const QString& mask);
    void setFileType(TFileType type);

    // Edit that shows the selected name or the mask; it is forgotten when it is destroyed.
    void setFileEdit(QLineEdit* edit);

    void setAllowOpen(bool allow) { m_allowOpen = allow; }
    int itemHeight() const { return m_itemHeight; }

    // The full path of the selected file; empty when none is selected.
    QString fileName() const;
    // Applies a typed path: a folder part moves the linked directory list or tree (or this list),
    // a wildcard pattern becomes the mask, a name selects that file (switching the mask to it when
    // the mask hides it). Fails with "The %s file does not exist" when the name is no file of the folder
    // reached, keeping that folder and mask; linked to a directory list, fails with "The %s directory
    // does not exist" when the folder part is no folder, changing nothing.
    FsResult applyFilePath(const QString& editText);

    QString selectedName() const;
    // The row of the selected item; -1 when none is selected.
    int selectedRow() const;
    // Selects the item of exactly this name, or nothing when there is none.
    void selectFileName(const QString& name);
    // Reads the folder again.
    void readFileNames();

    TFsDirectoryTree* dirTree() const;
    // Set by TFsDirectoryTree::setFileList, which links both ways.
    void setDirTree(TFsDirectoryTree* tree);
    TFsDirectoryListBox* dirList() const;
    // Set by TFsDirectoryListBox::setFileList, which links both ways.
    void setDirList(TFsDirectoryListBox* list);

    // The selected row last reported by changed(); -1 after a re-read.
    int lastSel() const { return m_lastSel; }

signals:
    void changed();

protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void change();
    void openItem(QListWidgetItem* item);
    void updateItemHeight();
    QString pathOf(const QString& name) const;

    FlatFrame* m_frame;
    ShellIcons* m_icons;
    QString m_directory;
    QString m_mask = QStringLiteral("*.*");
    TFileType m_fileType = TFileAttr::ftNormal;
    QPointer<QLineEdit> m_fileEdit;
    QPointer<QTreeWidget> m_dirTree; // a TFsDirectoryTree
    QPointer<QListWidget> m_dirList; // a TFsDirectoryListBox
    bool m_allowOpen = false;
    int m_itemHeight = 18;
    int m_lastSel = -1;
};
