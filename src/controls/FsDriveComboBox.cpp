#include "controls/FsDriveComboBox.h"

#include "controls/FsDirectoryListBox.h"
#include "desktop/ShellIcons.h"

#include <QEvent>
#include <QPainter>
#include <QPolygon>

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
      m_icons(icons ? icons : &ShellIcons::system()), m_frame(new FlatFrame(this))
{
    setIconSize(QSize(16, 16));
    connect(this, &QComboBox::activated, this, &TFsDriveComboBox::chosen);
    connect(m_volumes, &VolumeProvider::volumesChanged, this, &TFsDriveComboBox::buildList);
    buildList();
}

TFsDriveComboBox::~TFsDriveComboBox()
{
    m_frame->detach();
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

bool TFsDriveComboBox::event(QEvent* event)
{
    const bool handled = QComboBox::event(event);
    switch (event->type()) {
    case QEvent::Paint:
        m_frame->paint();
        paintFlatButton();
        break;
    case QEvent::FocusOut:
        // Leaving by the keyboard counts as leaving with the mouse as well.
        m_frame->updateFrame(true, false);
        update();
        break;
    case QEvent::FocusIn:
    case QEvent::Enter:
    case QEvent::Leave:
        // The frame has seen the change first; the button follows it.
        if (m_flatButtons)
            update();
        break;
    default:
        break;
    }
    return handled;
}

void TFsDriveComboBox::paintFlatButton()
{
    if (!m_frame->frameVisible() || !m_flatButtons || m_frame->focused() || m_frame->mouseOver())
        return;
    QPainter painter(this);
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const int left = width() - bar - 2;
    painter.fillRect(QRect(left, 2, bar, height() - 4), palette().color(QPalette::Base));
    const int x = left + bar / 2 - 1;
    const int y = 2 + height() / 2;
    painter.setPen(Qt::black);
    painter.setBrush(Qt::black);
    painter.drawPolygon(QPolygon({QPoint(x, y), QPoint(x - 5, y - 5), QPoint(x + 5, y - 5)}));
}
