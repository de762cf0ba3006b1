#include "controls/FsFileListBox.h"

#include "controls/BusyCursor.h"
#include "controls/ControlText.h"
#include "controls/FsDirectoryListBox.h"
#include "controls/FsDirectoryTree.h"
#include "desktop/MessageBoxes.h"
#include "desktop/ShellIcons.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QStyledItemDelegate>

#include <algorithm>
#include <optional>

namespace {

constexpr int kIsDirectoryRole = Qt::UserRole;
constexpr int kHourglassFromItem = 100;

// Every row as high as the list's item height.
class FixedHeightDelegate : public QStyledItemDelegate {
public:
    explicit FixedHeightDelegate(TFsFileListBox* list) : QStyledItemDelegate(list), m_list(list) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(m_list->itemHeight());
        return size;
    }

private:
    TFsFileListBox* m_list;
};

QString cleanAbsolute(const QString& base, const QString& path)
{
    return QDir::cleanPath(QDir(base).absoluteFilePath(path));
}

} // namespace

TFsFileListBox::TFsFileListBox(QWidget* parent, ShellIcons* icons)
    : QListWidget(parent), m_frame(new FlatFrame(this)), m_icons(icons ? icons : &ShellIcons::system()),
      m_directory(QDir::currentPath())
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSortingEnabled(false);
    setUniformItemSizes(true);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setIconSize(QSize(16, 16));
    setItemDelegate(new FixedHeightDelegate(this));
    updateItemHeight();
    // A click makes the item current before it selects it, the arrow keys select before they move
    // the current item: only the selection itself is the same for both.
    connect(this, &QListWidget::itemSelectionChanged, this, [this] { change(); });
    connect(this, &QListWidget::itemDoubleClicked, this, &TFsFileListBox::openItem);
    readFileNames();
}

TFsFileListBox::~TFsFileListBox()
{
    // Emptying the list on the way out is no change of selection to report.
    blockSignals(true);
    m_frame->detach();
}

void TFsFileListBox::setDirectory(const QString& directory)
{
    const QString folder = directory.isEmpty() ? QString() : cleanAbsolute(m_directory, directory);
    if (folder == m_directory)
        return;
    m_directory = folder;
    readFileNames();
}

void TFsFileListBox::setMask(const QString& mask)
{
    if (mask == m_mask)
        return;
    m_mask = mask;
    readFileNames();
}

void TFsFileListBox::setFileType(TFileType type)
{
    if (type == m_fileType)
        return;
    m_fileType = type;
    readFileNames();
}

void TFsFileListBox::setFileEdit(QLineEdit* edit)
{
    m_fileEdit = edit;
    change();
}

void TFsFileListBox::updateItemHeight()
{
    // Rows are at least as tall as the icons the items show.
    m_itemHeight = std::max(FontItemHeight(font()) - 3, 18);
    doItemsLayout();
}

void TFsFileListBox::changeEvent(QEvent* event)
{
    QListWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        updateItemHeight();
}

bool TFsFileListBox::event(QEvent* event)
{
    const bool handled = QListWidget::event(event);
    if (event->type() == QEvent::Paint)
        m_frame->paint();
    return handled;
}

TFsDirectoryTree* TFsFileListBox::dirTree() const
{
    return static_cast<TFsDirectoryTree*>(m_dirTree.data());
}

void TFsFileListBox::setDirTree(TFsDirectoryTree* tree)
{
    m_dirTree = tree;
}

TFsDirectoryListBox* TFsFileListBox::dirList() const
{
    return static_cast<TFsDirectoryListBox*>(m_dirList.data());
}

void TFsFileListBox::setDirList(TFsDirectoryListBox* list)
{
    m_dirList = list;
}

QString TFsFileListBox::pathOf(const QString& name) const
{
    if (m_directory.endsWith(QLatin1Char('/')))
        return m_directory + name;
    return m_directory + QLatin1Char('/') + name;
}

void TFsFileListBox::readFileNames()
{
    m_frame->setRepaintSuspended(true);
    std::optional<BusyCursor> busy;
    const QList<FolderEntry> entries = ReadFolderEntries(m_directory, m_mask, m_fileType);
    {
        const QSignalBlocker blocker(this);
        clear();
        for (const FolderEntry& entry : entries) {
            auto* item = new QListWidgetItem(entry.name, this);
            item->setData(kIsDirectoryRole, entry.isDirectory);
            item->setIcon(entry.isDirectory ? m_icons->folderIcon() : m_icons->fileIcon(entry.name));
            if (count() == kHourglassFromItem + 1)
                busy.emplace();
        }
        setCurrentRow(-1);
    }
    busy.reset();
    m_frame->setRepaintSuspended(false);
    change();
}

int TFsFileListBox::selectedRow() const
{
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : row(selected.constFirst());
}

QString TFsFileListBox::selectedName() const
{
    const int selected = selectedRow();
    return selected < 0 ? QString() : item(selected)->text();
}

QString TFsFileListBox::fileName() const
{
    const QString name = selectedName();
    return name.isEmpty() ? QString() : pathOf(name);
}

void TFsFileListBox::selectFileName(const QString& name)
{
    if (name == selectedName())
        return;
    const QList<QListWidgetItem*> found = findItems(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    {
        const QSignalBlocker blocker(this);
        if (found.isEmpty()) {
            setCurrentRow(-1);
            clearSelection();
        } else {
            setCurrentItem(found.first());
        }
    }
    change();
}

void TFsFileListBox::change()
{
    m_lastSel = selectedRow();
    if (m_fileEdit) {
        const QString name = selectedName();
        m_fileEdit->setText(name.isEmpty() ? m_mask : name);
        m_fileEdit->selectAll();
    }
    emit changed();
}

FsResult TFsFileListBox::applyFilePath(const QString& editText)
{
    if (editText.isEmpty() || editText == fileName())
        return {};
    const QString path = cleanAbsolute(m_directory, editText);
    const bool wildcard = IsWildcardPattern(QFileInfo(path).fileName());
    QString folder = path;
    QString filePart;
    if (wildcard || !QFileInfo(path).isDir()) {
        folder = QFileInfo(path).path();
        filePart = QFileInfo(path).fileName();
    }
    if (TFsDirectoryListBox* list = dirList()) {
        // The list would show the nearest existing parent instead.
        if (!QFileInfo(folder).isDir())
            return FsResult::failure(QStringLiteral("The %1 directory does not exist").arg(editText));
        // It moves this list through its change.
        list->setDirectory(folder);
    } else if (TFsDirectoryTree* tree = dirTree()) {
        const FsResult moved = tree->setDirectory(folder);
        if (!moved)
            return moved;
    } else {
        setDirectory(folder);
    }
    if (filePart.isEmpty())
        return {};
    if (wildcard) {
        setMask(filePart);
        return {};
    }
    selectFileName(filePart);
    if (!QFileInfo(pathOf(filePart)).isFile())
        return FsResult::failure(QStringLiteral("The %1 file does not exist").arg(editText));
    if (selectedName().isEmpty()) {
        setMask(filePart);
        selectFileName(filePart);
    }
    return {};
}

void TFsFileListBox::openItem(QListWidgetItem* item)
{
    if (!item || !item->isSelected())
        return;
    const QString name = item->text();
    if (item->data(kIsDirectoryRole).toBool()) {
        const FsResult entered = applyFilePath(name);
        if (!entered)
            MessageBoxes::error(entered.message(), this);
        return;
    }
    if (m_allowOpen && !m_icons->openFile(pathOf(name)))
        MessageBoxes::information(QStringLiteral("Could not open file."), this);
}
