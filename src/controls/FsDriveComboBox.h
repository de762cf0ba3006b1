#pragma once

#include <QComboBox>
#include <QPointer>

#include "controls/FramePainter.h"
#include "platform/VolumeProvider.h"

class ShellIcons;
class TFsDirectoryListBox;

// A choice of the mounted volumes of the chosen kinds, each shown by its mount point with its
// label (fixed, optical and RAM volumes) or its mount source (network volumes); removable
// volumes show their mount point only, so that their medium is never touched. Choosing a volume
// moves a linked directory list to its root; the box follows the list's volume in turn. With the
// frame visible, it is painted inside the control, and the drop-down button is drawn flat while
// the box is neither focused nor under the mouse. Main thread only.
class TFsDriveComboBox : public QComboBox {
    Q_OBJECT
public:
    // volumes and icons must outlive the box; the defaults are the system's.
    explicit TFsDriveComboBox(QWidget* parent = nullptr, VolumeProvider* volumes = nullptr,
                              ShellIcons* icons = nullptr);

    static constexpr int kMountPointRole = Qt::UserRole;

    // The text of a volume's item.
    static QString itemText(const VolumeInfo& volume);

    // The mount point of the chosen volume; empty when none is listed.
    QString drive() const;
    // Chooses the volume mounted at mountPoint when it is listed.
    void setDrive(const QString& mountPoint);

    VolumeKinds volumeKinds() const { return m_volumeKinds; }
    // Lists the volumes of these kinds from now on.
    void setVolumeKinds(VolumeKinds kinds);

    TFsDirectoryListBox* dirList() const;
    // The box chooses the list's volume at once and follows it from then on.
    void setDirList(TFsDirectoryListBox* list);

    bool flatButtons() const { return m_flatButtons; }
    bool focused() const { return m_focused; }
    bool mouseOver() const { return m_mouseOver; }
    QColor frameColor() const { return m_frameColor; }
    bool frameFlat() const { return m_frameFlat; }
    TFrameStyle frameFlatStyle() const { return m_frameFlatStyle; }
    TFrameStyle frameFocusStyle() const { return m_frameFocusStyle; }
    TSides frameSides() const { return m_frameSides; }
    TFrameStyle frameStyle() const { return m_frameStyle; }
    bool frameVisible() const { return m_frameVisible; }

    // Each setter stores the value and repaints.
    void setFlatButtons(bool flat);
    void setFrameColor(const QColor& color);
    // Flat mode makes the frame visible on all sides in the quiet style.
    void setFrameFlat(bool flat);
    void setFrameFlatStyle(TFrameStyle style);
    void setFrameFocusStyle(TFrameStyle style);
    void setFrameSides(TSides sides);
    void setFrameStyle(TFrameStyle style);
    // Visible: the frame takes the place of the style's own.
    void setFrameVisible(bool visible);

signals:
    // The user chose another volume.
    void driveChanged();
    void mouseEntered();
    void mouseLeft();

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void buildList();
    void chosen(int index);
    void updateFrame(bool viaMouse, bool inFocus);

    VolumeProvider* m_volumes;
    ShellIcons* m_icons;
    VolumeKinds m_volumeKinds = kAllVolumeKinds;
    QPointer<TFsDirectoryListBox> m_dirList;
    QMetaObject::Connection m_followList;
    bool m_flatButtons = true;
    bool m_focused = false;
    bool m_mouseOver = false;
    QColor m_frameColor;
    bool m_frameFlat = false;
    TFrameStyle m_frameFlatStyle = TFrameStyle::fsStatus;
    TFrameStyle m_frameFocusStyle = TFrameStyle::fsLowered;
    TSides m_frameSides = kAllSides;
    TFrameStyle m_frameStyle = TFrameStyle::fsFlat;
    bool m_frameVisible = false;
};
