#include "controls/FlatTreeView.h"

#include <QEvent>
#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QToolTip>

TFlatTreeView::TFlatTreeView(QWidget* parent)
    : QTreeWidget(parent), m_frame(new FlatFrame(this)), m_selectionPen(palette().color(QPalette::Dark))
{
    setFocusPolicy(Qt::StrongFocus);
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // The wheel moves by rows, so the vertical scroll bar counts rows.
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setReadOnly(false);
}

TFlatTreeView::~TFlatTreeView()
{
    m_frame->detach();
}

void TFlatTreeView::setSelectionPen(const QPen& pen)
{
    m_selectionPen = pen;
    viewport()->update();
}

void TFlatTreeView::setHideSelection(bool hide)
{
    if (hide == m_hideSelection)
        return;
    m_hideSelection = hide;
    viewport()->update();
}

void TFlatTreeView::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    setEditTriggers(readOnly ? QAbstractItemView::NoEditTriggers
                             : QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
}

QRect TFlatTreeView::selectionOutlineRect() const
{
    const QTreeWidgetItem* item = currentItem();
    if (m_hideSelection || hasFocus() || !item || !item->isSelected())
        return {};
    const QModelIndex index = indexFromItem(item);
    QStyleOptionViewItem option;
    option.initFrom(this);
    option.rect = visualRect(index);
    option.text = item->text(0);
    option.features |= QStyleOptionViewItem::HasDisplay;
    const QIcon icon = item->icon(0);
    if (!icon.isNull()) {
        option.icon = icon;
        option.decorationSize = iconSize().isValid() ? iconSize() : QSize(16, 16);
        option.features |= QStyleOptionViewItem::HasDecoration;
    }
    const QRect textArea = style()->subElementRect(QStyle::SE_ItemViewItemText, &option, this);
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    QRect text = textArea;
    text.setWidth(fontMetrics().horizontalAdvance(option.text) + 2 * margin);
    return text.intersected(textArea);
}

bool TFlatTreeView::isTextCut(const QModelIndex& index) const
{
    const QRect shown = visualRect(index);
    if (shown.isEmpty())
        return false;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = shown;
    const int needed = itemDelegateForIndex(index)->sizeHint(option, index).width();
    return shown.left() + needed > qMin(shown.right(), viewport()->rect().right()) + 1;
}

bool TFlatTreeView::viewportEvent(QEvent* event)
{
    // A name cut short with "..." shows in full as the tool tip.
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = indexAt(help->pos());
        if (index.isValid() && !index.data(Qt::ToolTipRole).isValid() && isTextCut(index)) {
            QToolTip::showText(help->globalPos(), index.data(Qt::DisplayRole).toString(), viewport(),
                               visualRect(index));
            return true;
        }
    }
    return QTreeWidget::viewportEvent(event);
}

bool TFlatTreeView::event(QEvent* event)
{
    const bool handled = QTreeWidget::event(event);
    if (event->type() == QEvent::Paint)
        m_frame->paint();
    return handled;
}

void TFlatTreeView::paintEvent(QPaintEvent* event)
{
    QTreeWidget::paintEvent(event);
    const QRect outline = selectionOutlineRect();
    if (outline.isEmpty())
        return;
    QPainter painter(viewport());
    QPen pen = m_selectionPen;
    pen.setCosmetic(true);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    // An outlined QRect covers one pixel more to the right and below than its width and height.
    painter.drawRect(outline.adjusted(0, 0, -1, -1));
}
