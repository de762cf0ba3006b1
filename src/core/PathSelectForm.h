#pragma once

#include <QDialog>
#include <QString>

class CommandUpdater;
class QLabel;
class ShellIcons;
class TFlatSB;
class TFsDirectoryTree;
class VolumeProvider;

// The folder picker "Auswahl Verzeichnis...": a folder tree with OK and "Abbrechen". Callers
// create it, set StartPath (and, for the backup target, BackupMode and the prompt Label2), show
// it modally, read OKPressed() and SelectedPath(), and free it. Closing it any other way than by
// "OK" counts as cancelling. Main thread only.
class TPathSelectForm : public QDialog {
    Q_OBJECT
public:
    // volumes and icons must outlive the picker; the defaults are the system's.
    explicit TPathSelectForm(QWidget* parent = nullptr, VolumeProvider* volumes = nullptr, ShellIcons* icons = nullptr);

    // The folder the tree opens at; an empty, relative or missing one opens the file system root.
    QString StartPath;
    // In backup mode "Abbrechen" asks "Sicherung abbrechen?" before it closes.
    bool BackupMode = false;

    bool OKPressed() const { return m_okPressed; }
    // The folder chosen with "OK", without a trailing "/" (the root stays "/").
    QString SelectedPath() const { return m_selectedPath; }

    QLabel* Label2; // the prompt
    TFsDirectoryTree* FsDT1;
    QLabel* Label1;   // the tree's current folder
    TFlatSB* FlatSB2; // "OK": enabled while a folder is selected
    TFlatSB* FlatSB1; // "Abbrechen"

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FlatSB2Click();
    void FlatSB1Click();

    CommandUpdater* m_commandUpdater;
    QString m_selectedPath;
    bool m_okPressed = false;
};
