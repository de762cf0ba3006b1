#pragma once

#include "controls/TTACutLabel.h"

#include <QObject>
#include <QPointer>

// Where a TKubDBText takes its text from: the display text of one field of the current row.
// The database layer implements it for a query's field and emits changed() whenever the row,
// the field's value or the query's state changes.
class TFieldTextSource : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual QString displayText() const = 0;

signals:
    void changed();
};

// The data-aware label: shows the display text of its source's field and shortens it like
// TTACutLabel. Without a source it shows nothing. The label does not own the source; a source
// that is destroyed leaves the label empty.
class TKubDBText : public TTACutLabel {
    Q_OBJECT
public:
    explicit TKubDBText(QWidget* parent = nullptr);

    void setSource(TFieldTextSource* source);
    TFieldTextSource* source() const { return m_source.data(); }

private:
    void takeSourceText();

    QPointer<TFieldTextSource> m_source;
};
