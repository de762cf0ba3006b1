#include "mailing/PrintOptionsDialog.h"

#include "controls/DialogButtons.h"
#include "controls/DialogKeys.h"
#include "controls/TFlatSB.h"
#include "desktop/MessageBoxes.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace {

// The log's title as a file name: characters that file systems refuse become "_".
QString pdfNameFor(const QString& title)
{
    QString name = title.trimmed();
    for (QChar& c : name) {
        if (c == u'/' || c == u'\\' || c == u':' || c == u'*' || c == u'?' || c == u'"' || c == u'<' || c == u'>' ||
            c == u'|' || c.category() == QChar::Other_Control)
            c = u'_';
    }
    return (name.isEmpty() ? QStringLiteral("Protokoll") : name) + QStringLiteral(".pdf");
}

// The folder a PDF file is offered in: the documents folder where it exists, else the home folder
// (a fresh home folder often has no documents folder yet).
QString offeredPdfFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

} // namespace

TPrintOptionsDialog::TPrintOptionsDialog(const QString& title, QWidget* parent)
    : QDialog(parent), m_pdfFolder(offeredPdfFolder())
{
    setObjectName(QStringLiteral("PrintOptionsDialog"));
    setWindowTitle(QStringLiteral("Drucker von Protokoll"));

    auto* destination = new QGroupBox(QStringLiteral("Ausgabe"), this);
    PrinterChoice = new QRadioButton(QStringLiteral("Drucker"), destination);
    PreviewChoice = new QRadioButton(QStringLiteral("Vorschau"), destination);
    PdfChoice = new QRadioButton(QStringLiteral("PDF-Datei"), destination);
    auto* group = new QButtonGroup(this);
    for (QRadioButton* button : {PrinterChoice, PreviewChoice, PdfChoice})
        group->addButton(button);

    Printers = new QComboBox(destination);
    Printers->addItems(QPrinterInfo::availablePrinterNames());
    const QString standard = QPrinterInfo::defaultPrinterName();
    if (!standard.isEmpty())
        Printers->setCurrentText(standard);

    PdfFile = new QLineEdit(destination);
    PdfFile->setText(QDir(m_pdfFolder).filePath(pdfNameFor(title)));
    auto* browse = new QPushButton(QStringLiteral("..."), destination);
    browse->setFixedWidth(28);
    connect(browse, &QPushButton::clicked, this, &TPrintOptionsDialog::browsePdfFile);

    auto* grid = new QGridLayout(destination);
    grid->addWidget(PrinterChoice, 0, 0);
    grid->addWidget(Printers, 0, 1, 1, 2);
    grid->addWidget(PreviewChoice, 1, 0);
    grid->addWidget(PdfChoice, 2, 0);
    grid->addWidget(PdfFile, 2, 1);
    grid->addWidget(browse, 2, 2);
    grid->setColumnStretch(1, 1);

    const DialogButtonRow buttons = dialogButtonRow(this, ConfirmWeight::Bold);
    OkButton = buttons.confirm;
    CancelButton = buttons.cancel;
    connect(OkButton, &TFlatSB::clicked, this, &QDialog::accept);
    connect(CancelButton, &TFlatSB::clicked, this, &QDialog::reject);
    linkDialogKeys(this, OkButton, CancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(destination);
    layout->addLayout(buttons.layout);

    (Printers->count() > 0 ? PrinterChoice : PreviewChoice)->setChecked(true);
    PrinterChoice->setEnabled(Printers->count() > 0);
    connect(group, &QButtonGroup::buttonToggled, this, &TPrintOptionsDialog::updateState);
    connect(PdfFile, &QLineEdit::textChanged, this, &TPrintOptionsDialog::updateState);
    updateState();
    setFixedSize(sizeHint().expandedTo(QSize(420, 0)));
}

LogPrintChoice TPrintOptionsDialog::choice() const
{
    LogPrintChoice result;
    result.accepted = this->result() == QDialog::Accepted;
    result.destination = PrinterChoice->isChecked() ? LogPrintDestination::Printer
                         : PdfChoice->isChecked()   ? LogPrintDestination::PdfFile
                                                    : LogPrintDestination::Preview;
    result.printerName = Printers->currentText();
    result.pdfFile = pdfFilePath();
    return result;
}

QString TPrintOptionsDialog::pdfFilePath() const
{
    const QString typed = PdfFile->text().trimmed();
    return typed.isEmpty() ? QString() : QDir(m_pdfFolder).absoluteFilePath(typed);
}

void TPrintOptionsDialog::accept()
{
    const QString pdfFile = pdfFilePath();
    if (PdfChoice->isChecked() && QFileInfo::exists(pdfFile) &&
        !MessageBoxes::askYesNo(QStringLiteral("Die Datei ") + pdfFile +
                                    QStringLiteral(" ist bereits vorhanden. Soll sie ersetzt werden?"),
                                MsgIcon::Warning, this))
        return;
    QDialog::accept();
}

void TPrintOptionsDialog::updateState()
{
    Printers->setEnabled(PrinterChoice->isChecked());
    PdfFile->setEnabled(PdfChoice->isChecked());
    const bool complete = (PrinterChoice->isChecked() && !Printers->currentText().isEmpty()) ||
                          PreviewChoice->isChecked() ||
                          (PdfChoice->isChecked() && !PdfFile->text().trimmed().isEmpty());
    OkButton->setEnabled(complete);
}

void TPrintOptionsDialog::browsePdfFile()
{
    const QString chosen =
        QFileDialog::getSaveFileName(this, QStringLiteral("PDF-Datei"), PdfFile->text(),
                                     QStringLiteral("PDF-Dateien (*.pdf)"), nullptr, QFileDialog::DontConfirmOverwrite);
    if (chosen.isEmpty())
        return;
    PdfFile->setText(chosen);
    PdfChoice->setChecked(true);
}
