#pragma once

#include "mailing/LogPrinting.h"

#include <QByteArray>
#include <QString>

// The text of a PDF as Debian's pdftotext reads it, pages separated by form feeds; empty when
// the file cannot be read.
QString PdfText(const QString& pdfFile);

// The number of pages pdftotext finds in the PDF.
int PdfPageCount(const QString& pdfFile);

// Print seams that choose a PDF file without showing a dialog and count the dialogs asked for.
struct PdfChoiceSeams {
    explicit PdfChoiceSeams(QString pdfFile);
    LogPrintSeams seams;
    int dialogs = 0;
    QString dialogTitle;
};

void WriteBytes(const QString& path, const QByteArray& bytes);
