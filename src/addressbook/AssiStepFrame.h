#pragma once

#include "core/Records.h"

#include <QFrame>
#include <QList>

class QLineEdit;
class QVBoxLayout;

// One step of the sender wizard: its heading, its hint text and, on the steps that collect
// values, captions above flat edits bound to fields of the sender record. The wizard creates
// the frame of a step when the step is entered and deletes it when the step is left. Main
// thread only.
class TAssiStepFrame : public QFrame {
    Q_OBJECT
public:
    // The record's values into the edits (a longer value stays whole), then the focus to FE1.
    void LoadRecord(const TAbsenderDataRecord& record);
    // The edits' texts into the record, untrimmed.
    void StoreRecord(TAbsenderDataRecord& record) const;

protected:
    // An empty heading leaves the heading out.
    TAssiStepFrame(const QString& objectName, const QString& heading, QWidget* parent);

    // Hint lines, one label line each.
    void addText(const QStringList& lines);
    // A caption above a flat edit bound to field; limit 0 puts no limit on typing.
    QLineEdit* addEdit(const QString& caption, const QString& editName, QString TAbsenderDataRecord::*field, int limit,
                       bool required = false);
    void addSpacing(int pixels);

private:
    struct Binding {
        QLineEdit* edit;
        QString TAbsenderDataRecord::*field;
    };

    QVBoxLayout* m_column;
    QList<Binding> m_bindings;
};
