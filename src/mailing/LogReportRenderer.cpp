#include "mailing/LogReportRenderer.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextOption>

#include <memory>

namespace {

constexpr int kDeviceFailure = -11;
constexpr int kBadFormat = -24;
constexpr double kMmPerInch = 25.4;
// Space between a band and the body, and around a rule, in millimetres.
constexpr double kBandGapMm = 3.0;
constexpr double kRuleGapMm = 1.0;

double pixels(double mm, const QPrinter& printer)
{
    return mm / kMmPerInch * printer.resolution();
}

double rowHeight(const LogReportRow& row, QPrinter& printer)
{
    double height = QFontMetricsF(row.font, &printer).height();
    if (row.ruleAbove)
        height += pixels(kRuleGapMm, printer);
    if (row.ruleBelow)
        height += pixels(kRuleGapMm, printer);
    return height;
}

double bandHeight(const QList<LogReportRow>& rows, QPrinter& printer)
{
    double height = 0;
    for (const LogReportRow& row : rows)
        height += rowHeight(row, printer);
    return rows.isEmpty() ? 0 : height + pixels(kBandGapMm, printer);
}

// The page's areas in device pixels of printer, which has been set up for the layout.
struct PageGeometry {
    QRectF header;
    QRectF body;
    QRectF footer;
};

void setUpPrinter(const LogReportLayout& layout, QPrinter& printer)
{
    printer.setFullPage(true);
    printer.setPageSize(layout.pageSize);
    printer.setPageOrientation(layout.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
}

PageGeometry pageGeometry(const LogReportLayout& layout, QPrinter& printer)
{
    const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
    const QMarginsF& mm = layout.marginsMm;
    const QRectF inner = paper.adjusted(pixels(mm.left(), printer), pixels(mm.top(), printer),
                                        -pixels(mm.right(), printer), -pixels(mm.bottom(), printer));
    const double headerHeight = bandHeight(layout.header, printer);
    const double footerHeight = bandHeight(layout.footer, printer);
    PageGeometry geometry;
    geometry.header = QRectF(inner.left(), inner.top(), inner.width(), headerHeight);
    geometry.footer = QRectF(inner.left(), inner.bottom() - footerHeight, inner.width(), footerHeight);
    geometry.body =
        QRectF(inner.left(), inner.top() + headerHeight, inner.width(), inner.height() - headerHeight - footerHeight);
    return geometry;
}

// A copy of the content laid out in pages of the body's size, with the layout's font; long
// lines break at the body's width.
std::unique_ptr<QTextDocument> pagedCopy(const LogReportLayout& layout, const QTextDocument& content, QPrinter& printer,
                                         const QSizeF& bodySize)
{
    std::unique_ptr<QTextDocument> copy(content.clone());
    copy->setDefaultFont(layout.bodyFont);
    QTextOption option = copy->defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    copy->setDefaultTextOption(option);
    copy->setDocumentMargin(0);
    copy->documentLayout()->setPaintDevice(&printer);
    copy->setPageSize(bodySize);
    return copy;
}

bool hasRoom(const LogReportLayout& layout, const PageGeometry& geometry, QPrinter& printer)
{
    return geometry.body.width() > 0 && geometry.body.height() >= QFontMetricsF(layout.bodyFont, &printer).height();
}

// Rows from the top of area down; footer bands are drawn the same way from their own top.
void paintRows(QPainter& painter, const QList<LogReportRow>& rows, QRectF area, const LogReportValues& values,
               QPrinter& printer, bool atBottom)
{
    if (atBottom)
        area.setTop(area.top() + pixels(kBandGapMm, printer));
    double y = area.top();
    QPen rule = painter.pen();
    rule.setWidthF(pixels(0.25, printer));
    for (const LogReportRow& row : rows) {
        if (row.ruleAbove) {
            painter.setPen(rule);
            painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
            y += pixels(kRuleGapMm, printer);
        }
        painter.setFont(row.font);
        const double textHeight = QFontMetricsF(row.font, &printer).height();
        const QRectF line(area.left(), y, area.width(), textHeight);
        for (const auto& [text, alignment] :
             {std::pair{&row.left, Qt::AlignLeft}, std::pair{&row.center, Qt::AlignHCenter},
              std::pair{&row.right, Qt::AlignRight}}) {
            QString expanded;
            // The layout reader has refused unknown variables already.
            if (!text->isEmpty() && ExpandLogReportText(*text, values, expanded))
                painter.drawText(line, int(alignment | Qt::AlignVCenter) | Qt::TextSingleLine, expanded);
        }
        y += textHeight;
        if (row.ruleBelow) {
            y += pixels(kRuleGapMm, printer);
            painter.setPen(rule);
            painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        }
    }
}

// The document's own painting draws every line that touches the page's area, so the first line
// of the next page, which starts where this page ends, would be drawn as well (hidden by the
// clip, yet found by search and copy). Each line is drawn on the page that holds its middle;
// the layout never lets a line cross a page break.
void paintPageLines(QPainter& painter, const QTextDocument& pages, int page, double pageHeight)
{
    painter.setPen(Qt::black);
    for (QTextBlock block = pages.begin(); block.isValid(); block = block.next()) {
        const QTextLayout* layout = block.layout();
        if (!layout)
            continue;
        const QPointF origin = layout->position();
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            const double middle = origin.y() + line.y() + line.height() / 2;
            if (int(middle / pageHeight) == page)
                line.draw(&painter, origin);
        }
    }
}

} // namespace

int CountLogReportPages(const LogReportLayout& layout, const QTextDocument& content, QPrinter& printer)
{
    setUpPrinter(layout, printer);
    const PageGeometry geometry = pageGeometry(layout, printer);
    if (!hasRoom(layout, geometry, printer))
        return 0;
    return pagedCopy(layout, content, printer, geometry.body.size())->pageCount();
}

int RenderLogReport(const LogReportLayout& layout, const QString& title, const QTextDocument& content,
                    QPrinter& printer, const QDate& date)
{
    setUpPrinter(layout, printer);
    const PageGeometry geometry = pageGeometry(layout, printer);
    if (!hasRoom(layout, geometry, printer))
        return kBadFormat;
    const std::unique_ptr<QTextDocument> pages = pagedCopy(layout, content, printer, geometry.body.size());
    const int pageCount = pages->pageCount();

    QPainter painter;
    if (!painter.begin(&printer))
        return kDeviceFailure;
    LogReportValues values{title, 1, pageCount, date.toString(QStringLiteral("dd.MM.yyyy"))};
    const double pageHeight = geometry.body.height();
    for (int page = 0; page < pageCount; ++page) {
        // Every page that cannot be started counts: a print that lost pages is no success.
        if (page > 0 && !printer.newPage()) {
            painter.end();
            return kDeviceFailure;
        }
        values.page = page + 1;
        paintRows(painter, layout.header, geometry.header, values, printer, false);
        paintRows(painter, layout.footer, geometry.footer, values, printer, true);
        painter.save();
        painter.translate(geometry.body.left(), geometry.body.top() - page * pageHeight);
        painter.setClipRect(QRectF(0, page * pageHeight, geometry.body.width(), pageHeight));
        paintPageLines(painter, *pages, page, pageHeight);
        painter.restore();
    }
    return painter.end() ? 0 : kDeviceFailure;
}
