#pragma once

#include "core/Records.h"

#include <QDialog>
#include <QPointer>

class QFrame;
class QTabBar;
class ShellIcons;
class TDFUEFrame;
class TFlatSB;
class TOptionFrame;
class TPathFrame;
class VolumeProvider;

// The settings dialog "Einstellungen" with the pages "Verzeichnise" and "Verbindung". On show it
// reads the stored settings (the settings routines report their own failures; the dialog then
// shows their defaults); only the page of the current tab exists, and edits survive switching
// tabs. "OK" writes all four settings in one SaveOptions; "Abbrechen" and the close box write
// nothing. Created, shown modally and freed by its caller; main thread only.
class TOptionForm : public QDialog {
    Q_OBJECT
public:
    // volumes and icons go to the folder picker and must outlive the dialog; none: the system's.
    explicit TOptionForm(QWidget* parent = nullptr, VolumeProvider* volumes = nullptr, ShellIcons* icons = nullptr);

    // The page frames; none while their tab is not shown.
    TPathFrame* pathFrame() const;
    TDFUEFrame* dfueFrame() const;

    // Builds the page of tab Index (0 folders, 1 connection) unless it is shown already.
    void ShowPage(int Index);

    QTabBar* FTC1;
    QFrame* P1;       // hosts the current page
    TFlatSB* FlatSB3; // "OK"
    TFlatSB* FlatSB1; // "Abbrechen"

protected:
    void showEvent(QShowEvent* event) override;

private:
    void LoadData();
    void SaveData();
    void ClearFrames();
    void ReleaseFrames();
    void StoreFrames();
    void FTC1TabChanged(int index);
    void FlatSB3Click();
    void FlatSB1Click();
    void hostFrame(TOptionFrame* frame);

    VolumeProvider* m_volumes;
    ShellIcons* m_icons;
    QPointer<TPathFrame> PathFrame;
    QPointer<TDFUEFrame> DFUEFrame;
    TOptionData OptionData;
};
