#pragma once

#include "mailing/LogPrinting.h"

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class TFlatSB;
class TTACutLabel;

// The log viewer "Protokollansicht": one send log at a time, read-only, with "Drucken" and
// "Schließen". The main window creates it once and frees it at its end; closing only hides it.
// Main thread.
class TLogViewForm : public QWidget {
    Q_OBJECT
public:
    explicit TLogViewForm(LogPrintSeams printSeams = {}, QWidget* parent = nullptr);

    // Shows the log at fileName (Windows-1252 or UTF-8 text) under title, replacing what was
    // shown. A file that cannot be read gets an error box and leaves the viewer as it was;
    // returns false then.
    bool LoadLog(const QString& title, const QString& fileName);
    // Prints, previews or writes the shown log through the report layout.
    void PrintShownLog();

    const QString& shownLogTitle() const { return ShownLogTitle; }

    QLabel* Label1;
    TTACutLabel* Label2;
    QPlainTextEdit* RE1;
    TFlatSB* FlatSB2;
    TFlatSB* FlatSB1;

protected:
    void showEvent(QShowEvent* event) override;

private:
    LogPrintSeams m_printSeams;
    QString ShownLogTitle;
    bool m_placed = false;
};
