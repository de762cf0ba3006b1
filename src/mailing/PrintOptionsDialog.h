#pragma once

#include "mailing/LogPrinting.h"

#include <QDialog>

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QRadioButton;
class TFlatSB;

// The print-options dialog "Drucker von Protokoll": the destination (a printer of the system,
// the preview or a PDF file) and the printer or file. OK is enabled only while the destination
// is complete. Shown modally by PrintLog; main thread.
class TPrintOptionsDialog : public QDialog {
    Q_OBJECT
public:
    // title names the log; the PDF file is offered under it in the documents folder, or in the
    // home folder while there is no documents folder. A relative name is taken in that folder.
    explicit TPrintOptionsDialog(const QString& title, QWidget* parent = nullptr);

    // The choice as the dialog shows it; accepted is true after OK.
    LogPrintChoice choice() const;

    QRadioButton* PrinterChoice;
    QRadioButton* PreviewChoice;
    QRadioButton* PdfChoice;
    QComboBox* Printers;
    QLineEdit* PdfFile;
    TFlatSB* OkButton;
    TFlatSB* CancelButton;

    // Takes the choice; a PDF file that exists already is replaced only after the user agrees.
    void accept() override;

private:
    QString pdfFilePath() const;
    void updateState();
    void browsePdfFile();

    QString m_pdfFolder;
};
