#pragma once

#include "controls/ControlText.h"

#include <QLabel>
#include <QPointer>

// The label a folder control shows its folder in: shortened to the label's own width, or to the
// control's when autoSize. A label that is destroyed is forgotten.
class DirectoryLabel {
public:
    QLabel* label() const { return m_label; }
    void link(QLabel* label, bool autoSize)
    {
        m_label = label;
        m_autoSize = autoSize;
    }
    void show(const QString& directory, const QWidget& control) const
    {
        if (!m_label)
            return;
        const int width = m_autoSize ? control.width() : m_label->width();
        m_label->setText(ShortenPath(directory, m_label->fontMetrics(), width));
    }

private:
    QPointer<QLabel> m_label;
    bool m_autoSize = false;
};
