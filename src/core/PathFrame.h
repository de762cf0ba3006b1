#pragma once

#include "core/OptionFrame.h"

class QLineEdit;
class ShellIcons;
class TFlatSB;
class VolumeProvider;

// The page "Verzeichnise": the default folders for the CSV import and for templates, each with a
// button that opens the folder picker. Typed folders are kept as typed.
class TPathFrame : public TOptionFrame {
    Q_OBJECT
public:
    // volumes and icons go to the folder picker and must outlive the page; none: the system's.
    explicit TPathFrame(QWidget* parent = nullptr, VolumeProvider* volumes = nullptr, ShellIcons* icons = nullptr);

    void LoadFromOptions(const TOptionData& Data) override;
    void StoreToOptions(TOptionData& Data) const override;

    QLineEdit* FE1; // import folder
    TFlatSB* FlatSpeedButton1;
    QLineEdit* FE2; // template folder
    TFlatSB* FlatSpeedButton2;

private:
    // Opens the picker at the edit's folder; "OK" puts the chosen folder into the edit.
    void chooseFolder(QLineEdit* edit);

    VolumeProvider* m_volumes;
    ShellIcons* m_icons;
};
