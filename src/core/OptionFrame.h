#pragma once

#include <QWidget>

struct TOptionData;

// A page of the settings dialog: built from the dialog's TOptionData when its tab is shown and
// stored back into it before it goes or the settings are saved. Main thread only.
class TOptionFrame : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    virtual void LoadFromOptions(const TOptionData& Data) = 0;
    virtual void StoreToOptions(TOptionData& Data) const = 0;
};
