#pragma once

#include <QDate>
#include <QString>

#include <functional>

class IPrintQueues;
class QPrinter;
class QTextDocument;
class QWidget;

// Where the user sends a printed log.
enum class LogPrintDestination { Printer, Preview, PdfFile };

// What the print-options dialog returns; only an accepted choice is printed.
struct LogPrintChoice {
    bool accepted = false;
    LogPrintDestination destination = LogPrintDestination::Preview;
    QString printerName;
    QString pdfFile;
};

// What printing reaches outside itself; every member may stay empty for the real one.
struct LogPrintSeams {
    // The print-options dialog "Drucker von Protokoll" (default: TPrintOptionsDialog, modal).
    std::function<LogPrintChoice(const QString& title, QWidget* parent)> chooseOptions;
    // Shows the preview of the pages that paint draws onto the printer it is given; returns when
    // the preview is closed (default: the print preview dialog, modal).
    std::function<void(QPrinter& printer, const std::function<void(QPrinter&)>& paint, QWidget* parent)> showPreview;
    // The layout file (default: "Log.lbl" in the asset folder).
    QString layoutFile;
    // The date of the footer (default: today).
    std::function<QDate()> today;
    // The print system's queues (default: SystemPrintQueues).
    IPrintQueues* printQueues = nullptr;
};

// Report outcomes besides the layout's and the printer's error codes.
inline constexpr int kReportDone = 0;
inline constexpr int kReportCancelled = -99;

// Prints a log, or shows or writes it, through the layout: reads the layout, lets the user choose
// the destination, then lays the content out and paints it there. A PDF file is written beside
// its target and replaces it only once complete. A printer queue is asked before printing
// whether it takes jobs, then handed the pages as a PDF job and counts only when it took the job;
// a paused queue gets the job with an information that it waits. Every failure has shown its box (ShowReportError with the
// context "Druck"); a cancelled dialog shows none. Returns
// kReportDone, kReportCancelled or the failure's code. Holds the hourglass while it works.
// content is only read. Main thread.
int PrintLog(const QString& title, const QTextDocument& content, QWidget* parent, const LogPrintSeams& seams = {});

// The German text of a report error code ("Fehler-Nr. -22 : ..."), "Fehler-Nr. " and the code
// for codes without a text of their own.
QString ReportErrorText(int code);

// Sets the default cursor and shows "Druck abgebrochen. " + the code's text + two blanks +
// context in a plain box; codes -12 and -99 (cancelled) show nothing.
void ShowReportError(int code, const QString& context, QWidget* parent = nullptr);
