#pragma once

#include "controls/FlatFrame.h"
#include "platform/VolumeProvider.h"

#include <QComboBox>
#include <QPointer>

class ShellIcons;
class TFsDirectoryListBox;

// A choice of the mounted volumes of the chosen kinds, each shown by its mount point with its
// label (fixed, optical and RAM volumes) or its mount source (network volumes); removable
// volumes show their mount point only, so that their medium is never touched. Choosing a volume
// moves a linked directory list to its root; the box follows the list's volume in turn. Frame
// settings are on frame(). Main thread only.
class TFsDriveComboBox : public QComboBox {
    Q_OBJECT
public:
    // volumes and icons must outlive the box; the defaults are the system's.
    explicit TFsDriveComboBox(QWidget* parent = nullptr, VolumeProvider* volumes = nullptr,
                              ShellIcons* icons = nullptr);
    ~TFsDriveComboBox() override;

    static constexpr int kMountPointRole = Qt::UserRole;

    // The text of a volume's item.
    static QString itemText(const VolumeInfo& volume);

    // The mount point of the chosen volume; empty when none is listed.
    QString drive() const;
    // Chooses the volume mounted at mountPoint when it is listed.
    void setDrive(const QString& mountPoint);

    // Lists the volumes of these kinds from now on.
    void setVolumeKinds(VolumeKinds kinds);

    TFsDirectoryListBox* dirList() const;
    // The box chooses the list's volume at once and follows it from then on.
    void setDirList(TFsDirectoryListBox* list);

    FlatFrame& frame() { return *m_frame; }

    // Draws the drop-down button flat while the frame is visible and the box is neither focused
    // nor under the mouse.
    void setFlatButtons(bool flat);

signals:
    // The user chose another volume.
    void driveChanged();

protected:
    bool event(QEvent* event) override;

private:
    void buildList();
    void chosen(int index);
    void paintFlatButton();

    VolumeProvider* m_volumes;
    ShellIcons* m_icons;
    VolumeKinds m_volumeKinds = kAllVolumeKinds;
    QPointer<TFsDirectoryListBox> m_dirList;
    QMetaObject::Connection m_followList;
    FlatFrame* m_frame;
    bool m_flatButtons = true;
};
