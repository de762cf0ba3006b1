#include "controls/FsDirectoryListBox.h"

#include "controls/BusyCursor.h"
#include "controls/ControlText.h"
#include "controls/FolderEntries.h"
#include "controls/FolderGlyphs.h"
#include "controls/FsFileListBox.h"
#include "platform/VolumeProvider.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>

#include <algorithm>

namespace {

const QString kRoot = QStringLiteral("/");
constexpr int kGlyphSize = 16;

bool isBelowOrAt(const QString& path, const QString& folder)
{
    return folder == kRoot || path == folder || path.startsWith(folder + QLatin1Char('/'));
}

QString childPath(const QString& folder, const QString& name)
{
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

// Each line indented by its level, its glyph, then its name.
class DirectoryLineDelegate : public QStyledItemDelegate {
public:
    explicit DirectoryLineDelegate(QObject* parent)
        : QStyledItemDelegate(parent), m_glyphs{QPixmap::fromImage(folderGlyph(FolderGlyph::Open)),
                                                QPixmap::fromImage(folderGlyph(FolderGlyph::Closed)),
                                                QPixmap::fromImage(folderGlyph(FolderGlyph::Current))}
    {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(qMax(FontItemHeight(option.font), kGlyphSize + 2));
        return size;
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QRect& rect = option.rect;
        const bool selected = option.state.testFlag(QStyle::State_Selected);
        const QPalette::ColorGroup group =
            option.state.testFlag(QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
        painter->save();
        painter->fillRect(rect, option.palette.color(group, selected ? QPalette::Highlight : QPalette::Base));
        const int indent = index.data(TFsDirectoryListBox::kLevelRole).toInt() * 4 + 2;
        const QFontMetrics metrics(option.font);
        const int offset = (rect.height() - metrics.height()) / 2;
        const int textLeft = rect.left() + kGlyphSize + indent + 4;
        painter->setClipRect(rect);
        painter->setFont(option.font);
        painter->setPen(option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(QRect(textLeft, rect.top() + offset, rect.right() - textLeft + 1, metrics.height()),
                          Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, index.data().toString());
        const QPixmap& glyph = m_glyphs[index.data(TFsDirectoryListBox::kGlyphRole).toInt()];
        painter->drawPixmap(rect.left() + indent, rect.top() + (rect.height() - kGlyphSize) / 2, glyph);
        painter->restore();
    }

private:
    QPixmap m_glyphs[3];
};

} // namespace

TFsDirectoryListBox::TFsDirectoryListBox(QWidget* parent, VolumeProvider* volumes)
    : QListWidget(parent), m_frame(new FlatFrame(this)), m_volumes(volumes ? volumes : &VolumeProvider::system())
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setItemDelegate(new DirectoryLineDelegate(this));
    connect(this, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) { openRow(row(item)); });
    // A volume that goes away takes the folders on it along.
    connect(m_volumes, &VolumeProvider::volumesChanged, this, &TFsDirectoryListBox::buildList);
    setDirectory(kRoot);
}

TFsDirectoryListBox::~TFsDirectoryListBox()
{
    m_frame->detach();
}

void TFsDirectoryListBox::setDirectory(const QString& folder)
{
    if (folder.isEmpty())
        return;
    const QString base = m_directory.isEmpty() ? kRoot : m_directory;
    m_directory = QDir::cleanPath(QDir(base).absoluteFilePath(folder));
    m_drive = volumeOf(m_directory);
    buildList();
}

QString TFsDirectoryListBox::volumeOf(const QString& path) const
{
    QString best = kRoot;
    for (const VolumeInfo& volume : m_volumes->volumes()) {
        if (isBelowOrAt(path, volume.mountPoint) && volume.mountPoint.size() > best.size())
            best = volume.mountPoint;
    }
    return best;
}

bool TFsDirectoryListBox::listed(const QString& mountPoint) const
{
    const QList<VolumeInfo> volumes = m_volumes->volumes();
    return std::any_of(volumes.begin(), volumes.end(),
                       [&](const VolumeInfo& volume) { return volume.mountPoint == mountPoint; });
}

QString TFsDirectoryListBox::existingFolder() const
{
    // A volume that is no longer mounted leaves nothing of its folders to walk up to.
    if (m_drive != kRoot && !listed(m_drive))
        return kRoot;
    QString folder = m_directory;
    while (!QFileInfo(folder).isDir()) {
        if (folder == m_drive || folder == kRoot)
            return kRoot;
        folder = QFileInfo(folder).path();
    }
    return folder;
}

void TFsDirectoryListBox::buildList()
{
    m_directory = existingFolder();
    m_drive = volumeOf(m_directory);
    fillLines();
    if (m_directory != m_shownDirectory) {
        m_shownDirectory = m_directory;
        change();
    }
}

void TFsDirectoryListBox::fillLines()
{
    const BusyCursor busy;
    const QSignalBlocker blocker(this);
    clear();
    const auto addLine = [this](const QString& text, const QString& path, int level, FolderGlyph glyph) {
        auto* line = new QListWidgetItem(text, this);
        line->setData(kPathRole, path);
        line->setData(kLevelRole, level);
        line->setData(kGlyphRole, int(glyph));
    };
    const QStringList names =
        m_directory.mid(m_drive == kRoot ? 0 : m_drive.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    m_levelCount = int(names.size()) + 1;
    QString path = m_drive;
    addLine(m_drive, m_drive, 0, names.isEmpty() ? FolderGlyph::Current : FolderGlyph::Open);
    for (int level = 1; level < m_levelCount; ++level) {
        path = childPath(path, names[level - 1]);
        addLine(names[level - 1], path, level, level == m_levelCount - 1 ? FolderGlyph::Current : FolderGlyph::Open);
    }
    setCurrentRow(m_levelCount - 1);
    for (const FolderEntry& entry : ReadFolderEntries(m_directory, QStringLiteral("*"), TFileAttr::ftDirectory))
        addLine(entry.name, childPath(m_directory, entry.name), m_levelCount, FolderGlyph::Closed);
}

QString TFsDirectoryListBox::itemPath(int row) const
{
    const QListWidgetItem* line = item(row);
    return line ? line->data(kPathRole).toString() : QString();
}

void TFsDirectoryListBox::openRow(int row)
{
    const QString path = itemPath(row);
    if (path.isEmpty())
        return;
    if (path == m_directory) {
        // The folder may have gone meanwhile.
        buildList();
        return;
    }
    setDirectory(path);
}

void TFsDirectoryListBox::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        openRow(currentRow());
        return;
    }
    QListWidget::keyPressEvent(event);
}

void TFsDirectoryListBox::change()
{
    if (TFsFileListBox* list = fileList())
        list->setDirectory(m_directory);
    updateDirLabel();
    emit changed();
}

bool TFsDirectoryListBox::event(QEvent* event)
{
    const bool handled = QListWidget::event(event);
    if (event->type() == QEvent::Paint)
        m_frame->paint();
    return handled;
}

TFsFileListBox* TFsDirectoryListBox::fileList() const
{
    return static_cast<TFsFileListBox*>(m_fileList.data());
}

void TFsDirectoryListBox::setFileList(TFsFileListBox* list)
{
    if (fileList() && fileList()->dirList() == this)
        fileList()->setDirList(nullptr);
    m_fileList = list;
    if (list) {
        list->setDirList(this);
        list->setDirectory(m_directory);
    }
}

void TFsDirectoryListBox::setDirLabel(QLabel* label, bool autoSize)
{
    m_dirLabel.link(label, autoSize);
    updateDirLabel();
}

void TFsDirectoryListBox::updateDirLabel()
{
    m_dirLabel.show(m_directory, *this);
}
