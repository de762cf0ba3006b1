#include "controls/FsDriveComboBox.h"

#include <QPainter>
#include <QPolygon>

#include "controls/FsDirectoryListBox.h"
#include "platform/ShellIcons.h"

namespace {

// Labels read as names: lower case with a capital first letter (a to z only).
QString labelText(const QString& label)
{
    QString text = label.toLower();
    if (!text.isEmpty() && text[0] >= u'a' && text[0] <= u'z')
        text[0] = text[0].toUpper();
    return text;
}

} // namespace

TFsDriveComboBox::TFsDriveComboBox(QWidget* parent, VolumeProvider* volumes, ShellIcons* icons)
    : QComboBox(parent), m_volumes(volumes ? volumes : &VolumeProvider::system()),
      m_icons(icons ? icons : &ShellIcons::system()), m_frameColor(palette().color(QPalette::Dark))
{
    setIconSize(QSize(16, 16));
    connect(this, &QComboBox::activated, this, &TFsDriveComboBox::chosen);
    connect(m_volumes, &VolumeProvider::volumesChanged, this, &TFsDriveComboBox::buildList);
    buildList();
}

QString TFsDriveComboBox::itemText(const VolumeInfo& volume)
{
    switch (volume.kind) {
    case VolumeKind::Removable:
        return volume.mountPoint;
    case VolumeKind::Network:
        return volume.mountPoint + u' ' + volume.source;
    case VolumeKind::Fixed:
    case VolumeKind::Optical:
    case VolumeKind::Ram:
        break;
    }
    return volume.mountPoint + u' ' + labelText(volume.label);
}

void TFsDriveComboBox::buildList()
{
    const QString before = drive();
    {
        const QSignalBlocker blocker(this);
        clear();
        for (const VolumeInfo& volume : m_volumes->volumes()) {
            if (m_volumeKinds.testFlag(volume.kind))
                addItem(m_icons->volumeIcon(volume.kind), itemText(volume), volume.mountPoint);
        }
        const int again = findData(before, kMountPointRole);
        setCurrentIndex(again >= 0 ? again : (count() > 0 ? 0 : -1));
    }
    update();
}

QString TFsDriveComboBox::drive() const
{
    return currentData(kMountPointRole).toString();
}

void TFsDriveComboBox::setDrive(const QString& mountPoint)
{
    const int index = findData(mountPoint, kMountPointRole);
    if (index >= 0)
        setCurrentIndex(index);
}

void TFsDriveComboBox::chosen(int index)
{
    const QString mountPoint = itemData(index, kMountPointRole).toString();
    if (m_dirList && m_dirList->drive() != mountPoint)
        m_dirList->setDrive(mountPoint);
    emit driveChanged();
}

void TFsDriveComboBox::setVolumeKinds(VolumeKinds kinds)
{
    if (kinds == m_volumeKinds)
        return;
    m_volumeKinds = kinds;
    buildList();
}

TFsDirectoryListBox* TFsDriveComboBox::dirList() const
{
    return m_dirList;
}

void TFsDriveComboBox::setDirList(TFsDirectoryListBox* list)
{
    disconnect(m_followList);
    m_dirList = list;
    if (!list)
        return;
    m_followList = connect(list, &TFsDirectoryListBox::changed, this, [this] {
        if (m_dirList)
            setDrive(m_dirList->drive());
    });
    setDrive(list->drive());
}

void TFsDriveComboBox::setFlatButtons(bool flat)
{
    m_flatButtons = flat;
    update();
}

void TFsDriveComboBox::setFrameColor(const QColor& color)
{
    m_frameColor = color;
    update();
}

void TFsDriveComboBox::setFrameFlat(bool flat)
{
    m_frameFlat = flat;
    if (flat) {
        setFrameVisible(true);
        m_frameSides = kAllSides;
        m_frameStyle = m_frameFlatStyle;
    }
    update();
}

void TFsDriveComboBox::setFrameFlatStyle(TFrameStyle style)
{
    m_frameFlatStyle = style;
    update();
}

void TFsDriveComboBox::setFrameFocusStyle(TFrameStyle style)
{
    m_frameFocusStyle = style;
    update();
}

void TFsDriveComboBox::setFrameSides(TSides sides)
{
    m_frameSides = sides;
    update();
}

void TFsDriveComboBox::setFrameStyle(TFrameStyle style)
{
    m_frameStyle = style;
    update();
}

void TFsDriveComboBox::setFrameVisible(bool visible)
{
    m_frameVisible = visible;
    setFrame(!visible);
    update();
}

void TFsDriveComboBox::updateFrame(bool viaMouse, bool inFocus)
{
    if (viaMouse)
        m_mouseOver = inFocus;
    else
        m_focused = inFocus;
    if (m_frameFlat)
        m_frameStyle = m_focused || m_mouseOver ? m_frameFocusStyle : m_frameFlatStyle;
    update();
}

void TFsDriveComboBox::focusInEvent(QFocusEvent* event)
{
    QComboBox::focusInEvent(event);
    updateFrame(false, true);
}

void TFsDriveComboBox::focusOutEvent(QFocusEvent* event)
{
    QComboBox::focusOutEvent(event);
    m_mouseOver = false;
    updateFrame(false, false);
}

void TFsDriveComboBox::enterEvent(QEnterEvent* event)
{
    QComboBox::enterEvent(event);
    updateFrame(true, true);
    emit mouseEntered();
}

void TFsDriveComboBox::leaveEvent(QEvent* event)
{
    QComboBox::leaveEvent(event);
    updateFrame(true, false);
    emit mouseLeft();
}

void TFsDriveComboBox::paintEvent(QPaintEvent* event)
{
    QComboBox::paintEvent(event);
    if (!m_frameVisible)
        return;
    QPainter painter(this);
    const QColor color = palette().color(QPalette::Base);
    DrawControlFrame(painter, width(), height(), m_frameStyle, color, m_frameColor, m_frameSides,
                     FrameColors::fromPalette(palette()));
    if (!m_flatButtons || m_focused || m_mouseOver)
        return;
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const int left = width() - bar - 2;
    painter.fillRect(QRect(left, 2, bar, height() - 4), color);
    const int x = left + bar / 2 - 1;
    const int y = 2 + height() / 2;
    painter.setPen(Qt::black);
    painter.setBrush(Qt::black);
    painter.drawPolygon(QPolygon({QPoint(x, y), QPoint(x - 5, y - 5), QPoint(x + 5, y - 5)}));
}
