#pragma once

#include "controls/FlatFrame.h"

#include <QPen>
#include <QTreeWidget>

// A tree widget with the flat frame, wheel scrolling by rows, and an outline around the selected
// item's text while the tree does not have the focus (when hideSelection is off). Frame settings
// and the mouse enter/leave signals are on frame(). Main thread only.
class TFlatTreeView : public QTreeWidget {
    Q_OBJECT
public:
    explicit TFlatTreeView(QWidget* parent = nullptr);
    ~TFlatTreeView() override;

    FlatFrame& frame() { return *m_frame; }
    const FlatFrame& frame() const { return *m_frame; }

    void setSelectionPen(const QPen& pen);
    void setHideSelection(bool hide);
    // Read-only trees never open an editor; otherwise F2 or a click on the current item edits
    // items that carry Qt::ItemIsEditable.
    bool isReadOnly() const { return m_readOnly; }
    void setReadOnly(bool readOnly);

    // The outline's rectangle in viewport coordinates: the selected item's text only; empty when
    // no item is selected or the outline is not drawn now.
    QRect selectionOutlineRect() const;
    // Whether the item's text does not fit beside its icon in the visible part of its row.
    bool isTextCut(const QModelIndex& index) const;

protected:
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    FlatFrame* m_frame;
    QPen m_selectionPen;
    bool m_hideSelection = true;
    bool m_readOnly = false;
};
