#pragma once

#include <QDialog>
#include <QString>

class CommandUpdater;
class QLabel;
class QLineEdit;
class ShellIcons;
class TFlatSB;
class TFsDirectoryTree;
class TFsFileListBox;
class VolumeProvider;

// The archive picker of the restore "Auswahl Sicherungsdatei...": a folder tree, the backup
// archives ("BackupNews_*.zip") of the folder chosen there, OK and "Abbrechen". It opens at the
// home folder. Callers show it modally and read OKPressed and SelectedFile. Main thread only.
class TDirDialogForm : public QDialog {
    Q_OBJECT
public:
    // volumes and icons must outlive the picker; the defaults are the system's.
    explicit TDirDialogForm(QWidget* parent = nullptr, VolumeProvider* volumes = nullptr, ShellIcons* icons = nullptr);

    // The full path of the chosen archive; empty until "OK".
    QString SelectedFile;
    bool OKPressed = false;

    TFsDirectoryTree* FsDT1;
    TFsFileListBox* FsFileListBox1;
    QLabel* Label2;   // the tree's current folder
    QLineEdit* Edit1; // the selected name, or the mask
    TFlatSB* FlatSB2; // "OK": enabled while an archive is selected
    TFlatSB* FlatSB1; // "Abbrechen"

protected:
    void showEvent(QShowEvent* event) override;

private:
    void SelectSichOKUpdate();
    void SelectSichOKExecute();
    void FlatSB1Click();

    CommandUpdater* m_commandUpdater;
};
