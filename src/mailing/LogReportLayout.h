#pragma once

#include <QFont>
#include <QList>
#include <QMarginsF>
#include <QPageSize>
#include <QString>

// The report layout "Log.lbl" that a send log is printed through: a JSON file with the page,
// the header and footer rows and the body that the log's text flows through. Row texts may hold
// the variables {LL_BEZ} (the log's title), {Seite}, {Seiten} and {Datum}; the body shows the
// field named by "field", which must be LL_INHALT.
//
//   { "projectType": 1,
//     "page":   { "size": "A4", "orientation": "portrait", "marginsMm": [20, 15, 15, 15] },
//     "header": [ { "left": "Protokoll: {LL_BEZ}", "font": { "pointSize": 12, "bold": true },
//                   "ruleBelow": true } ],
//     "body":   { "field": "LL_INHALT", "font": { "family": "DejaVu Sans Mono", "pointSize": 8 } },
//     "footer": [ { "left": "{Datum}", "right": "Seite {Seite} von {Seiten}", "ruleAbove": true } ] }
//
// marginsMm are left, top, right, bottom.

// One header or footer row: up to three texts, each on its own side of the same line.
struct LogReportRow {
    QString left;
    QString center;
    QString right;
    QFont font;
    bool ruleAbove = false;
    bool ruleBelow = false;
};

struct LogReportLayout {
    QPageSize pageSize{QPageSize::A4};
    bool landscape = false;
    QMarginsF marginsMm{20, 15, 15, 15};
    QList<LogReportRow> header;
    QList<LogReportRow> footer;
    QFont bodyFont;
};

// The outcome of reading a layout: code 0 and the layout, or one of the report error codes
// (-22 cannot be opened, -24 wrong format or damaged, -23 unknown variable or field, -29 no
// body) with a detail for the developer.
struct LogReportLayoutResult {
    int code = 0;
    QString detail;
    LogReportLayout layout;
};

LogReportLayoutResult ReadLogReportLayout(const QString& fileName);
LogReportLayoutResult ParseLogReportLayout(const QByteArray& json);

// The variables a row text may name.
struct LogReportValues {
    QString title;
    int page = 1;
    int pages = 1;
    QString date;
};

// The row text with each {NAME} replaced; false when it names a variable the report does not
// know or a brace is left open.
bool ExpandLogReportText(const QString& text, const LogReportValues& values, QString& expanded);
