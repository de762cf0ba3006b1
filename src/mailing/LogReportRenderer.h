#pragma once

#include "mailing/LogReportLayout.h"

#include <QDate>

class QPrinter;
class QTextDocument;

// Lays the log's text out on the layout's pages and paints them, with the header and footer
// rows, onto printer (a real printer, a PDF file or a preview's printer). The content is not
// changed: the pages are laid out on a copy. Returns 0, or -11 when the printer or file cannot
// be opened or a page cannot be started or finished, -24 when the margins and rows leave no
// room for the text. Main thread.
int RenderLogReport(const LogReportLayout& layout, const QString& title, const QTextDocument& content,
                    QPrinter& printer, const QDate& date);

// The number of pages the text takes on printer with this layout; 0 when the layout leaves no
// room for it.
int CountLogReportPages(const LogReportLayout& layout, const QTextDocument& content, QPrinter& printer);
